// Connecting, whole-preset transfers and preset files, through the window's
// keys, confirmations and dialogs, against the virtual processor.
#include "WindowFixture.h"

#include <QKeyEvent>
#include <fstream>

#include "PresetFile.h"
#include "xSkinButton.h"

namespace {
std::string NameOf(const SimName& name)
{
    std::string str(name.begin(), name.end());
    return str.substr(0, str.find_last_not_of(' ') + 1);
}
}  // namespace

TEST_F(WindowTest, ConnectingShowsTheLivePresetAndOfflineEditsAreNotSent)
{
    EXPECT_EQ(Ctl<QComboBox>(IDC_PORT_LIST)->currentText().toStdString(), m_pSim->GetPortPath());
    EXPECT_TRUE(Ctl<QLineEdit>(IDC_SLOT_NAME)->isReadOnly());
    Type(IDC_BAND_GAIN + 2, "9");  // offline: never sent
    Click(IDC_CHANNEL_BUTTON + 1);

    Click(IDC_LINK);
    ASSERT_TRUE(Dlg().IsConnected());
    EXPECT_FALSE(Dlg().isEnabled()) << "disabled until the live preset is in";
    EXPECT_TRUE(Ctl<CxSkinButton>(IDC_LINK)->GetCheck());
    Dlg().StopLinkTimer();
    ASSERT_TRUE(Drain());
    EXPECT_TRUE(Dlg().isEnabled());
    EXPECT_EQ(Accepted(CMD_NAME_QUERY), NUM_PRESET_SLOTS);
    EXPECT_EQ(Accepted(CMD_NAME), 1);
    EXPECT_EQ(Accepted(CMD_BLOCK_REQUEST), NUM_CHANNELS);
    EXPECT_EQ(Accepted(CMD_PARAMETER), 0);
    for (int k = 0; k < NUM_CHANNELS; ++k)
        ExpectDeviceHolds(0, k, "the live preset replaced the offline one");
    EXPECT_EQ(Dlg().GetCurChannel(), 1);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_HPF_FIELD)->GetValue(), Channel(1).GetHpfFreq());
    EXPECT_EQ(Ctl<CNumEdit>(IDC_BAND_GAIN + 2)->GetValue(), Channel(1).GetGain(2));
    EXPECT_FALSE(Ctl<QLineEdit>(IDC_SLOT_NAME)->isReadOnly());
    const std::string strName2 = m_pSim->WithProcessor([](CVirtualProcessor& p) { return NameOf(p.GetName(2)); });
    EXPECT_EQ(Ctl<QLineEdit>(IDC_SLOT_NAME + 1)->text().toStdString(), strName2);

    // The port cannot change while connected.
    Choose(IDC_PORT_LIST, Ctl<QComboBox>(IDC_PORT_LIST)->count() - 1);
    EXPECT_EQ(Ctl<QComboBox>(IDC_PORT_LIST)->currentIndex(), 0);

    // Link again: disconnected, caption "VARDEN  NULL".
    Click(IDC_LINK);
    EXPECT_FALSE(Dlg().IsConnected());
    EXPECT_FALSE(Dlg().IsLinkTimerRunning());
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("VARDEN  NULL"));
    EXPECT_TRUE(Ctl<QLineEdit>(IDC_SLOT_NAME)->isReadOnly());
    EXPECT_FALSE(Ctl<CxSkinButton>(IDC_LINK)->GetCheck());
}

TEST_F(WindowTest, WriteAndReadAskFirstAndCarryTheSlotsName)
{
    // Not connected: asked, then told to open the port.
    Click(IDC_WRITE);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{" Are you sure write data to machine  ?", "Please to Open COM-Port"}));
    EXPECT_EQ(m_boxes[0].buttons, MessageButtons::OkCancel);
    Connect();

    // Cancel: nothing queued, nothing changed.
    m_answer = MessageAnswer::Cancel;
    const int nQueued = Link().GetCount();
    Click(IDC_WRITE);
    Click(IDC_READ);
    EXPECT_EQ(Link().GetCount(), nQueued);
    m_answer = MessageAnswer::Ok;

    // Write to PreS3 under a new name.
    Type(IDC_GAIN_FIELD, "-6");
    Click(IDC_SLOT_RADIO + 2);
    Ctl<QLineEdit>(IDC_SLOT_NAME + 2)->setText(QStringLiteral("CLUB"));
    Click(IDC_WRITE);
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("VARDEN  CLUB"));
    EXPECT_FALSE(Dlg().isEnabled());
    ASSERT_TRUE(Drain());
    EXPECT_EQ(m_pSim->WithProcessor([](CVirtualProcessor& p) { return NameOf(p.GetName(3)); }), "CLUB");
    for (int k = 0; k < NUM_CHANNELS; ++k)
        ExpectDeviceHolds(3, k, "written to slot 3");

    // Read PreS2 after typing over its name: the old name comes back.
    const std::string strOld = m_pSim->WithProcessor([](CVirtualProcessor& p) { return NameOf(p.GetName(2)); });
    Click(IDC_SLOT_RADIO + 1);
    Ctl<QLineEdit>(IDC_SLOT_NAME + 1)->setText(QStringLiteral("TYPED"));
    Click(IDC_READ);
    EXPECT_EQ(Ctl<QLineEdit>(IDC_SLOT_NAME + 1)->text().toStdString(), strOld);
    EXPECT_EQ(Dlg().windowTitle().toStdString(), "VARDEN  " + strOld);
    ASSERT_TRUE(Drain());
    for (int k = 0; k < NUM_CHANNELS; ++k)
        ExpectDeviceHolds(2, k, "read from slot 2");

    // Names take Latin-1 only, at most eight characters.
    QLineEdit* pName = Ctl<QLineEdit>(IDC_SLOT_NAME + 4);
    pName->clear();
    pName->setFocus();
    for (const QChar c : QStringLiteral("Caf\u00e9\u20ac\u4e2d\u0007123456")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(pName, &press);
    }
    EXPECT_EQ(pName->text(), QStringLiteral("Caf\u00e91234"));
}

TEST_F(WindowTest, ReadInBassLinkModeWritesChannelOneBack)
{
    Connect();
    Click(IDC_BASS_LINK);
    ASSERT_TRUE(Drain());
    const int nBlocks = Accepted(CMD_BLOCK_WRITE);
    Click(IDC_READ);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Accepted(CMD_BLOCK_WRITE), nBlocks + 1);
    ExpectDeviceHolds(0, 1, "channel 1 follows channel 0");
    EXPECT_TRUE(g_bBassLink);
}

TEST_F(WindowTest, ASilentDeviceEndsTheConnectionAndLeavesThePresetAlone)
{
    Type(IDC_BAND_GAIN + 7, "4");
    m_pSim->SetFault(SimFault::Silent);
    Click(IDC_LINK);
    Dlg().StopLinkTimer();
    int nWritten = 0;
    for (int i = 0; i < 200 && Dlg().IsConnected(); ++i)
        Tick(false), ++nWritten;
    EXPECT_FALSE(Dlg().IsConnected());
    EXPECT_GT(nWritten, 150);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{MSG_UNABLE_TO_OPEN});
    EXPECT_TRUE(Dlg().isEnabled());
    EXPECT_EQ(Channel(0).GetGain(7), 240);
    EXPECT_FALSE(Ctl<CxSkinButton>(IDC_LINK)->GetCheck());
}

TEST_F(WindowTest, APortThatCannotOpenSaysWhyAndADiscoveryErrorLeavesNull)
{
    Dlg().AddExtraPort("/nonexistent/ttyUSB9");
    Click(IDC_SEARCH);
    QComboBox* pList = Ctl<QComboBox>(IDC_PORT_LIST);
    pList->setCurrentIndex(pList->findText(QStringLiteral("/nonexistent/ttyUSB9")));
    Click(IDC_LINK);
    EXPECT_FALSE(Dlg().IsConnected());
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].strText.rfind(std::string(MSG_UNABLE_TO_OPEN) + "\n/nonexistent/ttyUSB9", 0), 0u)
        << m_boxes[0].strText;

    // A path that opens but is no serial port is refused with a reason too.
    Dlg().AddExtraPort("/dev/null");
    Click(IDC_SEARCH);
    pList->setCurrentIndex(pList->findText(QStringLiteral("/dev/null")));
    m_boxes.clear();
    Click(IDC_LINK);
    EXPECT_FALSE(Dlg().IsConnected());
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].strText.rfind(std::string(MSG_UNABLE_TO_OPEN) + "\n/dev/null", 0), 0u) << m_boxes[0].strText;

    SerialDiscoveryOptions options;
    options.strSysfsRoot = (m_dir / "no-sysfs").string();
    Dlg().SetDiscoveryOptions(options);
    m_boxes.clear();
    Click(IDC_SEARCH);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Could not read from " + options.strSysfsRoot + "/class/tty. (err=2)"});
    ASSERT_EQ(pList->count(), 1);
    EXPECT_EQ(pList->itemText(0), QStringLiteral("NULL"));
}

TEST_F(WindowTest, SaveAndOpenFollowTheFileRulesAndSendWhenConnected)
{
    EXPECT_TRUE(std::filesystem::is_directory(m_dir / "MusicFile"));
    const std::string strBase = (m_dir / "MusicFile" / "club").string();

    // ".dia" is appended unless the name holds it somewhere.
    Type(IDC_BAND_GAIN + 3, "5");
    for (const std::string strName : {"club", "club.dia", "club.dia.bak", "CLUB.DIA"}) {
        m_strChosen = (m_dir / "MusicFile" / strName).string();
        Click(IDC_SAVE);
    }
    EXPECT_TRUE(std::filesystem::exists(strBase + ".dia"));
    EXPECT_TRUE(std::filesystem::exists(strBase + ".dia.bak"));
    EXPECT_TRUE(std::filesystem::exists((m_dir / "MusicFile" / "CLUB.DIA.dia")));
    EXPECT_EQ(Dlg().GetSaveDlgPath(), (m_dir / "MusicFile" / "CLUB.DIA").string()) << "reopens where it was";
    EXPECT_EQ(Dlg().GetOpenDlgPath(), (m_dir / "MusicFile" / "*.dia").string()) << "each dialog its own";

    // Cancelled dialogs change nothing.
    m_strChosen.clear();
    Click(IDC_OPEN);
    EXPECT_EQ(Channel(0).GetGain(3), 250);

    // A damaged file changes nothing either.
    Type(IDC_BAND_GAIN + 3, "-2");
    std::vector<std::uint8_t> bytes;
    std::string strError;
    ASSERT_TRUE(ReadFileBytes(strBase + ".dia", bytes, strError));
    const std::string strDamaged = (m_dir / "damaged.dia").string();
    for (const std::size_t nKeep : {bytes.size() - 3, std::size_t{700}, std::size_t{0}}) {
        std::ofstream(strDamaged, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(nKeep));
        m_strChosen = strDamaged;
        m_boxes.clear();
        Click(IDC_OPEN);
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"MusicFile read Error"}) << nKeep;
        EXPECT_EQ(Channel(0).GetGain(3), 180) << nKeep;
        EXPECT_EQ(Ctl<CNumEdit>(IDC_BAND_GAIN + 3)->GetValue(), 180);
    }
    bytes.push_back(0);  // trailing bytes: not a file we wrote
    std::ofstream(strDamaged, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    Click(IDC_OPEN);
    EXPECT_EQ(Channel(0).GetGain(3), 180);

    // Opening while connected sends the preset to the live slot.
    Connect();
    Choose(IDC_LINK_LIST + 1, 0);
    ASSERT_TRUE(Drain());
    m_strChosen = strBase + ".dia";
    const int nBlocks = Accepted(CMD_BLOCK_WRITE);
    const int nNames = Accepted(CMD_NAME);
    m_boxes.clear();
    Click(IDC_OPEN);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(Channel(0).GetGain(3), 250);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_BAND_GAIN + 3)->GetValue(), 250);
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("VARDEN  club"));
    EXPECT_NE(g_anLinkGroup[1], g_anLinkGroup[0]) << "every channel in its own group after opening";
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Accepted(CMD_BLOCK_WRITE), nBlocks + NUM_CHANNELS);
    EXPECT_EQ(Accepted(CMD_NAME), nNames + 1);
    for (int k = 0; k < NUM_CHANNELS; ++k)
        ExpectDeviceHolds(0, k, "opened file on the device");
}
