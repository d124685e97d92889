// Crossover, gain, delay and input controls of the edited channel; the input
// level range exists once for the device and lives in channel 0.
#include "Audio_OutData.h"
#include "BitmapSlider.h"
#include "ControlIds.h"
#include "FStatic.h"
#include "NumEdit.h"
#include "TALVData.h"
#include "VardenDlg.h"

namespace {
// A delay fader this close to its end means the end.
constexpr int DELAY_SNAP_FROM = 940;
constexpr int DELAY_MAX = 960;

// Field 1077's mode for each item of the unit list: CM, MS, INCH.
constexpr int kDelayModeOfUnit[] = {1, 0, 2};

// The frequency a crossover fader was moved to, or 0 when it stands where the
// held frequency puts it. The scale is coarse, so reading a position back
// would turn a typed 40 Hz into 20 Hz (the high-pass off) or 1000 Hz into
// 1020 Hz: a frequency asked for by number is taken as asked.
int MovedFrequency(CBitmapSlider& fader, int nHeld)
{
    if (fader.GetAskedFrequency() > 0)
        return fader.GetAskedFrequency();
    if (fader.GetPos() == fader.PosOfFrequency(nHeld))
        return 0;
    return fader.GetFrequency();
}
}  // namespace

// A fader reported where the stored value already puts it (focus, a click on
// the thumb, a key at the end of the scale) changes nothing: only movement
// edits.
void CVardenDlg::OnChannelFader(int nId)
{
    switch (nId) {
    case IDC_GAIN_FADER: {
        const short v = static_cast<short>(Fader(IDC_GAIN_FADER)->GetInvertedPos());
        if (v == m_pCurData->GetChannelGain())
            break;
        ShowValue(IDC_GAIN_FIELD, v);
        m_pCurData->SetChannelGain(v);
        break;
    }
    case IDC_HPF_FADER: {
        CBitmapSlider* pFader = Fader(IDC_HPF_FADER);
        int f = MovedFrequency(*pFader, m_pCurData->GetHpfFreq());
        if (f == 0)
            break;
        const int l = m_pCurData->GetLpfFreq();
        const bool bClamped = f > l;
        if (bClamped)
            f = l;
        ApplyHpfFreq(f);
        // The thumb settles where the value lies on the scale; mid-drag it
        // stays under the pointer unless the other filter stopped it.
        if (bClamped || !pFader->IsDragging())
            pFader->SetFrequency(f);
        break;
    }
    case IDC_LPF_FADER: {
        CBitmapSlider* pFader = Fader(IDC_LPF_FADER);
        int f = MovedFrequency(*pFader, m_pCurData->GetLpfFreq());
        if (f == 0)
            break;
        const int h = m_pCurData->GetHpfFreq();
        const bool bClamped = f < h;
        if (bClamped)
            f = h;
        ApplyLpfFreq(f);
        // The thumb settles where the value lies on the scale; mid-drag it
        // stays under the pointer unless the other filter stopped it.
        if (bClamped || !pFader->IsDragging())
            pFader->SetFrequency(f);
        break;
    }
    case IDC_DELAY_FADER: {
        int v = Fader(IDC_DELAY_FADER)->GetInvertedPos();
        if (v == m_pCurData->GetDelay())
            break;
        if (v > DELAY_SNAP_FROM) {
            v = DELAY_MAX;
            Fader(IDC_DELAY_FADER)->SetInvertedPos(DELAY_MAX);
        }
        ApplyDelay(v);
        break;
    }
    default:
        break;
    }
}

void CVardenDlg::OnGainField()
{
    const int v = FieldValue(IDC_GAIN_FIELD);
    if (v == m_pCurData->GetChannelGain())
        return;
    Fader(IDC_GAIN_FADER)->SetInvertedPos(v);
    m_pCurData->SetChannelGain(static_cast<short>(v));
}

void CVardenDlg::OnHpfField()
{
    int f = FieldValue(IDC_HPF_FIELD);
    const int l = m_pCurData->GetLpfFreq();
    if (f > l) {
        f = l;
        ShowValue(IDC_HPF_FIELD, f);
    }
    Fader(IDC_HPF_FADER)->SetFrequency(f);
    ApplyHpfFreq(f);
}

void CVardenDlg::OnLpfField()
{
    int f = FieldValue(IDC_LPF_FIELD);
    const int h = m_pCurData->GetHpfFreq();
    if (f < h) {
        f = h;
        ShowValue(IDC_LPF_FIELD, f);
    }
    Fader(IDC_LPF_FADER)->SetFrequency(f);
    ApplyLpfFreq(f);
}

void CVardenDlg::OnDelayField()
{
    const int v = FieldValue(IDC_DELAY_FIELD);
    Fader(IDC_DELAY_FADER)->SetInvertedPos(v);
    ApplyDelay(v);
}

// The edits that end in a new crossover frequency or delay; a value the
// channel already holds sends nothing.
void CVardenDlg::ApplyHpfFreq(int f)
{
    if (f == m_pCurData->GetHpfFreq())
        return;
    ShowValue(IDC_HPF_FIELD, f);
    m_pCurData->SetHpfFreq(static_cast<short>(f));
    HighPass().SetFrequency(f);
    Graph()->Redraw(-1);
}

void CVardenDlg::ApplyLpfFreq(int f)
{
    if (f == m_pCurData->GetLpfFreq())
        return;
    ShowValue(IDC_LPF_FIELD, f);
    m_pCurData->SetLpfFreq(static_cast<short>(f));
    LowPass().SetFrequency(f);
    Graph()->Redraw(-1);
}

void CVardenDlg::ApplyDelay(int v)
{
    if (v == m_pCurData->GetDelay())
        return;
    ShowValue(IDC_DELAY_FIELD, v);
    m_pCurData->SetDelay(static_cast<short>(v));
    RefreshDelaySwitch();
}

void CVardenDlg::OnHpfType()
{
    const int t = SelectedItem(IDC_HPF_TYPE);
    m_pCurData->SetHpfType(static_cast<BYTE>(t));
    HighPass().SetAlignment(t);
    Graph()->Redraw(-1);
}

void CVardenDlg::OnHpfSlope()
{
    const int s = SelectedItem(IDC_HPF_SLOPE);
    m_pCurData->SetHpfSlope(static_cast<BYTE>(s));
    HighPass().SetSlope(s);
    Graph()->Redraw(-1);
}

void CVardenDlg::OnLpfType()
{
    const int t = SelectedItem(IDC_LPF_TYPE);
    m_pCurData->SetLpfType(static_cast<BYTE>(t));
    LowPass().SetAlignment(t);
    Graph()->Redraw(-1);
}

void CVardenDlg::OnLpfSlope()
{
    const int s = SelectedItem(IDC_LPF_SLOPE);
    m_pCurData->SetLpfSlope(static_cast<BYTE>(s));
    LowPass().SetSlope(s);
    Graph()->Redraw(-1);
}

void CVardenDlg::OnDelayUnit()
{
    const int nItem = SelectedItem(IDC_DELAY_UNIT);
    if (nItem >= 0 && nItem < static_cast<int>(std::size(kDelayModeOfUnit)))
        Field(IDC_DELAY_FIELD)->SetMode(kDelayModeOfUnit[nItem]);
}

void CVardenDlg::OnDelayOff()
{
    if (m_pCurData->GetDelay() == 0)
        return;
    SetPressed(IDC_DELAY_OFF, true);
    m_pCurData->SetDelay(0);
    Fader(IDC_DELAY_FADER)->SetInvertedPos(0);
    ShowValue(IDC_DELAY_FIELD, 0);
}

void CVardenDlg::RefreshDelaySwitch()
{
    SetPressed(IDC_DELAY_OFF, m_pCurData->GetDelay() == 0);
}

void CVardenDlg::OnGraphCrossover(int nElement)
{
    if (nElement == CAudio_OutData::GetHighPassIndex()) {
        const int f = HighPass().GetFrequency();
        Fader(IDC_HPF_FADER)->SetFrequency(f);
        ApplyHpfFreq(f);
    } else if (nElement == CAudio_OutData::GetLowPassIndex()) {
        const int f = LowPass().GetFrequency();
        Fader(IDC_LPF_FADER)->SetFrequency(f);
        ApplyLpfFreq(f);
    }
}

void CVardenDlg::OnInputHigh()
{
    m_bInputHigh = m_route.GetChannel(0).GetInputLevel();
    if (m_bInputHigh == 1) {
        RefreshInputLevelView();
        return;
    }
    SetPressed(IDC_INPUT_HIGH, true);
    SetPressed(IDC_INPUT_LOW, false);
    m_route.GetChannel(0).SetInputLevel(1);
}

void CVardenDlg::OnInputLow()
{
    m_bInputHigh = m_route.GetChannel(0).GetInputLevel();
    if (m_bInputHigh == 0) {
        RefreshInputLevelView();
        return;
    }
    SetPressed(IDC_INPUT_HIGH, false);
    SetPressed(IDC_INPUT_LOW, true);
    m_route.GetChannel(0).SetInputLevel(0);
}

void CVardenDlg::RefreshInputLevelView()
{
    m_bInputHigh = m_route.GetChannel(0).GetInputLevel();
    SetPressed(IDC_INPUT_HIGH, m_bInputHigh != 0);
    SetPressed(IDC_INPUT_LOW, m_bInputHigh == 0);
}

void CVardenDlg::RefreshGainDelayView()
{
    RefreshDelaySwitch();
    const short g = m_pCurData->GetChannelGain();
    Fader(IDC_GAIN_FADER)->SetInvertedPos(g);
    ShowValue(IDC_GAIN_FIELD, g);
    const short d = m_pCurData->GetDelay();
    Fader(IDC_DELAY_FADER)->SetInvertedPos(d);
    ShowValue(IDC_DELAY_FIELD, d);
    RefreshInputLevelView();
}

void CVardenDlg::RefreshCrossoverView()
{
    const int fh = m_pCurData->GetHpfFreq();
    Fader(IDC_HPF_FADER)->SetFrequency(fh);
    ShowValue(IDC_HPF_FIELD, fh);
    SelectItem(IDC_HPF_SLOPE, m_pCurData->GetHpfSlope());
    SelectItem(IDC_HPF_TYPE, m_pCurData->GetHpfType());
    HighPass().SetSlope(m_pCurData->GetHpfSlope());
    HighPass().SetAlignment(m_pCurData->GetHpfType());
    HighPass().SetFrequency(fh);
    Graph()->Redraw(-1);

    const int fl = m_pCurData->GetLpfFreq();
    Fader(IDC_LPF_FADER)->SetFrequency(fl);
    ShowValue(IDC_LPF_FIELD, fl);
    SelectItem(IDC_LPF_SLOPE, m_pCurData->GetLpfSlope());
    SelectItem(IDC_LPF_TYPE, m_pCurData->GetLpfType());
    LowPass().SetSlope(m_pCurData->GetLpfSlope());
    LowPass().SetAlignment(m_pCurData->GetLpfType());
    LowPass().SetFrequency(fl);
    Graph()->Redraw(-1);
}
