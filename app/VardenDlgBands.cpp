// EQ band editing: the 31 band faders, gain and Q fields, bypass switches,
// the graph's band handles, the fader mode keys and bypass-all.
#include "Audio_OutData.h"
#include "BitmapSlider.h"
#include "ControlIds.h"
#include "FStatic.h"
#include "FontStatic.h"
#include "LinkState.h"
#include "NumEdit.h"
#include "TALVData.h"
#include "VardenDlg.h"
#include "WindowMessage.h"

namespace {
constexpr int GAIN_FADER_MAX = 400;
constexpr int Q_FADER_MAX = 59;
constexpr int BAND_FADER_MARGIN = 8;
constexpr int IDB_BAND_FADER = 158;
constexpr int IDB_FADER_THUMB = 159;
constexpr CFontStatic::COLORREF LABEL_HIGHLIGHT = 0x0000FF;  // red
constexpr CFontStatic::COLORREF LABEL_NORMAL = 0x000000;
}  // namespace

void CVardenDlg::SetBandFaderMode(int nMax, bool bGainFields)
{
    for (int b = 0; b < NUM_BANDS; ++b) {
        CBitmapSlider* pFader = Fader(IDC_BAND_FADER + b);
        pFader->SetBitmapChannel(IDB_BAND_FADER);
        pFader->SetBitmapThumb(IDB_FADER_THUMB, 0, true);
        pFader->SetMargin(BAND_FADER_MARGIN, 0, 0, 0);
        pFader->SetVertical(true);
        pFader->SetRange(0, nMax);
        pFader->SetInvertedPos(nMax);
        EnableItem(IDC_BAND_GAIN + b, bGainFields);
        EnableItem(IDC_BAND_Q + b, !bGainFields);
    }
}

void CVardenDlg::SetGainFaderMode()
{
    SetBandFaderMode(GAIN_FADER_MAX, true);
}

void CVardenDlg::SetQFaderMode()
{
    SetBandFaderMode(Q_FADER_MAX, false);
}

void CVardenDlg::RefreshBandView()
{
    m_pCurCurves->SetABFlag(m_pCurData->GetABFlag());
    RefreshEqAllSwitch();
    for (int b = 0; b < NUM_BANDS; ++b) {
        const short g = m_pCurData->GetGain(b);
        const short q = m_pCurData->GetQ(b);
        ShowValue(IDC_BAND_GAIN + b, g);
        BandFilter(b).SetGainIndex(g);
        ShowValue(IDC_BAND_Q + b, q);
        BandFilter(b).SetQIndex(q);
        Fader(IDC_BAND_FADER + b)->SetInvertedPos(m_bQMode ? q : g);
        RefreshBandSwitch(b);
    }
}

void CVardenDlg::RefreshBandSwitch(int nBand)
{
    SetPressed(IDC_BAND_BYPASS + nBand, m_pCurData->IsBandBypassed(nBand) != 0);
}

void CVardenDlg::RefreshEqAllSwitch()
{
    SetPressed(IDC_EQ_BYPASS_ALL, m_pCurData->AreAllBandsBypassed());
}

void CVardenDlg::SelectBandLabel(int nBand)
{
    if (m_nSelBand == -1) {
        if (m_pSelBandLabel)
            m_pSelBandLabel->SetTextColor(LABEL_NORMAL);
        m_pSelBandLabel = nullptr;
        m_nSelBand = -2;
        return;
    }
    if (m_pSelBandLabel) {
        if (nBand == m_nSelBand)
            return;
        m_pSelBandLabel->SetTextColor(LABEL_NORMAL);
    }
    m_pSelBandLabel = Label(IDC_BAND_LABEL + nBand);
    m_pSelBandLabel->SetTextColor(LABEL_HIGHLIGHT);
    m_nSelBand = nBand;
}

void CVardenDlg::SetLinkedGain(int c, short nGain, int nBand)
{
    for (int i = 0; i < NUM_CHANNELS; ++i)
        if (IsLinked(i, c) && g_apChannel[i])
            g_apChannel[i]->SetGain(nGain, nBand);
}

bool CVardenDlg::SetBandGain(int c, int nBand, short nGain)
{
    CTALVData& channel = m_route.GetChannel(c);
    channel.SetGain(nGain, nBand);
    if (!channel.GetABFlag())
        return false;
    SetLinkedGain(c, nGain, nBand);
    return true;
}

void CVardenDlg::ShowBandGain(int nBand, short nGain)
{
    BandFilter(nBand).SetGainIndex(nGain);
    ShowValue(IDC_BAND_GAIN + nBand, nGain);
    if (!m_bQMode)
        Fader(IDC_BAND_FADER + nBand)->SetInvertedPos(nGain);
    RefreshBandSwitch(nBand);
}

void CVardenDlg::OnBandFader(int nBand)
{
    // Focus, a click on the thumb or a key at the end of the scale report the
    // fader where it stands: only movement edits. Taking the position of a
    // bypassed band as a gain would overwrite the gain kept for un-bypassing.
    const short nStored = m_bQMode ? m_pCurData->GetQ(nBand) : m_pCurData->GetGain(nBand);
    if (Fader(IDC_BAND_FADER + nBand)->GetInvertedPos() != nStored) {
        if (m_bQMode)
            FaderToQ(nBand);
        else
            FaderToGain(nBand);
    }
    SelectBandLabel(nBand);
}

void CVardenDlg::FaderToGain(int nBand)
{
    const short v = static_cast<short>(Fader(IDC_BAND_FADER + nBand)->GetInvertedPos());
    ShowValue(IDC_BAND_GAIN + nBand, v);
    const bool bLinked = SetBandGain(m_pCurData->GetChannel(), nBand, v);
    BandFilter(nBand).SetGainIndex(v);
    Graph()->Redraw(bLinked ? nBand : -1);
    RefreshBandSwitch(nBand);
    SetPressed(IDC_EQ_BYPASS_ALL, m_pCurCurves->IsAllFlat() != 0);
}

void CVardenDlg::FaderToQ(int nBand)
{
    const short v = static_cast<short>(Fader(IDC_BAND_FADER + nBand)->GetInvertedPos());
    ShowValue(IDC_BAND_Q + nBand, v);
    m_pCurData->SetQ(v, nBand);
    BandFilter(nBand).SetQIndex(v);
    Graph()->Redraw(nBand);
}

void CVardenDlg::OnBandGainField(int nBand)
{
    const short v = static_cast<short>(FieldValue(IDC_BAND_GAIN + nBand));
    // A value the band already has (a wheel turned half a step, the shown
    // value typed again) is no edit.
    if (v == m_pCurData->GetGain(nBand)) {
        SelectBandLabel(nBand);
        return;
    }
    Fader(IDC_BAND_FADER + nBand)->SetInvertedPos(v);
    const bool bLinked = SetBandGain(m_pCurData->GetChannel(), nBand, v);
    BandFilter(nBand).SetGainIndex(v);
    Graph()->Redraw(bLinked ? nBand : -1);
    RefreshBandSwitch(nBand);
    RefreshEqAllSwitch();
    SelectBandLabel(nBand);
}

void CVardenDlg::OnBandQField(int nBand)
{
    const short v = static_cast<short>(FieldValue(IDC_BAND_Q + nBand));
    if (v == m_pCurData->GetQ(nBand)) {
        SelectBandLabel(nBand);
        return;
    }
    BandFilter(nBand).SetQIndex(v);
    m_pCurData->SetQ(v, nBand);
    Fader(IDC_BAND_FADER + nBand)->SetInvertedPos(v);
    Graph()->Redraw(nBand);
    SelectBandLabel(nBand);
}

void CVardenDlg::OnBandBypass(int nBand)
{
    const int want = IsPressed(IDC_BAND_BYPASS + nBand) ? 0 : 1;
    m_pCurData->SetBandBypass(nBand, want);
    const int now = m_pCurData->IsBandBypassed(nBand);
    if (now == want) {
        ShowBandGain(nBand, m_pCurData->GetGain(nBand));
        const int c = m_pCurData->GetChannel();
        for (int i = 0; i < NUM_CHANNELS; ++i)
            if (IsLinked(i, c) && g_apChannel[i])
                g_apChannel[i]->SetBandBypass(nBand, now);
        RefreshEqAllSwitch();
    }
    Graph()->Redraw(-1);
}

void CVardenDlg::OnGraphBand(int nBand)
{
    const short g = static_cast<short>(BandFilter(nBand).GetGainIndex());
    // A handle let go where it was taken: a bypassed band keeps its gain.
    if (g == m_pCurData->GetGain(nBand)) {
        SelectBandLabel(nBand);
        return;
    }
    if (!m_bQMode)
        Fader(IDC_BAND_FADER + nBand)->SetInvertedPos(g);
    ShowValue(IDC_BAND_GAIN + nBand, g);
    m_pCurData->SetGain(g, nBand);
    SetLinkedGain(m_pCurData->GetChannel(), g, nBand);
    RefreshBandSwitch(nBand);
    RefreshEqAllSwitch();
    SelectBandLabel(nBand);
}

void CVardenDlg::FocusSelectedBandFader()
{
    // The highlighted band's fader, the first band's too; with none
    // highlighted (negative) there is no fader to focus.
    if (m_nSelBand < 0)
        return;
    const int nBand = std::min(m_nSelBand, NUM_BANDS - 1);
    if (QWidget* pFader = GetDlgItem(IDC_BAND_FADER + nBand))
        PostWindowMessage(pFader, WM_SLIDER_TAKEFOCUS, 0, 0);
}

void CVardenDlg::OnGainMode()
{
    if (m_bQMode)
        SwitchFaderMode(false);
}

void CVardenDlg::OnQMode()
{
    if (!m_bQMode)
        SwitchFaderMode(true);
}

// The faders change what they show; the mode keys follow.
void CVardenDlg::SwitchFaderMode(bool bQMode)
{
    m_bQMode = bQMode ? 1 : 0;
    if (bQMode)
        SetQFaderMode();
    else
        SetGainFaderMode();
    for (int b = 0; b < NUM_BANDS; ++b)
        Fader(IDC_BAND_FADER + b)->SetInvertedPos(bQMode ? m_pCurData->GetQ(b) : m_pCurData->GetGain(b));
    SetPressed(IDC_EQ_GAIN_MODE, !bQMode);
    SetPressed(IDC_EQ_Q_MODE, bQMode);
    FocusSelectedBandFader();
}

void CVardenDlg::OnEqBypassAll()
{
    const bool was = IsPressed(IDC_EQ_BYPASS_ALL);
    m_pCurData->SetEqBypassAll(was ? 0 : 1);
    const bool now = m_pCurData->AreAllBandsBypassed();
    if (now != was)
        SendEqBulk();
    SetPressed(IDC_EQ_BYPASS_ALL, now);
    m_pCurCurves->SetABFlag(m_pCurData->GetABFlag());
    for (int b = 0; b < NUM_BANDS; ++b)
        ShowBandGain(b, m_pCurData->GetGain(b));
    Graph()->Redraw(-1);
}

void CVardenDlg::SendEqBulk()
{
    m_deviceLink.SendEqChange(m_pCurData->GetChannel());
}
