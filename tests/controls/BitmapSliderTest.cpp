#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <climits>
#include <gtest/gtest.h>

#include "BitmapSlider.h"
#include "MemDC.h"
#include "MessageRecorder.h"

namespace {

constexpr int ID_BAND_FADER = 2005;
constexpr QRgb CHANNEL_RGB = 0xFF2040C0u;
constexpr QRgb THUMB_RGB = 0xFFE0E0E0u;
constexpr QRgb KEY_RGB = 0xFFFF00FFu;

QImage Filled(int nWidth, int nHeight, QRgb rgb)
{
    QImage image(nWidth, nHeight, QImage::Format_RGB32);
    image.fill(rgb);
    return image;
}

// A 15x23 thumb: key-colour frame around a light body, like the band thumb.
QImage Thumb()
{
    QImage image = Filled(15, 23, KEY_RGB);
    QPainter(&image).fillRect(2, 2, 11, 19, QColor::fromRgb(THUMB_RGB));
    return image;
}

// The band fader as the window sets it up: 29x107 channel, transparent
// thumb keyed on its top-left pixel, left margin 8, range 0..400 at the top.
class BitmapSliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_parent.resize(200, 200);
        m_pSlider = new CBitmapSlider(&m_parent, ID_BAND_FADER);
        m_pOther = new CBitmapSlider(&m_parent, 2006);
        m_pOther->move(100, 0);
        ASSERT_TRUE(m_pSlider->SetBitmapChannel(Filled(29, 107, CHANNEL_RGB)));
        ASSERT_TRUE(m_pSlider->SetBitmapThumb(Thumb(), QImage(), true, CBitmapSlider::CLR_KEY_PIXEL, 0, 0));
        m_pSlider->SetMargin(8, 0, 0, 0);
        m_pSlider->SetVertical(true);
        m_pSlider->SetRange(0, 400);
        m_pSlider->SetInvertedPos(400);
        m_parent.show();
        QApplication::setActiveWindow(&m_parent);
        m_pOther->setFocus();
        Flush();
    }

    void Flush()
    {
        m_parent.Pump();
        m_parent.m_messages.clear();
    }

    void Mouse(QEvent::Type type, int nY, Qt::MouseButtons buttons)
    {
        const QPointF point(15, nY);
        QMouseEvent e(type, point, m_pSlider->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(m_pSlider, &e);
    }
    void Press(int nY) { Mouse(QEvent::MouseButtonPress, nY, Qt::LeftButton); }
    void Move(int nY) { Mouse(QEvent::MouseMove, nY, Qt::LeftButton); }
    void Release(int nY) { Mouse(QEvent::MouseButtonRelease, nY, Qt::NoButton); }

    // One 200 ms period of timer 5, delivered without waiting for it.
    void Tick()
    {
        QTimerEvent e(m_pSlider->GetDragTimerId());
        QCoreApplication::sendEvent(m_pSlider, &e);
        m_parent.Pump();
    }

    bool Key(int nKey, CBitmapSlider* pSlider = nullptr)
    {
        QKeyEvent e(QEvent::KeyPress, nKey, Qt::NoModifier);
        QCoreApplication::sendEvent(pSlider ? pSlider : m_pSlider, &e);
        m_parent.Pump();
        return e.isAccepted();
    }

    QRgb PixelAt(int nX, int nY) { return m_pSlider->grab().toImage().pixel(nX, nY) | 0xFF000000u; }

    CMessageRecorder m_parent;
    CBitmapSlider* m_pSlider = nullptr;
    CBitmapSlider* m_pOther = nullptr;
};

}  // namespace

// Track of the band fader: 107 - 23 = 84 px from pixel 11 (top) to 95.
TEST_F(BitmapSliderTest, PositionsClampAndMapOntoTheTrack)
{
    EXPECT_EQ(m_pSlider->GetPos(), 0);
    EXPECT_EQ(m_pSlider->GetInvertedPos(), 400);
    EXPECT_EQ(m_pSlider->GetThumbPixel(), 11);
    EXPECT_EQ(m_pSlider->size(), QSize(29, 107));

    m_pSlider->SetPos(401);
    EXPECT_EQ(m_pSlider->GetPos(), 400);
    EXPECT_EQ(m_pSlider->GetThumbPixel(), 95);
    m_pSlider->SetPos(-1);
    EXPECT_EQ(m_pSlider->GetPos(), 0);
    m_pSlider->SetPos(200);
    EXPECT_EQ(m_pSlider->GetThumbPixel(), 53);
    m_pSlider->SetInvertedPos(-100);
    EXPECT_EQ(m_pSlider->GetPos(), 400);

    // Switching to the Q range keeps the position inside it.
    m_pSlider->SetRange(0, 59);
    EXPECT_EQ(m_pSlider->GetPos(), 59);
    m_pSlider->SetInvertedPos(59);
    EXPECT_EQ(m_pSlider->GetPos(), 0);
    EXPECT_EQ(m_pSlider->SetPageSize(5), 20);
    EXPECT_EQ(m_pSlider->GetPageSize(), 5);
}

TEST_F(BitmapSliderTest, FrequencyMappingAndItsLowEnd)
{
    m_pSlider->SetRange(0, 100);
    m_pSlider->SetFrequency(40);
    EXPECT_EQ(m_pSlider->GetPos(), 10);
    EXPECT_EQ(m_pSlider->GetFrequency(), 20);  // not a round trip at the low end
    m_pSlider->SetFrequency(1000);
    EXPECT_EQ(m_pSlider->GetPos(), 57);
    m_pSlider->SetPos(11);
    EXPECT_EQ(m_pSlider->GetFrequency(), 40);
    m_pSlider->SetPos(100);
    EXPECT_EQ(m_pSlider->GetFrequency(), 20000);
    m_pSlider->SetPos(0);
    EXPECT_EQ(m_pSlider->GetFrequency(), 20);

    // Reversed (the high-pass fader): 20 Hz sits at the maximum.
    m_pSlider->SetFreqReversed(true);
    m_pSlider->SetFrequency(20);
    EXPECT_EQ(m_pSlider->GetPos(), 100);
    EXPECT_EQ(m_pSlider->GetFrequency(), 20);
    m_pSlider->SetFrequency(20000);
    EXPECT_EQ(m_pSlider->GetPos(), 0);
    EXPECT_EQ(m_pSlider->GetFrequency(), 20000);

    // Nonsense hertz go to the ends of the scale; a wider range reads as
    // the ends too instead of overflowing.
    m_pSlider->SetFreqReversed(false);
    m_pSlider->SetFrequency(0);
    EXPECT_EQ(m_pSlider->GetPos(), 0);
    m_pSlider->SetFrequency(-7);
    EXPECT_EQ(m_pSlider->GetPos(), 0);
    m_pSlider->SetFrequency(INT_MAX);
    EXPECT_EQ(m_pSlider->GetPos(), 100);
    m_pSlider->SetRange(-50, 960);
    m_pSlider->SetPos(960);
    EXPECT_EQ(m_pSlider->GetFrequency(), 20000);
    m_pSlider->SetPos(-50);
    EXPECT_EQ(m_pSlider->GetFrequency(), 20);
}

TEST_F(BitmapSliderTest, PressOnTheThumbKeepsTheGripPressElsewhereJumps)
{
    m_pSlider->SetPos(200);  // thumb centre at 53
    Press(58);
    EXPECT_EQ(m_pSlider->GetPos(), 200);
    Move(68);
    // The centre goes to 63, 5 px above the pointer: trunc(52 / 84 * 400).
    EXPECT_EQ(m_pSlider->GetPos(), 247);
    Release(68);

    Press(30);  // well above the thumb: the centre jumps to 30
    EXPECT_EQ(m_pSlider->GetPos(), 90);
    Move(-500);
    EXPECT_EQ(m_pSlider->GetPos(), 0);
    Move(5000);
    EXPECT_EQ(m_pSlider->GetPos(), 400);
    Release(5000);
    EXPECT_FALSE(m_pSlider->IsDragging());
}

TEST_F(BitmapSliderTest, DragReportsAtMostOncePerPeriodAndOnceOnRelease)
{
    // Pressing a slider without the focus reports at once, when it arrives.
    Press(11);
    EXPECT_TRUE(m_pSlider->hasFocus());
    m_parent.Pump();
    ASSERT_EQ(m_parent.Of(WM_SLIDER_MOVING).size(), 1u);
    EXPECT_EQ(m_parent.m_messages[0].wParam, WPARAM(ID_BAND_FADER));
    EXPECT_EQ(m_parent.m_messages[0].lParam, 0);
    Tick();  // held still on the thumb: nothing more
    EXPECT_EQ(m_parent.m_messages.size(), 1u);

    Move(40);
    Move(50);
    Move(60);
    EXPECT_EQ(m_parent.m_messages.size(), 1u);  // nothing before the tick
    Tick();
    ASSERT_EQ(m_parent.Of(WM_SLIDER_MOVING).size(), 2u);
    EXPECT_EQ(m_parent.m_messages[1].lParam, m_pSlider->GetPos());
    Tick();
    EXPECT_EQ(m_parent.m_messages.size(), 2u);

    Release(60);
    m_parent.Pump();
    ASSERT_EQ(m_parent.Of(WM_SLIDER_MOVED).size(), 1u);
    EXPECT_EQ(m_parent.Of(WM_SLIDER_MOVED)[0].lParam, m_pSlider->GetPos());
    EXPECT_EQ(m_pSlider->GetDragTimerId(), -1);
    Release(60);  // a second release without a press
    m_parent.Pump();
    EXPECT_EQ(m_parent.m_messages.size(), 3u);

    // With the focus already here, a press off the thumb reports at the tick.
    Flush();
    Press(90);
    m_parent.Pump();
    EXPECT_TRUE(m_parent.m_messages.empty());
    Tick();
    ASSERT_EQ(m_parent.Of(WM_SLIDER_MOVING).size(), 1u);
    Release(90);
}

TEST_F(BitmapSliderTest, NavigationKeysReportEvenWhenNothingChanges)
{
    m_pSlider->SetPos(200);
    const std::pair<int, int> steps[] = {{Qt::Key_PageUp, 180},  {Qt::Key_PageDown, 200}, {Qt::Key_Up, 199},
                                         {Qt::Key_Down, 200},    {Qt::Key_Left, 200},     {Qt::Key_Right, 200},
                                         {Qt::Key_Home, 0},      {Qt::Key_Up, 0},         {Qt::Key_End, 400},
                                         {Qt::Key_PageDown, 400}};
    for (const auto& [nKey, nPos] : steps) {
        EXPECT_TRUE(Key(nKey));
        ASSERT_FALSE(m_parent.m_messages.empty());
        EXPECT_EQ(m_parent.m_messages.back().nMsg, WM_SLIDER_MOVED);
        EXPECT_EQ(m_parent.m_messages.back().lParam, nPos) << "key " << nKey;
    }
    EXPECT_EQ(m_parent.m_messages.size(), std::size(steps));

    // Other keys pass on to the window untouched.
    EXPECT_FALSE(Key(Qt::Key_A));
    EXPECT_EQ(m_parent.m_messages.size(), std::size(steps));
}

TEST_F(BitmapSliderTest, FocusFlagFollowsTheFocusAndTakeFocusRequest)
{
    SendWindowMessage(m_pSlider, WM_SLIDER_TAKEFOCUS, 0, 0);
    EXPECT_TRUE(m_pSlider->hasFocus());
    EXPECT_TRUE(m_pSlider->HasFocusFlag());
    m_parent.Pump();
    ASSERT_EQ(m_parent.Of(WM_SLIDER_MOVING).size(), 1u);

    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(m_pSlider, &out);
    EXPECT_FALSE(m_pSlider->HasFocusFlag());
    QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(m_pSlider, &in);
    EXPECT_TRUE(m_pSlider->HasFocusFlag());
    m_parent.Pump();
    EXPECT_EQ(m_parent.Of(WM_SLIDER_MOVING).size(), 2u);

    // Without a channel the focus rectangle shows, and goes with the focus.
    const QImage unfocused = m_pOther->grab().toImage();
    SendWindowMessage(m_pOther, WM_SLIDER_TAKEFOCUS, 0, 0);
    EXPECT_NE(m_pOther->grab().toImage(), unfocused);
    SendWindowMessage(m_pSlider, WM_SLIDER_TAKEFOCUS, 0, 0);
    EXPECT_FALSE(m_pOther->HasFocusFlag());
    EXPECT_EQ(m_pOther->grab().toImage(), unfocused);
}

TEST_F(BitmapSliderTest, KeyColourPixelsOfTheThumbShowTheChannel)
{
    const QImage& mask = m_pSlider->GetThumbMask();
    ASSERT_EQ(mask.size(), QSize(15, 23));
    EXPECT_EQ(mask.pixelIndex(0, 0), 1);
    EXPECT_EQ(mask.pixelIndex(14, 22), 1);
    EXPECT_EQ(mask.pixelIndex(7, 11), 0);
    EXPECT_EQ(m_pSlider->GetThumbImage().pixel(1, 1), 0xFF000000u);
    EXPECT_EQ(m_pSlider->GetThumbImage().pixel(7, 11), THUMB_RGB);

    // Thumb at the top: drawn at x 8..22, y 0..22.
    EXPECT_EQ(PixelAt(8, 0), CHANNEL_RGB);
    EXPECT_EQ(PixelAt(9, 1), CHANNEL_RGB);
    EXPECT_EQ(PixelAt(15, 11), THUMB_RGB);
    EXPECT_EQ(PixelAt(15, 60), CHANNEL_RGB);

    // An opaque thumb covers the channel with its key colour; an explicit
    // colour (0x00BBGGRR) keys that colour instead of the corner pixel.
    ASSERT_TRUE(m_pSlider->SetBitmapThumb(Thumb()));
    EXPECT_EQ(PixelAt(8, 0), KEY_RGB);
    ASSERT_TRUE(m_pSlider->SetBitmapThumb(Thumb(), QImage(), true, 0x00E0E0E0u));
    EXPECT_EQ(PixelAt(15, 11), CHANNEL_RGB);
    EXPECT_EQ(PixelAt(8, 0), KEY_RGB);
    // A key pixel outside the image stays inside it.
    ASSERT_TRUE(m_pSlider->SetBitmapThumb(Thumb(), QImage(), true, CBitmapSlider::CLR_KEY_PIXEL, 500, -3));
    EXPECT_EQ(m_pSlider->GetThumbMask().pixelIndex(0, 0), 1);
}

TEST_F(BitmapSliderTest, DisablingEndsTheDragHidesTheThumbAndIgnoresInput)
{
    Press(11);
    Move(70);
    m_parent.Pump();
    Flush();
    const int nPos = m_pSlider->GetPos();
    m_pSlider->Enable(false);
    EXPECT_FALSE(m_pSlider->IsDragging());
    EXPECT_EQ(m_pSlider->GetDragTimerId(), -1);
    m_parent.Pump();
    // The moved-but-unreported position still reaches the window.
    ASSERT_EQ(m_parent.Of(WM_SLIDER_MOVED).size(), 1u);
    EXPECT_EQ(m_parent.Of(WM_SLIDER_MOVED)[0].lParam, nPos);
    EXPECT_EQ(PixelAt(15, m_pSlider->GetThumbPixel()), CHANNEL_RGB);

    Flush();
    Press(11);
    Release(11);
    EXPECT_FALSE(Key(Qt::Key_Home));
    m_parent.Pump();
    EXPECT_TRUE(m_parent.m_messages.empty());
    EXPECT_EQ(m_pSlider->GetPos(), nPos);

    m_pSlider->Enable(true);
    EXPECT_EQ(PixelAt(15, m_pSlider->GetThumbPixel()), THUMB_RGB);
}

TEST_F(BitmapSliderTest, ImagesThatFailOrDoNotFitNeverBreakTheControl)
{
    // Unknown skin ids fail and leave the control without the image.
    EXPECT_FALSE(m_pSlider->SetBitmapChannel(999999));
    ASSERT_TRUE(m_pSlider->SetBitmapChannel(Filled(29, 107, CHANNEL_RGB)));
    EXPECT_FALSE(m_pSlider->SetBitmapChannel(1, 999999));
    EXPECT_FALSE(m_pSlider->SetBitmapThumb(QImage()));
    EXPECT_TRUE(m_pSlider->SetBitmapThumb(0));
    EXPECT_TRUE(m_pSlider->SetBitmapChannel(0));
    m_pSlider->grab();
    Press(50);
    Release(50);

    // A thumb bigger than the channel, an active channel of another size.
    ASSERT_TRUE(m_pSlider->SetBitmapChannel(Filled(29, 107, CHANNEL_RGB), Filled(60, 20, THUMB_RGB), true));
    ASSERT_TRUE(m_pSlider->SetBitmapThumb(Filled(50, 300, THUMB_RGB), Filled(10, 10, KEY_RGB), true));
    for (int nPos : {0, 200, 400}) {
        m_pSlider->SetPos(nPos);
        m_pSlider->grab();
    }
    Press(5);
    Move(-100000);
    Move(100000);
    m_pSlider->grab();
    Release(0);

    // No channel and a zero-sized control; empty and reversed ranges;
    // margins that do not fit.
    ASSERT_TRUE(m_pSlider->SetBitmapChannel(0));
    m_pSlider->resize(0, 0);
    ASSERT_TRUE(m_pSlider->SetBitmapThumb(Thumb(), QImage(), true));
    m_pSlider->SetRange(5, 5);
    m_pSlider->SetPos(9);
    EXPECT_EQ(m_pSlider->GetPos(), 5);
    m_pSlider->grab();
    Press(3);
    Move(40);
    Release(40);
    m_pSlider->SetRange(10, 0);
    EXPECT_EQ(m_pSlider->GetPos(), 10);  // checked against the maximum, then the minimum
    m_pSlider->SetRange(INT_MIN, INT_MAX);
    m_pSlider->SetMargin(INT_MAX, INT_MIN, INT_MAX, INT_MIN);
    m_pSlider->resize(20, 20);
    m_pSlider->SetInvertedPos(INT_MIN);
    EXPECT_EQ(m_pSlider->GetPos(), INT_MAX);
    EXPECT_EQ(m_pSlider->GetInvertedPos(), 0);
    m_pSlider->grab();
    Press(10);
    Move(INT_MAX);
    Tick();
    Release(0);
    m_pSlider->SetPageSize(INT_MAX);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(m_pSlider->GetPos(), INT_MAX);
    Key(Qt::Key_PageUp);
    EXPECT_EQ(m_pSlider->GetPos(), 0);
}

// The buffer reaches its target only as a whole, at the end.
TEST(MemDC, CopiesOnceCompleteAndCopesWithoutATarget)
{
    QImage target = Filled(40, 30, 0xFF00FF00u);
    {
        QPainter painter(&target);
        painter.setBackground(QColor(Qt::white));
        CMemDC dc(&painter, QRect(10, 5, 20, 10));
        dc->fillRect(QRect(10, 5, 5, 5), Qt::red);
        EXPECT_EQ(target.pixel(12, 7), 0xFF00FF00u);  // nothing yet
        EXPECT_EQ(dc.Grab(QRect(10, 5, 1, 1)).pixel(0, 0), 0xFFFF0000u);
        EXPECT_EQ(dc.Grab(QRect(-5, -5, 10, 10)).size(), QSize(10, 10));
    }
    EXPECT_EQ(target.pixel(12, 7), 0xFFFF0000u);
    EXPECT_EQ(target.pixel(25, 12), 0xFFFFFFFFu);  // background fill
    EXPECT_EQ(target.pixel(5, 5), 0xFF00FF00u);    // outside the rectangle

    {
        // Starting from the target's pixels; a device target paints itself.
        CMemDC dc(&target, QRect(0, 0, 40, 30), true);
        EXPECT_EQ(dc.Grab(QRect(12, 7, 1, 1)).pixel(0, 0), 0xFFFF0000u);
        dc->fillRect(QRect(0, 0, 2, 2), Qt::blue);
    }
    EXPECT_EQ(target.pixel(1, 1), 0xFF0000FFu);
    EXPECT_EQ(target.pixel(12, 7), 0xFFFF0000u);

    CMemDC(static_cast<QPainter*>(nullptr))->fillRect(QRect(0, 0, 10, 10), Qt::red);
    QImage empty;
    CMemDC(&empty)->drawLine(0, 0, 100, 100);
    QPainter painter(&target);
    CMemDC(&painter, QRect(5, 5, 0, 7))->fillRect(QRect(0, 0, 40, 30), Qt::red);
    CMemDC(&painter, QRect(0, 0, 1000000, 1000000))->fillRect(QRect(0, 0, 40, 30), Qt::red);
    painter.end();
    EXPECT_EQ(target.pixel(20, 20), 0xFF00FF00u);
}
