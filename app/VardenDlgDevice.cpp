// Device connection and whole-preset transfers: the port list, "Link",
// "Write" and "Read" with their confirmations, and what the link reports.
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QRadioButton>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <thread>

#include "ControlIds.h"
#include "EnumerateSerialPorts.h"
#include "LinkLossText.h"
#include "LinkMessages.h"
#include "MessageBox.h"
#include "NetAddress.h"
#include "NetPortMemory.h"
#include "NetStop.h"
#include "PortErrorText.h"
#include "PresetNameText.h"
#include "SendingBox.h"
#include "Serial.h"
#include "SerialDiscoveryError.h"
#include "VardenDlg.h"
#include "xSkinButton.h"

namespace {
constexpr const char* MSG_CONFIRM_WRITE = " Are you sure write data to machine  ?";
constexpr const char* MSG_CONFIRM_READ = " Are you sure read from  machine data ?";
constexpr const char* MSG_OPEN_PORT_FIRST = "Please to Open COM-Port";
constexpr const char* MSG_NOT_CONNECTED = "Not connected: ";

bool Confirmed(const char* pszText)
{
    return ShowMessageBox(pszText, MessageIcon::None, MessageButtons::OkCancel) == MessageAnswer::Ok;
}

// The list's own search: the first item, from the third on and wrapping
// round, whose text begins with strText, ignoring case.
int FindItem(const QComboBox& list, const std::string& strText)
{
    // Every text begins with the empty one: no port remembered finds none.
    if (strText.empty())
        return -1;
    const int nCount = list.count();
    const QString strPrefix = QString::fromStdString(strText);
    for (int n = 0; n < nCount; ++n) {
        const int i = (n + 2) % nCount;
        if (list.itemText(i).startsWith(strPrefix, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}
}  // namespace

void CVardenDlg::RefreshPortList()
{
    std::vector<SerialPortInfo> ports;
    for (const std::string& strPath : m_astrExtraPorts) {
        SerialPortInfo info;
        info.strDisplayName = strPath;
        ports.push_back(info);
    }
    // Device servers are not discovered: those connected to before are
    // offered again.
    for (const std::string& strAddress : LoadNetPorts()) {
        SerialPortInfo info;
        info.strDisplayName = strAddress;
        ports.push_back(info);
    }
    try {
        std::vector<SerialPortInfo> found;
        EnumerateSerialPorts(found, false, m_discovery);
        ports.insert(ports.end(), found.begin(), found.end());
    } catch (const CSerialDiscoveryError& e) {
        // The ports named on the command line are there all the same.
        ShowMessageBox(e.what(), MessageIcon::Error);
    }
    // A port remembered by its stable name is found under the name it has
    // now (the adapter may be back on another ttyUSB number); one that
    // discovery does not list (a pseudo-terminal given with --port last
    // time) is offered while it is there.
    for (const SerialPortInfo& info : ports)
        if (!info.strStableName.empty() && info.strStableName == m_strPort)
            m_strPort = info.strDisplayName;
    const bool bListed = std::any_of(ports.begin(), ports.end(), [&](const SerialPortInfo& p) {
        return QString::fromStdString(p.strDisplayName)
            .startsWith(QString::fromStdString(m_strPort), Qt::CaseInsensitive);
    });
    std::error_code ec;
    if (!bListed && !m_strPort.empty() && m_strPort != NO_PORT && !IsNetPortName(m_strPort) &&
        std::filesystem::exists(CSerial::DevicePath(m_strPort.c_str()), ec)) {
        SerialPortInfo info;
        info.strDisplayName = m_strPort;
        ports.push_back(info);
    }
    QComboBox* pList = List(IDC_PORT_LIST);
    pList->clear();
    if (ports.empty()) {
        pList->addItem(QString::fromLatin1(NO_PORT));
        m_strPort = NO_PORT;
        pList->setCurrentIndex(0);
        return;
    }
    // Each item keeps the name to remember it by.
    for (const SerialPortInfo& info : ports)
        if (!info.strDisplayName.empty())
            pList->addItem(
                QString::fromStdString(info.strDisplayName),
                QString::fromStdString(info.strStableName.empty() ? info.strDisplayName : info.strStableName));
    int nItem = FindItem(*pList, m_strPort);
    if (nItem < 0) {
        const auto itUsb = std::find_if(ports.begin(), ports.end(), [](const SerialPortInfo& p) { return p.fUsb; });
        if (itUsb != ports.end()) {
            m_strPort = itUsb->strDisplayName;
            nItem = FindItem(*pList, m_strPort);
        }
    }
    if (nItem < 0) {
        nItem = 0;
        m_strPort = pList->itemText(0).toStdString();
    }
    pList->setCurrentIndex(nItem);
}

void CVardenDlg::OnPortList()
{
    if (IsConnected())
        SelectItem(IDC_PORT_LIST, m_nPortIndex);
}

void CVardenDlg::OnLinkButton()
{
    m_nPortIndex = SelectedItem(IDC_PORT_LIST);
    m_strPort = List(IDC_PORT_LIST)->currentText().toStdString();
    if (IsConnected()) {
        // Changes on their way go first; a second click stops them.
        if (IsWaitingForChanges())
            StopSending();
        else if (m_deviceLink.HasPendingChanges())
            WaitForChanges(AfterSending::Disconnect);
        else {
            Disconnect();
            SetTitle(NO_PORT);
        }
        return;
    }
    // The link's own box says only that the port did not open; the user
    // needs to know why, so it is taken here and shown with the reason.
    std::string strLinkMessage;
    MessageBoxHandler previous = SetMessageBoxHandler([&](const std::string& strText, MessageIcon, MessageButtons) {
        strLinkMessage = strText;
        return MessageAnswer::Ok;
    });
    m_write.nSlot = -1;
    // A device server may take seconds to answer, or never: the window goes
    // on meanwhile and the user can stop it. A local port opens at once.
    CCommand::OpenRunner fnRunOpen;
    if (IsNetPortName(m_strPort))
        fnRunOpen = [this](const std::function<bool()>& fnOpen) { return OpenWhileConnecting(fnOpen); };
    const bool bOpened = m_deviceLink.Connect(m_strPort, CDeviceLink::ConnectMode::Full, fnRunOpen);
    SetMessageBoxHandler(std::move(previous));
    if (!bOpened) {
        Disconnect();
        // The user stopped it: nothing went wrong with the port.
        if (m_deviceLink.GetPortError() == ECANCELED) {
            ShowMessageBox(MSG_NOT_CONNECTED + DescribePortError(m_strPort, ECANCELED));
            return;
        }
        // A port that opens but takes no line settings (not a serial port)
        // gets no box from the link; the user is told all the same.
        if (strLinkMessage.empty())
            strLinkMessage = MSG_UNABLE_TO_OPEN;
        ShowMessageBox(strLinkMessage + "\n" + DescribePortError(m_strPort, m_deviceLink.GetPortError()),
                       MessageIcon::Error);
        return;
    }
    // Connect cleared every change mark, asked for the names and the live
    // preset, and started the link timer.
    UpdatePresetNameEdits();
    SetPressed(IDC_LINK, true);
    // A typed address becomes an item of the list, so that the list shows
    // the port in use whenever it is set back to it.
    QComboBox* pList = List(IDC_PORT_LIST);
    if (pList->currentIndex() < 0 || pList->itemText(pList->currentIndex()) != pList->currentText()) {
        const QString strTyped = QString::fromStdString(m_strPort);
        m_nPortIndex = pList->findText(strTyped, Qt::MatchExactly);
        if (m_nPortIndex < 0) {
            pList->addItem(strTyped, strTyped);
            m_nPortIndex = pList->count() - 1;
        }
        pList->setCurrentIndex(m_nPortIndex);
    }
    m_pSettings->SetLastPort(pList->currentData().toString().toStdString());
    RememberNetPort(m_strPort);  // only network addresses are kept
}

bool CVardenDlg::OpenWhileConnecting(const std::function<bool()>& fnOpen)
{
    CNetStop stop;
    CSendingBox box(this);
    box.SetConnecting(m_strPort);
    QEventLoop loop;
    connect(&box, &CSendingBox::Stop, &loop, [&stop] { stop.Stop(); });
    bool bOpened = false;
    m_bOpeningPort = true;
    std::thread worker([&] {
        bOpened = fnOpen();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    box.open();
    loop.exec();
    worker.join();
    m_bOpeningPort = false;
    box.hide();
    // The keyboard goes back to the window the box stood over.
    activateWindow();
    return bOpened;
}

void CVardenDlg::ReadPresetSlotControls()
{
    for (int r = 0; r < NUM_SLOT_ROWS; ++r) {
        if (Item<QRadioButton>(IDC_SLOT_RADIO + r)->isChecked())
            m_nPresetSlot = r;
        m_strSlotEdit[static_cast<std::size_t>(r)] = QStringToName(NameField(r)->text());
    }
}

void CVardenDlg::ShowPresetNameFields()
{
    for (int r = 0; r < NUM_SLOT_ROWS; ++r)
        NameField(r)->setText(NameToQString(GetPresetName(r + 1)));
}

// Asks first, then needs the connection; then takes the slot and the names.
bool CVardenDlg::ConfirmTransfer(const char* pszQuestion)
{
    if (!Confirmed(pszQuestion))
        return false;
    if (!IsConnected()) {
        ShowMessageBox(MSG_OPEN_PORT_FIRST);
        return false;
    }
    ReadPresetSlotControls();
    return true;
}

void CVardenDlg::OnWritePreset()
{
    if (!ConfirmTransfer(MSG_CONFIRM_WRITE))
        return;
    const std::string strName = m_strSlotEdit[static_cast<std::size_t>(m_nPresetSlot)];
    m_write = {m_nPresetSlot + 1, GetPresetName(m_nPresetSlot + 1), windowTitle()};
    m_deviceLink.SetPresetName(m_nPresetSlot + 1, strName);
    SetTitle(strName);
    m_deviceLink.WriteToDevice(m_nPresetSlot + 1);
    RememberPresetStored();
}

void CVardenDlg::OnReadPreset()
{
    // The read preset replaces what the device plays, too: the question says so.
    ReadPresetSlotControls();
    const int nSlot = m_nPresetSlot + 1;
    const std::string strPlayed = "\nPreS" + std::to_string(nSlot) + " '" + Windows1252ToUtf8(GetPresetName(nSlot)) +
                                  "' will be loaded into the window and played by the device";
    if (!ConfirmTransfer((MSG_CONFIRM_READ + (IsConnected() ? strPlayed : std::string())).c_str()))
        return;
    ShowPresetNameFields();
    SetTitle(GetPresetName(m_nPresetSlot + 1));
    m_write.nSlot = -1;
    m_deviceLink.ReadFromDevice(m_nPresetSlot + 1);
}

void CVardenDlg::OnLinkLost(LinkLoss loss)
{
    // The port did open and worked: say what went wrong after it, what a
    // write that was under way has left on the device, and which changes
    // did not go.
    std::string strText = std::string(MSG_CONNECTION_LOST) + ": " + DescribeLinkLoss(loss, m_strPort);
    const std::string strWrite = TakeUnfinishedWrite();
    if (!strWrite.empty())
        strText += "\n" + strWrite;
    const std::string strUndelivered = UndeliveredText();
    if (!strUndelivered.empty())
        strText += "\n" + strUndelivered;
    ShowMessageBox(strText, MessageIcon::None);
    AfterLinkLost();
}

void CVardenDlg::OnPresetNamesReceived()
{
    m_deviceLink.OnPresetNamesReceived();
    ShowPresetNameFields();
}

void CVardenDlg::OnPresetReadComplete()
{
    // Links are the window's own: a device found holding what the window
    // shows (a reconnect) changes nothing, the links included.
    const bool bHeld = m_deviceLink.HoldsReceivedBlocks();
    // Channel 0 from block 0; in bass link mode channel 1 follows it and
    // goes back to the device, else it takes block 1; then 2 and 3. A
    // stored preset read goes on to the live setting under its name.
    if (m_deviceLink.LoadReceivedPreset())
        m_write = {0, std::string(), QString()};
    SelectChannel(m_nCurChannel);
    if (!bHeld)
        InitLinkGroups();
    RememberPresetStored();
}
