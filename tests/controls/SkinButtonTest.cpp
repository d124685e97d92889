#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

#include "MessageRecorder.h"
#include "SkinImages.h"
#include "xSkinButton.h"

namespace {

// The "Write" button and channel button 1 as the window skins them.
constexpr int ID_WRITE = 1183;
constexpr int IMG_WRITE_NORMAL = 186;
constexpr int IMG_WRITE_DOWN = 182;
constexpr int IMG_WRITE_OVER = 184;
constexpr int ID_CH1 = 2090;
constexpr int IMG_CH1_NORMAL = 225;
constexpr int IMG_CH1_DOWN = 221;
constexpr int IMG_CH1_OVER = 229;
constexpr int IMG_CH1_DISABLED = 260;
constexpr int IMG_UNKNOWN = 9999;

class SkinButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_parent.resize(300, 200);
        m_pButton = new CxSkinButton(&m_parent, ID_WRITE);
        m_pButton->setGeometry(10, 10, 60, 24);
        m_pButton->SetTemplateStyle(BS_OWNERDRAW);
        m_pButton->SetSkin(IMG_WRITE_NORMAL, IMG_WRITE_DOWN, IMG_WRITE_OVER, 0, 0, 0, 0, 0, 0);
        m_parent.show();
        QApplication::setActiveWindow(&m_parent);
    }

    static void Mouse(CxSkinButton* pButton, QEvent::Type type, QPoint point, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, QPointF(point), QPointF(pButton->mapToGlobal(point)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(pButton, &e);
    }
    void Press(QPoint at = {5, 5}, CxSkinButton* p = nullptr)
    {
        Mouse(p ? p : m_pButton, QEvent::MouseButtonPress, at, Qt::LeftButton);
    }
    void Move(QPoint at, Qt::MouseButtons buttons = Qt::LeftButton)
    {
        Mouse(m_pButton, QEvent::MouseMove, at, buttons);
    }
    void Release(QPoint at = {5, 5}, CxSkinButton* p = nullptr)
    {
        Mouse(p ? p : m_pButton, QEvent::MouseButtonRelease, at, Qt::NoButton);
    }
    void Leave()
    {
        QEvent e(QEvent::Leave);
        QCoreApplication::sendEvent(m_pButton, &e);
    }
    size_t Clicks(int nID = ID_WRITE)
    {
        m_parent.Pump();
        size_t n = 0;
        for (const RecordedMessage& m : m_parent.Of(WM_COMMAND_EVENT))
            n += m.wParam == MakeWParam(nID, BN_CLICKED) ? 1 : 0;
        return n;
    }

    CMessageRecorder m_parent;
    CxSkinButton* m_pButton = nullptr;
};

}  // namespace

TEST_F(SkinButtonTest, HoverShowsTheOverImageOnlyWhenThereIsOne)
{
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_NORMAL);
    Move({5, 5}, Qt::NoButton);
    EXPECT_TRUE(m_pButton->IsHovering());
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_OVER);
    Leave();
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_NORMAL);

    // The private hover messages do the same.
    SendWindowMessage(m_pButton, WM_SKIN_HOVERON, 0, 0);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_OVER);
    SendWindowMessage(m_pButton, WM_SKIN_HOVEROFF, 0, 0);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_NORMAL);

    m_pButton->SetSkin(IMG_WRITE_NORMAL, IMG_WRITE_DOWN, 0, 0, 0, 0, 0, 0, 0);
    Move({5, 5}, Qt::NoButton);
    EXPECT_TRUE(m_pButton->IsHovering());
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_NORMAL);
}

TEST_F(SkinButtonTest, DisabledShowsItsOwnImageOrTheNormalOneAndIgnoresClicks)
{
    const QImage usable = m_pButton->grab().toImage();
    m_pButton->setEnabled(false);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_NORMAL);
    EXPECT_NE(m_pButton->grab().toImage(), usable) << "the normal image, seen as unusable";
    Press();
    Release();
    EXPECT_EQ(Clicks(), 0u);

    auto* pChannel = new CxSkinButton(&m_parent, ID_CH1);
    pChannel->resize(40, 20);
    pChannel->SetTemplateStyle(BS_OWNERDRAW);
    pChannel->SetSkin(IMG_CH1_NORMAL, IMG_CH1_DOWN, IMG_CH1_OVER, IMG_CH1_DISABLED, 0, 0, 0, 0, 0);
    pChannel->SetCheck(1);
    EXPECT_EQ(pChannel->CurrentImageId(), IMG_CH1_DOWN);
    // Bass link mode: the disabled look wins over the latched one.
    pChannel->setEnabled(false);
    EXPECT_EQ(pChannel->CurrentImageId(), IMG_CH1_DISABLED);
    pChannel->setEnabled(true);
    EXPECT_EQ(pChannel->CurrentImageId(), IMG_CH1_DOWN);

    // Disabled in mid-press: the later release is no click.
    m_pButton->setEnabled(true);
    Press();
    m_pButton->setEnabled(false);
    m_pButton->setEnabled(true);
    Release();
    EXPECT_EQ(Clicks(), 0u);
}

TEST_F(SkinButtonTest, PushedLookFollowsThePointerAndOnlyAReleaseInsideClicks)
{
    Move({5, 5}, Qt::NoButton);
    Press();
    EXPECT_FALSE(m_pButton->IsHovering());
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_DOWN);
    Move({100, 5});
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_NORMAL);
    Move({30, 12});
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_DOWN);
    Move({30, -3});
    Release({30, -3});
    EXPECT_EQ(Clicks(), 0u);
    EXPECT_FALSE(m_pButton->IsButtonDown());
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_NORMAL);

    int nSignalled = 0;
    QObject::connect(m_pButton, &CxSkinButton::clicked, [&](int nID) { nSignalled += nID == ID_WRITE; });
    Press();
    Release();
    EXPECT_EQ(Clicks(), 1u);
    EXPECT_EQ(nSignalled, 1);
    // The click does not latch a check box; its owner does.
    EXPECT_EQ(m_pButton->GetCheck(), 0);

    // A double click is a second press: two clicks in all.
    m_parent.m_messages.clear();
    Press();
    Release();
    Mouse(m_pButton, QEvent::MouseButtonDblClick, {5, 5}, Qt::LeftButton);
    Release();
    EXPECT_EQ(Clicks(), 2u);

    // Losing the focus mid-press ends the press without a click.
    m_parent.m_messages.clear();
    Press();
    QFocusEvent focusOut(QEvent::FocusOut);
    QCoreApplication::sendEvent(m_pButton, &focusOut);
    EXPECT_FALSE(m_pButton->IsButtonDown());
    Release();
    EXPECT_EQ(Clicks(), 0u);
}

TEST_F(SkinButtonTest, CheckLatchesTheDownLookExceptOnPushButtons)
{
    EXPECT_EQ(m_pButton->GetButtonStyle(), CxSkinButton::STYLE_CHECKBOX);
    m_pButton->SetCheck(1);
    EXPECT_EQ(m_pButton->GetCheck(), 1);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_DOWN);
    Move({5, 5}, Qt::NoButton);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_DOWN);
    m_pButton->SetCheck(0);
    EXPECT_EQ(m_pButton->CurrentImageId(), IMG_WRITE_OVER);

    m_pButton->SetTemplateStyle(BS_PUSHBUTTON);
    EXPECT_EQ(m_pButton->GetButtonStyle(), CxSkinButton::STYLE_PUSH);
    m_pButton->SetCheck(1);
    EXPECT_EQ(m_pButton->GetCheck(), 0);
    m_pButton->SetTemplateStyle(BS_AUTORADIOBUTTON);
    EXPECT_EQ(m_pButton->GetButtonStyle(), CxSkinButton::STYLE_RADIO);
}

TEST_F(SkinButtonTest, CheckingARadioButtonClearsTheRestOfItsGroup)
{
    CxSkinButton* apRadio[4];
    for (int i = 0; i < 4; ++i) {
        apRadio[i] = new CxSkinButton(&m_parent, 1189 + i);
        apRadio[i]->setGeometry(10 + 50 * i, 60, 40, 20);
        apRadio[i]->SetTemplateStyle(BS_AUTORADIOBUTTON);
        apRadio[i]->SetSkin(205, 199, 202, 0, 0, 0, 0, 0, 0);
        apRadio[i]->SetRadioGroup(i < 3 ? 1 : 2);
    }
    apRadio[0]->SetCheck(1);
    apRadio[3]->SetCheck(1);
    m_parent.Pump();
    apRadio[1]->SetCheck(1);
    m_parent.Pump();
    EXPECT_EQ(apRadio[0]->GetCheck(), 0);
    EXPECT_EQ(apRadio[1]->GetCheck(), 1);
    EXPECT_EQ(apRadio[3]->GetCheck(), 1);  // another group

    // A radio button released over itself checks itself, then clicks.
    Press({5, 5}, apRadio[2]);
    Release({5, 5}, apRadio[2]);
    m_parent.Pump();
    EXPECT_EQ(apRadio[2]->GetCheck(), 1);
    EXPECT_EQ(apRadio[1]->GetCheck(), 0);
    EXPECT_EQ(Clicks(1191), 1u);

    // The clear message answers 0 and leaves an unchecked button alone.
    EXPECT_EQ(SendWindowMessage(apRadio[0], WM_SKIN_RADIOCLEAR, 0, 0), 0);
    EXPECT_EQ(apRadio[0]->GetCheck(), 0);
}

TEST_F(SkinButtonTest, DrawsTheImagesAndSurvivesMissingOnesAndNoSize)
{
    // Mode 0 copies the image's top-left part.
    const QImage normal = LoadSkinImage(IMG_WRITE_NORMAL).convertToFormat(QImage::Format_RGB32);
    const QImage down = LoadSkinImage(IMG_WRITE_DOWN).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(normal.isNull());
    const QPoint probe(normal.width() / 2, normal.height() / 2);
    m_pButton->resize(normal.size());
    EXPECT_EQ(m_pButton->grab().toImage().pixel(probe) | 0xFF000000u, normal.pixel(probe));
    m_pButton->SetCheck(1);
    EXPECT_EQ(m_pButton->grab().toImage().pixel(probe) | 0xFF000000u, down.pixel(probe));

    // Draw modes out of range are clamped.
    m_pButton->SetSkin(IMG_WRITE_NORMAL, 0, 0, 0, 0, 0, -4, 0, -3);
    EXPECT_EQ(m_pButton->GetDrawMode(), CxSkinButton::DRAW_NORMAL);
    m_pButton->SetSkin(IMG_WRITE_NORMAL, 0, 0, 0, 0, 0, 9, 1, 2);
    EXPECT_EQ(m_pButton->GetDrawMode(), CxSkinButton::DRAW_TILE);
    // No down image: the checked button shows the plain face.
    EXPECT_EQ(m_pButton->CurrentImageId(), 0);
    m_pButton->setFocus();
    m_pButton->grab();

    // Ids the skin lacks leave the button with the face colour.
    m_pButton->SetSkin(IMG_UNKNOWN, IMG_UNKNOWN, IMG_UNKNOWN, IMG_UNKNOWN, IMG_UNKNOWN, IMG_UNKNOWN, 0, 0, 0);
    m_pButton->SetCheck(0);
    EXPECT_EQ(m_pButton->CurrentImageId(), 0);
    EXPECT_TRUE(m_pButton->GetRegion().isEmpty());
    const QColor face = m_pButton->palette().color(QPalette::Button);
    EXPECT_EQ(m_pButton->grab().toImage().pixelColor(probe).rgb(), face.rgb());
    m_pButton->SetWindowText("Write");
    m_pButton->setEnabled(false);
    m_pButton->grab();

    m_pButton->resize(0, 0);
    m_pButton->setEnabled(true);
    m_pButton->SetSkin(IMG_WRITE_NORMAL, IMG_WRITE_DOWN, 0, 0, 0, 0, 2, 0, 0);
    m_pButton->grab();
    Press({0, 0});
    Release({0, 0});
    EXPECT_EQ(Clicks(), 0u);
}
