// The controller core: start-up state, link groups, caption, name fields,
// the link timer and the port's event message, and where every message and
// control notification of the window goes.
#include "VardenDlg.h"
#include "FilePathText.h"
#include "PresetNameText.h"

#include <QLineEdit>
#include <QTimerEvent>
#include <filesystem>

#include "BitmapSlider.h"
#include "ControlIds.h"
#include "FStatic.h"
#include "FileDialogST.h"
#include "GradientProgressCtrl.h"
#include "LinkMessages.h"
#include "LinkState.h"
#include "MessageRegistry.h"
#include "SerialTypes.h"
#include "SkinLayout.h"
#include "WindowMessage.h"

namespace {
const UINT g_nComMsg = RegisterWindowMessage("CSerialWnd_DefaultComMsg");
constexpr const char* TITLE_PREFIX = "VARDEN  ";
constexpr const char* MUSIC_FOLDER = "MusicFile";
constexpr const char* DIALOG_PATTERN = "/MusicFile/*.dia";

// Marks folded port events as pending even when their bits are all 0.
constexpr WPARAM PORT_EVENTS_PENDING = WPARAM{1} << 32;

int LowWord(WPARAM w)
{
    return static_cast<int>(w & 0xFFFF);
}
}  // namespace

CVardenDlg::CVardenDlg(QWidget* pParent)
    : QWidget(pParent),
      // Owned by the window as its child control 1080.
      m_pProgress(new CGradientProgressCtrl(this, IDC_PROGRESS)),
      m_deviceLink(m_route, *this, *m_pProgress)
{
    m_nPresetSlot = 0;
    m_deviceLink.ForgetSlotNames();
    m_pCurData = &m_route.GetChannel(0);
    m_pCurCurves = &m_curves.GetOutData(0);
    // A fixed-size dialog with a minimize box and the system menu's close.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(SkinWindowPixelSize());
    setFocusPolicy(Qt::ClickFocus);
    setAcceptDrops(true);
    CreateControls();
}

CVardenDlg::~CVardenDlg()
{
    // Closing the window closes the port; nothing is sent or saved.
    m_linkTimer.stop();
    m_deviceLink.GetLink().Close();
}

void CVardenDlg::AddExtraPort(const std::string& strPath)
{
    if (m_astrExtraPorts.empty())
        m_strPort = strPath;
    m_astrExtraPorts.push_back(strPath);
}

void CVardenDlg::InitController()
{
    std::error_code ec;
    m_szWorkDir = std::filesystem::current_path(ec).string();
    m_szOpenDlgPath = m_szWorkDir + DIALOG_PATTERN;
    m_szSaveDlgPath = m_szWorkDir + DIALOG_PATTERN;
    // A folder that cannot be made is not reported here: saving says so.
    if (!std::filesystem::exists(MUSIC_FOLDER, ec))
        std::filesystem::create_directory(MUSIC_FOLDER, ec);
    m_nCurChannel = 0;
    m_nPortIndex = 0;
    UpdatePresetNameEdits();
    m_deviceLink.ForgetSlotNames();
}

void CVardenDlg::InitLinkGroups()
{
    if (g_bBassLink)
        return;
    ResetLinkGroups(m_route);
    for (int k = 0; k < NUM_CHANNELS; ++k)
        SelectItem(IDC_LINK_LIST + k, k);
}

void CVardenDlg::SetTitle(const std::string& strText)
{
    setWindowTitle(QString::fromLatin1(TITLE_PREFIX) + NameToQString(strText));
}

void CVardenDlg::SetFileTitle(const std::string& strPath)
{
    // Preset names are Windows-1252; a file's name is in the file system's
    // encoding.
    const std::string strName = CFileDialogST::SplitPath(strPath).strName;
    setWindowTitle(QString::fromLatin1(TITLE_PREFIX) + PathToQString(strName));
}

void CVardenDlg::UpdatePresetNameEdits()
{
    for (int r = 0; r < NUM_PRESET_SLOTS - 1; ++r)
        if (QLineEdit* pField = NameField(r))
            pField->setReadOnly(!IsConnected());
}

void CVardenDlg::Disconnect()
{
    m_deviceLink.Disconnect();
}

void CVardenDlg::OnTimer(int nIDEvent)
{
    if (nIDEvent != ID_TIMER_LINK)
        return;
    m_deviceLink.OnLinkTick();
    FollowSending();
}

void CVardenDlg::OnPortEvent(WPARAM wParam)
{
    // Nothing has been sent yet, so nothing is owed to us; the device
    // server's own answers are the opening's to read.
    if (m_bOpeningPort)
        return;
    m_deviceLink.OnPortEvent(wParam);
}

// CLinkWindow: the link talks to the window through these.

bool CVardenDlg::PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == g_nComMsg) {
        // A paced line brings a byte at a time, each with its own event; one
        // message reads whatever has arrived, so a burst is posted once.
        if (m_nPendingPortEvents.fetch_or(wParam | PORT_EVENTS_PENDING) != 0)
            return true;
        PostWindowMessage(this, static_cast<int>(nMsg), 0, lParam);
        return true;
    }
    PostWindowMessage(this, static_cast<int>(nMsg), wParam, lParam);
    return true;
}

LRESULT CVardenDlg::SendMessage(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    return SendWindowMessage(this, static_cast<int>(nMsg), wParam, lParam);
}

void CVardenDlg::EnableWindow(bool bEnable)
{
    // The controls keep their looks and meaning through a transfer; the busy
    // pointer and the progress bar say that the window waits.
    m_inputBlocker.Block(!bEnable);
}

void CVardenDlg::StartLinkTimer()
{
    m_linkTimer.start(LINK_TICK_MS, this);
}

void CVardenDlg::StopLinkTimer()
{
    m_linkTimer.stop();
}

void CVardenDlg::OnLinkDisconnected()
{
    SetPressed(IDC_LINK, false);
    UpdatePresetNameEdits();
}

void CVardenDlg::timerEvent(QTimerEvent* pEvent)
{
    if (pEvent->timerId() == m_linkTimer.timerId())
        OnTimer(ID_TIMER_LINK);
    else
        QWidget::timerEvent(pEvent);
}

bool CVardenDlg::event(QEvent* pEvent)
{
    auto* pMsg = dynamic_cast<CWindowMessageEvent*>(pEvent);
    if (!pMsg)
        return QWidget::event(pEvent);
    const int nMsg = pMsg->Message();
    const WPARAM w = pMsg->wParam();
    if (nMsg == WM_COMMAND_EVENT) {
        const int nId = LowWord(w);
        BeginStep(StepLabel(nId));
        OnCommand(nId);
        EndStep();
    } else if (nMsg == WM_SLIDER_MOVING || nMsg == WM_SLIDER_MOVED) {
        // A drag is one step from press to release.
        const int nId = static_cast<int>(w);
        BeginStep(StepLabel(nId), nId);
        if (IsBandControl(nId, IDC_BAND_FADER))
            OnBandFader(nId - IDC_BAND_FADER);
        else
            OnChannelFader(nId);
        EndStep(Fader(nId) && Fader(nId)->IsDragging());
    } else if (nMsg == WM_GRAPH_CHANGED) {
        const int nElement = static_cast<int>(w);
        BeginStep(GraphStepLabel(nElement), GraphStepKey(nElement));
        if (nElement >= 0 && nElement < NUM_BANDS)
            OnGraphBand(nElement);
        else
            OnGraphCrossover(nElement);
        EndStep(Graph()->IsDragging());
    } else if (nMsg == static_cast<int>(WM_PRESET_NAMES_RECEIVED)) {
        OnPresetNamesReceived();
    } else if (nMsg == static_cast<int>(WM_PRESET_READ_COMPLETE)) {
        BeginStep("Read");
        OnPresetReadComplete();
        EndStep();
    } else if (nMsg == static_cast<int>(g_nComMsg)) {
        OnPortEvent(m_nPendingPortEvents.exchange(0) & ~PORT_EVENTS_PENDING);
    } else {
        return QWidget::event(pEvent);
    }
    return true;
}

void CVardenDlg::OnCommand(int nId)
{
    struct Route {
        int nFirst;
        int nCount;
        void (*pfn)(CVardenDlg&, int);
    };
    static const Route s_routes[] = {
        {IDC_BAND_BYPASS, NUM_BANDS, [](CVardenDlg& d, int i) { d.OnBandBypass(i); }},
        {IDC_BAND_GAIN, NUM_BANDS, [](CVardenDlg& d, int i) { d.OnBandGainField(i); }},
        {IDC_BAND_Q, NUM_BANDS, [](CVardenDlg& d, int i) { d.OnBandQField(i); }},
        {IDC_EQ_BYPASS_ALL, 1, [](CVardenDlg& d, int) { d.OnEqBypassAll(); }},
        {IDC_EQ_GAIN_MODE, 1, [](CVardenDlg& d, int) { d.OnGainMode(); }},
        {IDC_EQ_Q_MODE, 1, [](CVardenDlg& d, int) { d.OnQMode(); }},
        {IDC_GAIN_FIELD, 1, [](CVardenDlg& d, int) { d.OnGainField(); }},
        {IDC_HPF_FIELD, 1, [](CVardenDlg& d, int) { d.OnHpfField(); }},
        {IDC_LPF_FIELD, 1, [](CVardenDlg& d, int) { d.OnLpfField(); }},
        {IDC_DELAY_FIELD, 1, [](CVardenDlg& d, int) { d.OnDelayField(); }},
        {IDC_DELAY_OFF, 1, [](CVardenDlg& d, int) { d.OnDelayOff(); }},
        {IDC_INPUT_HIGH, 1, [](CVardenDlg& d, int) { d.OnInputHigh(); }},
        {IDC_INPUT_LOW, 1, [](CVardenDlg& d, int) { d.OnInputLow(); }},
        {IDC_CHANNEL_BUTTON, NUM_CHANNELS, [](CVardenDlg& d, int k) { d.OnChannelButton(k); }},
        {IDC_OUTPUT_SWITCH, NUM_CHANNELS, [](CVardenDlg& d, int k) { d.OnOutputSwitch(k); }},
        {IDC_POLARITY, NUM_CHANNELS, [](CVardenDlg& d, int k) { d.OnPolarity(k); }},
        {IDC_GATE_FIELD, NUM_CHANNELS, [](CVardenDlg& d, int k) { d.OnGateField(k); }},
        {IDC_BASS_LINK, 1, [](CVardenDlg& d, int) { d.OnBassLinkMode(); }},
        {IDC_SAVE, 1, [](CVardenDlg& d, int) { d.OnSavePreset(); }},
        {IDC_OPEN, 1, [](CVardenDlg& d, int) { d.OnOpenPreset(); }},
        {IDC_SEARCH, 1, [](CVardenDlg& d, int) { d.RefreshPortList(); }},
        {IDC_LINK, 1, [](CVardenDlg& d, int) { d.OnLinkButton(); }},
        {IDC_WRITE, 1, [](CVardenDlg& d, int) { d.OnWritePreset(); }},
        {IDC_READ, 1, [](CVardenDlg& d, int) { d.OnReadPreset(); }},
    };
    for (const Route& route : s_routes) {
        if (nId >= route.nFirst && nId < route.nFirst + route.nCount) {
            route.pfn(*this, nId - route.nFirst);
            return;
        }
    }
}

void CVardenDlg::OnListSelChange(int nId)
{
    switch (nId) {
    case IDC_HPF_TYPE:
        OnHpfType();
        break;
    case IDC_HPF_SLOPE:
        OnHpfSlope();
        break;
    case IDC_LPF_TYPE:
        OnLpfType();
        break;
    case IDC_LPF_SLOPE:
        OnLpfSlope();
        break;
    case IDC_DELAY_UNIT:
        OnDelayUnit();
        break;
    case IDC_PORT_LIST:
        OnPortList();
        break;
    default:
        if (nId >= IDC_LINK_LIST && nId < IDC_LINK_LIST + NUM_CHANNELS)
            OnLinkList(nId - IDC_LINK_LIST);
        break;
    }
}
