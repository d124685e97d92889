#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <gtest/gtest.h>

#include "BitButton.h"
#include "MessageRecorder.h"
#include "SkinImages.h"

namespace {

// The bass link switch: a different image for every state.
constexpr int ID_BASS_LINK = 1307;
constexpr int IMG_OFF_NORMAL = 258;
constexpr int IMG_OFF_HOVER = 257;
constexpr int IMG_OFF_PRESSED = 256;
constexpr int IMG_ON_NORMAL = 255;
constexpr int IMG_ON_HOVER = 254;
constexpr int IMG_ON_PRESSED = 253;

class BitButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_parent.resize(200, 100);
        m_pButton = new CBitButton(&m_parent, ID_BASS_LINK);
        m_pButton->setGeometry(10, 10, 50, 20);
        m_pButton->SetBitmaps(IMG_OFF_NORMAL, IMG_OFF_HOVER, IMG_OFF_PRESSED, IMG_ON_NORMAL, IMG_ON_HOVER,
                              IMG_ON_PRESSED);
        m_parent.show();
    }

    void Mouse(QEvent::Type type, QPoint point, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, QPointF(point), QPointF(m_pButton->mapToGlobal(point)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(m_pButton, &e);
    }
    void Move(QPoint at, Qt::MouseButtons buttons = Qt::NoButton) { Mouse(QEvent::MouseMove, at, buttons); }
    void Press(QPoint at = {5, 5}) { Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton); }
    void Release(QPoint at = {5, 5}) { Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton); }
    size_t Clicks()
    {
        m_parent.Pump();
        return m_parent.Of(WM_COMMAND_EVENT).size();
    }

    CMessageRecorder m_parent;
    CBitButton* m_pButton = nullptr;
};

}  // namespace

TEST_F(BitButtonTest, ImageFollowsCheckAndMouseState)
{
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_OFF_NORMAL);
    Move({5, 5});
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_OFF_HOVER);
    Press();
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_OFF_PRESSED);
    // Dragged off while held: no longer over it.
    Move({80, 5}, Qt::LeftButton);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_OFF_NORMAL);
    Move({5, 5}, Qt::LeftButton);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_OFF_PRESSED);
    Release();
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_OFF_HOVER);
    // The click only tells the owner; the check is the owner's.
    EXPECT_EQ(m_pButton->GetCheck(), 0);

    m_pButton->SetCheck(1);
    EXPECT_EQ(m_pButton->GetCheck(), 1);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_ON_HOVER);
    Press();
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_ON_PRESSED);
    Release();
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(m_pButton, &leave);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_ON_NORMAL);
}

TEST_F(BitButtonTest, SetCheckShowsTheCheckedSetWithoutAClick)
{
    m_pButton->SetCheck(1);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_ON_NORMAL);
    const QImage on = LoadSkinImage(IMG_ON_NORMAL);
    ASSERT_FALSE(on.isNull());
    // Stretched to the button: compare with the image scaled the same way.
    QImage expected(m_pButton->size(), QImage::Format_RGB32);
    {
        QPainter painter(&expected);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(expected.rect(), on);
    }
    const QImage shown = m_pButton->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(25, 10), expected.pixel(25, 10));
    EXPECT_EQ(Clicks(), 0u);

    // A checked id of 0 takes the unchecked image.
    m_pButton->SetBitmaps(264, 264, 264, 0, 0, 0);
    EXPECT_EQ(m_pButton->CurrentImageId(), 264);
}

TEST_F(BitButtonTest, ClicksReachTheParentOnlyWhenReleasedOverAnEnabledButton)
{
    int nSignalled = 0;
    QObject::connect(m_pButton, &CBitButton::clicked, [&](int nID) { nSignalled += nID == ID_BASS_LINK; });
    Press();
    Release();
    ASSERT_EQ(Clicks(), 1u);
    EXPECT_EQ(m_parent.Of(WM_COMMAND_EVENT)[0].wParam, MakeWParam(ID_BASS_LINK, BN_CLICKED));
    EXPECT_EQ(nSignalled, 1);

    m_parent.m_messages.clear();
    Press();
    Release({5, 40});
    EXPECT_EQ(Clicks(), 0u);

    // A double click counts as a second press.
    Press();
    Release();
    Mouse(QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton);
    Release();
    EXPECT_EQ(Clicks(), 2u);

    m_parent.m_messages.clear();
    const QImage usable = m_pButton->grab().toImage();
    m_pButton->setEnabled(false);
    EXPECT_NE(m_pButton->grab().toImage(), usable) << "a locked switch must not look usable";
    Press();
    Release();
    Press();
    m_pButton->setEnabled(true);
    Release();
    EXPECT_EQ(Clicks(), 0u);
    EXPECT_FALSE(m_pButton->IsPressed());
}

TEST_F(BitButtonTest, MissingImagesZeroSizeAndBlinking)
{
    m_pButton->SetBitmaps(9999, 0, 0, 0, 0, 0);
    const QColor face = m_pButton->palette().color(QPalette::Button);
    EXPECT_EQ(m_pButton->grab().toImage().pixelColor(5, 5).rgb(), face.rgb());
    Move({5, 5});
    EXPECT_EQ(m_pButton->CurrentImageId(), 0);
    m_pButton->SetWindowText("x");
    m_pButton->grab();
    m_pButton->resize(0, 0);
    m_pButton->grab();

    m_pButton->resize(50, 20);
    m_pButton->SetBlinkBitmaps(IMG_ON_NORMAL, IMG_OFF_NORMAL, IMG_OFF_HOVER);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_OFF_NORMAL);
    m_pButton->EnableBlink(true);
    ASSERT_NE(m_pButton->GetBlinkTimerId(), -1);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_OFF_HOVER);
    QTimerEvent tick(m_pButton->GetBlinkTimerId());
    QCoreApplication::sendEvent(m_pButton, &tick);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_ON_NORMAL);
    m_pButton->grab();
    m_pButton->EnableBlink(false);
    EXPECT_EQ(m_pButton->GetBlinkTimerId(), -1);
    m_pButton->SetCheck(1);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_ON_NORMAL);
}
