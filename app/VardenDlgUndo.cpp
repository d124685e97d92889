// Undo and redo. Every user action is wrapped as one step: the preset (a
// compact copy) before it is kept when the action changed the preset. A fader
// or graph drag is one step from press to release. Taking a step back
// restores the whole preset, links and bass link mode included, and only the
// frames whose values differ go to the device, as after any edit.
#include <QMenu>

#include "Audio_OutData.h"
#include "BitmapSlider.h"
#include "ControlIds.h"
#include "FStatic.h"
#include "LinkState.h"
#include "VardenDlg.h"

namespace {
// Merge keys of drags: a fader's own id, the graph's elements above these.
constexpr int GRAPH_STEP_KEY = 100000;

std::string BandWords(int nBand, const char* pszWhat)
{
    return "band " + std::to_string(nBand + 1) + " " + pszWhat;
}

std::string ChannelWords(int k, const char* pszWhat)
{
    return "CH" + std::to_string(k + 1) + " " + pszWhat;
}
}  // namespace

std::string CVardenDlg::StepLabel(int nId) const
{
    struct Range {
        int nFirst;
        int nCount;
        const char* pszWhat;
        bool bBand;
    };
    static const Range s_ranges[] = {
        {IDC_BAND_GAIN, NUM_BANDS, "gain", true},        {IDC_BAND_Q, NUM_BANDS, "Q", true},
        {IDC_BAND_BYPASS, NUM_BANDS, "bypass", true},    {IDC_OUTPUT_SWITCH, NUM_CHANNELS, "output", false},
        {IDC_POLARITY, NUM_CHANNELS, "polarity", false}, {IDC_GATE_FIELD, NUM_CHANNELS, "noise gate", false},
    };
    if (IsBandControl(nId, IDC_BAND_FADER))
        return BandWords(nId - IDC_BAND_FADER, m_bQMode ? "Q" : "gain");
    for (const Range& range : s_ranges)
        if (nId >= range.nFirst && nId < range.nFirst + range.nCount)
            return range.bBand ? BandWords(nId - range.nFirst, range.pszWhat)
                               : ChannelWords(nId - range.nFirst, range.pszWhat);
    if (nId >= IDC_LINK_LIST && nId < IDC_LINK_LIST + NUM_CHANNELS)
        return "Linking";
    switch (nId) {
    case IDC_EQ_BYPASS_ALL:
        return "EQ bypass";
    case IDC_GAIN_FADER:
    case IDC_GAIN_FIELD:
        return "channel gain";
    case IDC_HPF_FADER:
    case IDC_HPF_FIELD:
        return "HPF frequency";
    case IDC_HPF_TYPE:
        return "HPF mode";
    case IDC_HPF_SLOPE:
        return "HPF slope";
    case IDC_LPF_FADER:
    case IDC_LPF_FIELD:
        return "LPF frequency";
    case IDC_LPF_TYPE:
        return "LPF mode";
    case IDC_LPF_SLOPE:
        return "LPF slope";
    case IDC_DELAY_FADER:
    case IDC_DELAY_FIELD:
        return "delay";
    case IDC_DELAY_OFF:
        return "delay off";
    case IDC_INPUT_HIGH:
    case IDC_INPUT_LOW:
        return "input level";
    case IDC_BASS_LINK:
        return "bass link";
    case IDC_OPEN:
        return "Open";
    default:
        return "edit";
    }
}

std::string CVardenDlg::GraphStepLabel(int nElement) const
{
    if (nElement >= 0 && nElement < NUM_BANDS)
        return BandWords(nElement, "gain");
    return StepLabel(nElement == CAudio_OutData::GetHighPassIndex() ? IDC_HPF_FADER : IDC_LPF_FADER);
}

int CVardenDlg::GraphStepKey(int nElement)
{
    return GRAPH_STEP_KEY + nElement;
}

CUndoHistory::State CVardenDlg::CaptureState() const
{
    return {CPresetSnapshot::Take(m_route, m_route.GetName()), windowTitle().toStdString()};
}

void CVardenDlg::BeginStep(const std::string& strLabel, int nMergeKey)
{
    // An action inside another (a box's own event loop, a channel change
    // handing over a pending graph move) is part of the outer one.
    if (m_nStepDepth++ > 0)
        return;
    if (m_step.bOpen && (nMergeKey == 0 || nMergeKey != m_step.nKey)) {
        // A graph move let go but not yet reported belongs to its own drag.
        Graph()->OnTimer(ID_TIMER_GRAPH);
        CloseStep();
    }
    if (!m_step.bOpen)
        m_step = {true, strLabel, nMergeKey, CaptureState()};
}

void CVardenDlg::EndStep(bool bKeepOpen)
{
    if (--m_nStepDepth > 0 || bKeepOpen)
        return;
    CloseStep();
}

void CVardenDlg::CloseStep()
{
    if (!m_step.bOpen)
        return;
    m_step.bOpen = false;
    // Actions that changed nothing (a channel key, a fader only focused)
    // are no steps.
    if (!(CPresetSnapshot::Take(m_route, m_route.GetName()) == m_step.before.preset))
        m_history.Push(m_step.strLabel, std::move(m_step.before));
}

void CVardenDlg::Undo()
{
    CloseStep();
    if (m_history.CanUndo())
        ApplyState(m_history.Undo(CaptureState()));
}

void CVardenDlg::Redo()
{
    CloseStep();
    if (m_history.CanRedo())
        ApplyState(m_history.Redo(CaptureState()));
}

void CVardenDlg::ApplyState(const CUndoHistory::State& state)
{
    state.preset.Restore(m_route);
    // The live name is part of what the device holds, as the values are.
    if (state.preset.strName != m_route.GetName())
        m_deviceLink.SendLiveName(state.preset.strName);
    setWindowTitle(QString::fromStdString(state.strCaption));
    SetPressed(IDC_BASS_LINK, g_bBassLink);
    for (int k = 0; k < NUM_CHANNELS; ++k)
        SelectItem(IDC_LINK_LIST + k, g_anLinkGroup[k]);
    EnableBassLinkedControls();
    // In bass link mode channel 0 is the one edited.
    const int nChannel = g_bBassLink ? 0 : m_nCurChannel;
    if (nChannel != m_nCurChannel)
        SetPressed(IDC_CHANNEL_BUTTON + m_nCurChannel, false);
    SelectChannel(nChannel);
}

void CVardenDlg::AddUndoActions(QMenu& menu)
{
    // Named after what they act on, and greyed when there is nothing. A
    // Write to a device slot is no step: the device keeps what was written.
    QAction* pUndo =
        menu.addAction(QString::fromStdString("Undo " + m_history.UndoLabel()).trimmed(), this, [this] { Undo(); });
    pUndo->setEnabled(m_history.CanUndo());
    pUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* pRedo =
        menu.addAction(QString::fromStdString("Redo " + m_history.RedoLabel()).trimmed(), this, [this] { Redo(); });
    pRedo->setEnabled(m_history.CanRedo());
    pRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
}
