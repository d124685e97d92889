// Connecting and whole-preset transfers, through the window's keys and
// confirmations, against the virtual processor.
#include "WindowFixture.h"

#include <QKeyEvent>
#include <QRadioButton>
#include <QTimer>
#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "PresetFile.h"
#include "PresetSnapshot.h"
#include "Ser2net.h"
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
    EXPECT_TRUE(Dlg().IsBusy()) << "busy until the live preset is in";
    EXPECT_TRUE(Ctl<CxSkinButton>(IDC_LINK)->GetCheck());
    Dlg().StopLinkTimer();
    ASSERT_TRUE(Drain());
    EXPECT_FALSE(Dlg().IsBusy());
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
    EXPECT_EQ(BoxTexts(),
              (std::vector<std::string>{" Are you sure write data to machine  ?", "Please to Open COM-Port"}));
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
    EXPECT_TRUE(Dlg().IsBusy());
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

    // Names take Windows-1252 only (the euro sign too), at most eight characters.
    QLineEdit* pName = Ctl<QLineEdit>(IDC_SLOT_NAME + 4);
    pName->clear();
    pName->setFocus();
    for (const QChar c : QStringLiteral("Caf\u00e9\u20ac\u4e2d\u0007123456")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(pName, &press);
    }
    EXPECT_EQ(pName->text(), QStringLiteral("Caf\u00e9\u20ac123"));
}

TEST_F(WindowTest, ReadInBassLinkModeWritesChannelOneBack)
{
    Connect();
    Click(IDC_BASS_LINK);
    ASSERT_TRUE(Drain());
    const int nBlocks = Accepted(CMD_BLOCK_WRITE);
    Click(IDC_READ);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Accepted(CMD_BLOCK_WRITE), nBlocks + NUM_CHANNELS) << "the preset read is played whole";
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
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lost the connection to the device: the device did not answer"});
    EXPECT_FALSE(Dlg().IsBusy());
    EXPECT_EQ(Channel(0).GetGain(7), 240);
    EXPECT_FALSE(Ctl<CxSkinButton>(IDC_LINK)->GetCheck());

    // One that answered and then fell silent is said to have stopped.
    m_pSim->SetFault(SimFault::None);
    m_boxes.clear();
    Connect();
    m_pSim->SetFault(SimFault::Silent);
    for (int i = 0; i < 200 && Dlg().IsConnected(); ++i)
        Tick(false);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lost the connection to the device: the device stopped answering"});
}

TEST_F(WindowTest, APortThatCannotOpenSaysWhyAndADiscoveryErrorKeepsTheGivenPorts)
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
    const std::vector<std::string> error{"Could not read from " + options.strSysfsRoot + "/class/tty. (err=2)"};
    EXPECT_EQ(BoxTexts(), error);
    // The ports given on the command line are there all the same; "NULL"
    // only when nothing at all is listed.
    ASSERT_EQ(pList->count(), 3);
    EXPECT_EQ(pList->itemText(0).toStdString(), m_pSim->GetPortPath());
    m_boxes.clear();
    CVardenDlg bare;
    bare.SetDiscoveryOptions(options);
    bare.OnInitDialog();
    EXPECT_EQ(BoxTexts(), error);
    ASSERT_EQ(bare.Item<QComboBox>(IDC_PORT_LIST)->count(), 1);
    EXPECT_EQ(bare.Item<QComboBox>(IDC_PORT_LIST)->itemText(0), QStringLiteral("NULL"));
}

TEST_F(WindowTest, ThePortListAndTheSlotKeepWhatTheUserChose)
{
    // A machine with a built-in port listed first and a USB adapter: with no
    // port remembered, the adapter is the one chosen at start.
    CVardenDlg bare;
    bare.SetDiscoveryOptions(FakeMachine({"ttyS10"}, {"ttyUSB0"}));
    bare.OnInitDialog();
    QComboBox* pBareList = bare.Item<QComboBox>(IDC_PORT_LIST);
    ASSERT_EQ(pBareList->count(), 2);
    EXPECT_EQ(pBareList->currentText(), QStringLiteral("ttyUSB0"));

    // PreS1 shows checked from the start, in step with the slot Write uses.
    EXPECT_TRUE(Ctl<QRadioButton>(IDC_SLOT_RADIO)->isChecked());
    Click(IDC_SLOT_RADIO + 3);
    Connect();
    Click(IDC_WRITE);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(m_pSim->WithProcessor([](CVirtualProcessor& p) { return p.GetAcceptedCount(CMD_BLOCK_WRITE); }),
              NUM_CHANNELS);
    ExpectDeviceHolds(4, 0, "written to the checked slot");
    Click(IDC_LINK);

    // Disconnected, a port the user picked stays picked through channel
    // keys and Open, so Link opens that one and no other.
    Dlg().AddExtraPort("/dev/null");
    Click(IDC_SEARCH);
    Choose(IDC_PORT_LIST, 1);
    Click(IDC_CHANNEL_BUTTON + 2);
    m_strChosen = (m_dir / "missing.dia").string();
    Click(IDC_OPEN);
    EXPECT_EQ(Ctl<QComboBox>(IDC_PORT_LIST)->currentText(), QStringLiteral("/dev/null"));
}

TEST_F(WindowTest, ALostLinkSaysWhyAndWhatAWriteLeftWhileControlsKeepTheirMeaning)
{
    Connect();
    Click(IDC_SLOT_RADIO + 1);
    Ctl<QLineEdit>(IDC_SLOT_NAME + 1)->setText(QStringLiteral("NEWNAME"));
    Click(IDC_WRITE);
    m_boxes.clear();

    // Busy: the controls keep their looks and meaning, input waits.
    ASSERT_TRUE(Dlg().IsBusy());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    for (const int nId : {IDC_CHANNEL_BUTTON, IDC_CHANNEL_BUTTON + 3, IDC_LINK, IDC_EQ_GAIN_MODE, IDC_POLARITY + 2})
        EXPECT_TRUE(Dlg().GetDlgItem(nId)->isEnabled()) << nId;
    EXPECT_TRUE(Ctl<CxSkinButton>(IDC_LINK)->GetCheck());
    const BYTE nPolarity = Channel(2).GetPolarity();
    Click(IDC_POLARITY + 2);
    EXPECT_EQ(Channel(2).GetPolarity(), nPolarity) << "no input while busy";

    // The name and channel 1 are stored, then the line drops.
    Tick();
    Tick();
    m_pSim->SetFault(SimFault::HangUp);
    for (int i = 0; i < 50 && Dlg().IsConnected(); ++i)
        Tick();
    ASSERT_FALSE(Dlg().IsConnected());
    EXPECT_EQ(
        BoxTexts(),
        std::vector<std::string>{
            "Lost the connection to the device: the line was hung up (adapter "
            "unplugged, or the device side closed)\nslot 2 is left partly written: name and channel 1 of 4 stored; "
            "channel 2 was being sent and may be stored too"});
    EXPECT_EQ(Ctl<QLineEdit>(IDC_SLOT_NAME + 1)->text(), QStringLiteral("NEWNAME")) << "taken with channel 1";
    EXPECT_EQ(DeviceName(2), "NEWNAME");
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("VARDEN  NEWNAME"));
    EXPECT_FALSE(Dlg().IsBusy());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WindowTest, AReadIsPlayedByTheDeviceTooAndAReconnectThatFindsTheWindowsPresetChangesNothing)
{
    Connect();
    Choose(IDC_LINK_LIST + 1, 0);
    ASSERT_TRUE(Drain());
    const std::size_t nSteps = Dlg().GetHistory().GetUndoCount();
    Click(IDC_LINK);
    Connect();
    EXPECT_EQ(g_anLinkGroup[1], 0);
    EXPECT_EQ(Dlg().GetHistory().GetUndoCount(), nSteps) << Dlg().GetHistory().UndoLabel();

    const CPresetSnapshot before = CPresetSnapshot::Take(Dlg().GetRoute(), Dlg().GetPresetName(0));
    const std::string strLive = DeviceName(0);
    Click(IDC_SLOT_RADIO + 3);
    m_boxes.clear();
    Click(IDC_READ);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{" Are you sure read from  machine data ?\nPreS4 'VOCAL' will be "
                                                   "loaded into the window and played by the device"});
    for (const std::string& strName : {std::string("VOCAL"), strLive}) {
        ASSERT_TRUE(Drain());
        for (int k = 0; k < NUM_CHANNELS; ++k)
            ExpectDeviceHolds(0, k, strName);
        EXPECT_EQ(DeviceName(0), strName);
        EXPECT_EQ(Dlg().GetPresetName(0), strName);
        if (strName != strLive)
            Dlg().Undo();
    }
    EXPECT_TRUE(CPresetSnapshot::Take(Dlg().GetRoute(), Dlg().GetPresetName(0)) == before);
}

TEST_F(WindowTest, UndoAndRedoOfTheNameAloneReachTheDevicesName)
{
    Connect();
    const std::string strLive = DeviceName(0);
    const std::string strPath = (m_dir / "renamed.dia").string();
    // The file alone takes the new name; the window keeps its own.
    const std::string strShown = Dlg().GetRoute().GetName();
    Dlg().GetRoute().SetName("RENAMED");
    std::string strError;
    ASSERT_TRUE(SavePresetFile(strPath, Dlg().GetRoute(), strError)) << strError;
    Dlg().GetRoute().SetName(strShown);
    ASSERT_TRUE(Dlg().OpenPresetFileStep(strPath));
    for (const std::string& strName : {std::string("RENAMED"), strLive, std::string("RENAMED")}) {
        ASSERT_TRUE(Drain());
        EXPECT_EQ(DeviceName(0), strName);
        strName == strLive ? Dlg().Redo() : Dlg().Undo();
    }
}

TEST_F(WindowTest, AStoppedWriteShowsTheNameTheDeviceTookAndSaysSoWithoutABlankLine)
{
    Connect();
    Click(IDC_SLOT_RADIO + 4);
    Ctl<QLineEdit>(IDC_SLOT_NAME + 4)->setText(QStringLiteral("TEST5"));
    Click(IDC_WRITE);
    Tick();
    Tick();  // the name and channel 1 stored
    m_boxes.clear();
    Click(IDC_LINK);
    Click(IDC_LINK);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].strText.rfind("slot 5 is left partly written: name and channel 1", 0), 0u)
        << m_boxes[0].strText;
    EXPECT_EQ(DeviceName(5), "TEST5");
    EXPECT_EQ(Ctl<QLineEdit>(IDC_SLOT_NAME + 4)->text(), QStringLiteral("TEST5"));
}

// A device server's address typed into the port list connects like a port,
// is listed again afterwards, and the server going away is said as that.
TEST_F(WindowTest, ATypedDeviceServerAddressConnectsOrIsStoppedAndIsListedAgain)
{
    QComboBox* pList = Ctl<QComboBox>(IDC_PORT_LIST);
    {
        // A telnet server that never answers the serial settings: the
        // kernel takes the connection, nobody reads it. Escape in the box
        // the window shows meanwhile stops the wait.
        const int fdSilent = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        ASSERT_EQ(bind(fdSilent, reinterpret_cast<sockaddr*>(&sa), len), 0);
        ASSERT_EQ(listen(fdSilent, 1), 0);
        ASSERT_EQ(getsockname(fdSilent, reinterpret_cast<sockaddr*>(&sa), &len), 0);
        const std::string silent = "127.0.0.1:" + std::to_string(ntohs(sa.sin_port));
        pList->lineEdit()->clear();
        QTest::keyClicks(pList->lineEdit(), QString::fromStdString("rfc2217://" + silent));
        QTimer stopper;
        QObject::connect(&stopper, &QTimer::timeout, [&] {
            if (auto* pBox = Dlg().findChild<QDialog*>("connectingBox"); pBox && pBox->isVisible())
                QTest::keyClick(pBox, Qt::Key_Escape);
        });
        stopper.start(20);
        Click(IDC_LINK);
        close(fdSilent);
        EXPECT_FALSE(Dlg().IsConnected());
        EXPECT_FALSE(Ctl<CxSkinButton>(IDC_LINK)->GetCheck());
        EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Not connected: the connection to " + silent + " was stopped"});
        EXPECT_LT(pList->findText(QString::fromStdString("rfc2217://" + silent)), 0);
        m_boxes.clear();
    }
    CSer2net ser2net({m_pSim->GetPortPath()});
    const std::string address = ser2net.At(0).strTelnet;
    pList->lineEdit()->clear();
    QTest::keyClicks(pList->lineEdit(), QString::fromStdString(address));
    Click(IDC_LINK);
    ASSERT_TRUE(Dlg().IsConnected()) << (BoxTexts().empty() ? "" : BoxTexts()[0]);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Accepted(CMD_BLOCK_REQUEST), NUM_CHANNELS);
    EXPECT_EQ(pList->currentText().toStdString(), address);
    EXPECT_EQ(pList->itemText(pList->currentIndex()).toStdString(), address);
    Click(IDC_LINK);
    ASSERT_FALSE(Dlg().IsConnected());

    // A new window lists it among the ports and starts on it.
    m_pDlg.reset();
    StartWindow();
    pList = Ctl<QComboBox>(IDC_PORT_LIST);
    EXPECT_GE(pList->findText(QString::fromStdString(address)), 0);
    pList->setCurrentIndex(pList->findText(QString::fromStdString(address)));
    Connect();
    ser2net.Stop();
    for (int i = 0; i < 50 && Dlg().IsConnected(); ++i)
        Tick();
    ASSERT_FALSE(Dlg().IsConnected());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Lost the connection to the device: the connection to " +
                                                   address.substr(10) + " was closed by the device server"});
}
