// Start-up, the working folder's pictures and the keyboard rules.
#include "WindowFixture.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include "AppOptions.h"
#include "BmpStatic.h"
#include "SkinImages.h"
#include "SkinLayout.h"
#include "SplashWnd.h"
#include "WindowMessage.h"

TEST_F(WindowTest, StartsInAnEmptyFolderWithEverythingInPlace)
{
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "MusicFile"));
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("VARDEN(V13.1)"));
    EXPECT_EQ(Dlg().GetPresetName(0), "NULL");
    EXPECT_EQ(Dlg().GetCurChannel(), 0);
    EXPECT_FALSE(Dlg().IsConnected());
    EXPECT_FALSE(Dlg().IsQMode());
    EXPECT_FALSE(Ctl<CBmpStatic>(IDC_LOGO)->isVisible()) << "no Bmp/LOGO.bmp: the skin's own logo shows";
    EXPECT_EQ(Ctl<QComboBox>(IDC_DELAY_UNIT)->currentText(), QStringLiteral("MS"));
    for (int k = 0; k < NUM_CHANNELS; ++k)
        EXPECT_EQ(Ctl<QComboBox>(IDC_LINK_LIST + k)->currentIndex(), k);
    EXPECT_TRUE(Ctl<CxSkinButton>(IDC_EQ_GAIN_MODE)->GetCheck());
    EXPECT_TRUE(Ctl<CxSkinButton>(IDC_CHANNEL_BUTTON)->GetCheck());
    // Every placed control sits where the skin drew its place (a fader
    // takes the size of its image).
    for (const int nId : {IDC_GRAPH, IDC_BAND_FADER + 30, IDC_GATE_FIELD + 3, IDC_LINK})
        EXPECT_EQ(Dlg().GetDlgItem(nId)->pos(), DialogUnitsToPixels(SkinControlRect(nId)).topLeft()) << nId;
    EXPECT_EQ(Dlg().GetDlgItem(IDC_GRAPH)->size(), DialogUnitsToPixels(SkinControlRect(IDC_GRAPH)).size());

    // A folder with the pictures: the logo file is shown over the skin.
    std::filesystem::create_directory(m_dir / "Bmp");
    ASSERT_TRUE(DrawLogoImage().save(QString::fromStdString((m_dir / "Bmp" / "LOGO.bmp").string())));
    StartWindow();
    EXPECT_TRUE(Ctl<CBmpStatic>(IDC_LOGO)->isVisible());
}

TEST_F(WindowTest, ArrowsWalkTheFadersAndEnterOrEscapeNeverClose)
{
    KeyboardFilter filter(Dlg());
    auto focusedId = [] {
        auto* pFader = qobject_cast<CBitmapSlider*>(QApplication::focusWidget());
        return pFader ? pFader->GetDlgCtrlID() : 0;
    };
    Ctl<CBitmapSlider>(IDC_BAND_FADER)->setFocus();
    Pump();
    Key(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(focusedId(), IDC_BAND_FADER + 30);
    Key(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(focusedId(), IDC_BAND_FADER);
    Key(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(focusedId(), IDC_BAND_FADER + 1);

    // Enter in a band field commits it and hands the focus to its fader.
    QLineEdit* pField = Ctl<QLineEdit>(IDC_BAND_GAIN + 5);
    pField->setFocus();
    pField->selectAll();
    QTest::keyClicks(pField, "3");
    Key(pField, Qt::Key_Return);
    EXPECT_EQ(focusedId(), IDC_BAND_FADER + 5);
    EXPECT_EQ(Channel(0).GetGain(5), 230);
    Ctl<QLineEdit>(IDC_BAND_Q + 29)->setEnabled(true);
    Ctl<QLineEdit>(IDC_BAND_Q + 29)->setFocus();
    Key(QApplication::focusWidget(), Qt::Key_Enter);
    EXPECT_EQ(focusedId(), IDC_BAND_FADER + 29);

    // Arrows elsewhere do nothing; Escape and Enter leave the window open.
    Ctl<QLineEdit>(IDC_GAIN_FIELD)->setFocus();
    Key(QApplication::focusWidget(), Qt::Key_Left);
    EXPECT_EQ(QApplication::focusWidget(), Dlg().GetDlgItem(IDC_GAIN_FIELD));
    Key(QApplication::focusWidget(), Qt::Key_Escape);
    Key(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(Dlg().isVisible());
    EXPECT_EQ(QApplication::focusWidget(), &Dlg());
}

TEST_F(WindowTest, TheSplashShowsOnlyWithItsPictureAndAKeyEndsIt)
{
    std::filesystem::create_directory(m_dir / "Bmp");
    ASSERT_TRUE(DrawSplashImage().save(QString::fromStdString((m_dir / "Bmp" / "Splsh.bmp").string())));
    CSplashWnd::EnableSplash(true);
    bool bSeen = false;
    // The window waits for the splash while it keeps processing events.
    QTimer::singleShot(50, [&bSeen] {
        bSeen = CSplashWnd::Instance() != nullptr;
        if (bSeen) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
            QApplication::sendEvent(CSplashWnd::Instance(), &press);
        }
    });
    StartWindow();
    CSplashWnd::EnableSplash(false);
    EXPECT_TRUE(bSeen);
    EXPECT_EQ(CSplashWnd::Instance(), nullptr);
}

TEST(AppOptionsTest, CommandLineWordsAndMistakes)
{
    AppOptions options;
    std::string strError;
    ASSERT_TRUE(ParseAppOptions({"-EMBEDDING", "--simulate", "--state", "s.vsim", "--port", "/dev/pts/9", "a.dia"},
                                options, strError));
    EXPECT_FALSE(options.bSplash);
    EXPECT_TRUE(options.bSimulate);
    EXPECT_EQ(options.strStateFile, "s.vsim");
    EXPECT_EQ(options.astrPorts, std::vector<std::string>{"/dev/pts/9"});
    EXPECT_EQ(options.strPresetFile, "a.dia");
    AppOptions automation;
    EXPECT_TRUE(ParseAppOptions({"/automation"}, automation, strError));
    EXPECT_FALSE(automation.bSplash);

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--state", "x"}, {"--port"}, {"--bogus"}, {"a.dia", "b.dia"}, {"-Embeddingx"}, {"--audio"}}) {
        AppOptions rejected;
        strError.clear();
        EXPECT_FALSE(ParseAppOptions(bad, rejected, strError)) << bad[0];
        EXPECT_FALSE(strError.empty());
    }
}

TEST_F(WindowTest, F1ShowsTheAboutBox)
{
    KeyboardFilter filter(Dlg());
    QString strSeen;
    QTimer::singleShot(0, [&strSeen] {
        QWidget* pBox = QApplication::activeModalWidget();
        if (!pBox)
            return;
        for (const QLabel* pLabel : pBox->findChildren<QLabel*>())
            strSeen += pLabel->text();
        pBox->close();
    });
    Key(QApplication::focusWidget() ? QApplication::focusWidget() : &Dlg(), Qt::Key_F1);
    EXPECT_EQ(strSeen, QStringLiteral("VARDEN Version 13.1"));
    EXPECT_EQ(Dlg().size(), SkinWindowPixelSize());
}

TEST_F(WindowTest, EscapeTakesNothingAndOnlyTheFocusedFaderShowsItsFrame)
{
    KeyboardFilter filter(Dlg());
    Connect();
    // A name field: Escape brings back what it showed before the typing.
    QLineEdit* pName = Ctl<QLineEdit>(IDC_SLOT_NAME + 2);
    const QString strShown = pName->text();
    pName->setFocus();
    Pump();
    QTest::keyClicks(pName, "XY");
    Key(pName, Qt::Key_Escape);
    EXPECT_EQ(pName->text(), strShown);
    EXPECT_EQ(QApplication::focusWidget(), &Dlg());
    // A number field: the value typed is not taken, nothing is sent.
    Type(IDC_GAIN_FIELD, "-30");
    ASSERT_TRUE(Drain());
    QLineEdit* pGain = Ctl<QLineEdit>(IDC_GAIN_FIELD);
    pGain->setFocus();
    pGain->selectAll();
    QTest::keyClicks(pGain, "10");
    Key(pGain, Qt::Key_Escape);
    EXPECT_EQ(pGain->text(), QStringLiteral("-30.0"));
    EXPECT_EQ(Channel(0).GetChannelGain(), 300);
    EXPECT_FALSE(Channel(0).IsAnyDirty());

    // Faders asked to take the focus while a box holds the window take it
    // only when the window is back; one frame, on the fader that has it.
    QWidget box;
    box.show();
    QApplication::setActiveWindow(&box);
    Pump();
    for (const int nBand : {3, 4})
        SendWindowMessage(Dlg().GetDlgItem(IDC_BAND_FADER + nBand), WM_SLIDER_TAKEFOCUS, 0, 0);
    box.close();
    QApplication::setActiveWindow(&Dlg());
    Pump();
    std::vector<int> framed;
    for (int b = 0; b < NUM_BANDS; ++b)
        if (Ctl<CBitmapSlider>(IDC_BAND_FADER + b)->HasFocusFlag())
            framed.push_back(b);
    EXPECT_EQ(framed, std::vector<int>{4});
}
