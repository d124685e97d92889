// What each control says about itself: its tooltip, the name accessibility
// tools know it by, and for the faders the units their value reads in.
#include <QString>

#include "BitmapSlider.h"
#include "ControlIds.h"
#include "FaderScale.h"
#include "FreqTables.h"
#include "NumEdit.h"
#include "VardenDlg.h"

namespace {

// How a row of the table numbers its controls: %1 in its texts becomes the
// band ("Band 6, 63 Hz"), the channel or the slot (1-based, as printed on
// the panel), or nothing for a single control.
enum class Series { One, Band, Channel, Slot };

struct ControlText {
    int nFirst;
    int nCount;
    Series series;
    const char* pszName;
    const char* pszTip;  // null: no tooltip (pictures, labels, the graph)
};

constexpr ControlText kTexts[] = {
    {IDC_GRAPH, 1, Series::One, "Response graph", nullptr},
    {IDC_LOGO, 1, Series::One, "Logo", nullptr},
    {IDC_FULL_PICTURE, 1, Series::One, "Panel picture", nullptr},
    {IDC_AB_FLAG, 1, Series::One, "Band frequency flag", nullptr},
    {IDC_PROGRESS, 1, Series::One, "Transfer progress", nullptr},

    {IDC_SAVE, 1, Series::One, "Save", "Save the preset to a file"},
    {IDC_OPEN, 1, Series::One, "Open", "Open a preset file"},
    {IDC_SLOT_RADIO, NUM_SLOT_ROWS, Series::Slot, "PreS%1", "Use device slot PreS%1 for Write and Read"},
    {IDC_SLOT_NAME, NUM_SLOT_ROWS, Series::Slot, "PreS%1 name",
     "Name of device slot PreS%1, up to 8 characters (while connected)"},
    {IDC_WRITE, 1, Series::One, "Write", "Write the preset to the selected device slot"},
    {IDC_READ, 1, Series::One, "Read", "Read the selected device slot into the window"},
    {IDC_PORT_LIST, 1, Series::One, "COM port", "Serial port of the device"},
    {IDC_SEARCH, 1, Series::One, "Search", "Look for serial ports again"},
    {IDC_LINK, 1, Series::One, "Connect", "Connect to the device, or disconnect"},

    {IDC_EQ_GAIN_MODE, 1, Series::One, "EQ gain", "Band faders set the gain"},
    {IDC_EQ_Q_MODE, 1, Series::One, "EQ Q", "Band faders set the Q"},
    {IDC_EQ_BYPASS_ALL, 1, Series::One, "EQ bypass", "Bypass every band of the channel, or bring them back"},
    {IDC_BAND_LABEL, NUM_BANDS, Series::Band, "%1", nullptr},
    {IDC_BAND_FADER, NUM_BANDS, Series::Band, "%1: fader", "%1: gain, or Q while EQ Q is on"},
    {IDC_BAND_BYPASS, NUM_BANDS, Series::Band, "%1: bypass", "%1: bypass, keeping its gain for later"},
    {IDC_BAND_GAIN, NUM_BANDS, Series::Band, "%1: gain", "%1: gain in dB"},
    {IDC_BAND_Q, NUM_BANDS, Series::Band, "%1: Q", "%1: Q, higher is narrower"},

    {IDC_INPUT_HIGH, 1, Series::One, "High level", "Input range for high-level sources, all channels"},
    {IDC_INPUT_LOW, 1, Series::One, "Low level", "Input range for low-level sources, all channels"},
    {IDC_GAIN_FADER, 1, Series::One, "Gain fader", "Channel gain"},
    {IDC_GAIN_FIELD, 1, Series::One, "Gain", "Channel gain in dB"},
    {IDC_HPF_FADER, 1, Series::One, "High-pass fader", "High-pass frequency"},
    {IDC_HPF_FIELD, 1, Series::One, "High-pass frequency", "High-pass frequency in Hz; 20 Hz is off"},
    {IDC_HPF_TYPE, 1, Series::One, "High-pass type", "High-pass filter type"},
    {IDC_HPF_SLOPE, 1, Series::One, "High-pass slope", "High-pass slope"},
    {IDC_LPF_FADER, 1, Series::One, "Low-pass fader", "Low-pass frequency"},
    {IDC_LPF_FIELD, 1, Series::One, "Low-pass frequency", "Low-pass frequency in Hz; 20000 Hz is off"},
    {IDC_LPF_TYPE, 1, Series::One, "Low-pass type", "Low-pass filter type"},
    {IDC_LPF_SLOPE, 1, Series::One, "Low-pass slope", "Low-pass slope"},
    {IDC_DELAY_FADER, 1, Series::One, "Delay fader", "Channel delay"},
    {IDC_DELAY_FIELD, 1, Series::One, "Delay", "Channel delay in the unit chosen beside it"},
    {IDC_DELAY_UNIT, 1, Series::One, "Delay unit", "Delay in centimetres, milliseconds or inches"},
    {IDC_DELAY_OFF, 1, Series::One, "Delay off", "Set the channel's delay to 0"},

    {IDC_CHANNEL_BUTTON, NUM_CHANNELS, Series::Channel, "CH%1", "Edit channel %1"},
    {IDC_OUTPUT_SWITCH, NUM_CHANNELS, Series::Channel, "CH%1 output", "Channel %1 output on or off"},
    {IDC_POLARITY, NUM_CHANNELS, Series::Channel, "CH%1 polarity", "Channel %1 polarity: normal or inverted"},
    {IDC_GATE_FIELD, NUM_CHANNELS, Series::Channel, "CH%1 noise gate", "Channel %1 noise gate threshold in dBu"},
    {IDC_LINK_LIST, NUM_CHANNELS, Series::Channel, "CH%1 linking", "Link channel %1 with the channel chosen"},
    {IDC_BASS_LINK, 1, Series::One, "Bass link mode", "Switch between stereo mode and bass link mode"},
};

constexpr int HZ_PER_KHZ = 1000;
// Enough digits for every band centre in kHz (1.25, 12.5).
constexpr int KHZ_DIGITS = 4;

// "Band 6, 63 Hz", "Band 18, 1 kHz": bands counted from 1, as vardenctl does.
QString BandText(int nBand)
{
    const int nHz = g_nGraphicEqFreq[nBand];
    const QString strFreq =
        nHz < HZ_PER_KHZ ? QStringLiteral("%1 Hz").arg(nHz)
                         : QStringLiteral("%1 kHz").arg(QString::number(double(nHz) / HZ_PER_KHZ, 'g', KHZ_DIGITS));
    return QStringLiteral("Band %1, %2").arg(nBand + 1).arg(strFreq);
}

QString RowText(const char* pszText, Series series, int nIndex)
{
    const QString strText = QString::fromLatin1(pszText);
    switch (series) {
    case Series::Band:
        return strText.arg(BandText(nIndex));
    case Series::Channel:
    case Series::Slot:
        return strText.arg(nIndex + 1);
    case Series::One:
        break;
    }
    return strText;
}

}  // namespace

void CVardenDlg::InitToolTips()
{
    for (const ControlText& row : kTexts) {
        for (int i = 0; i < row.nCount; ++i) {
            QWidget* pControl = GetDlgItem(row.nFirst + i);
            if (!pControl)
                continue;
            pControl->setAccessibleName(RowText(row.pszName, row.series, i));
            if (row.pszTip)
                pControl->setToolTip(RowText(row.pszTip, row.series, i));
        }
    }
}

void CVardenDlg::InitFaderScales()
{
    // The fader's value is the one its field shows; a band fader's field
    // follows the fader mode.
    for (int b = 0; b < NUM_BANDS; ++b) {
        Fader(IDC_BAND_FADER + b)->SetScaleSource([this, b] {
            return m_bQMode ? CFaderScale{&Field(IDC_BAND_Q + b)->Format(), false, "Q %1"}
                            : CFaderScale{&Field(IDC_BAND_GAIN + b)->Format(), false, "%1 dB"};
        });
    }
    struct FaderField {
        int nFader;
        int nField;
        bool bFrequency;
        const char* pszText;
    };
    static constexpr FaderField kFaderFields[] = {
        {IDC_GAIN_FADER, IDC_GAIN_FIELD, false, "%1 dB"},
        {IDC_HPF_FADER, IDC_HPF_FIELD, true, "%1 Hz"},
        {IDC_LPF_FADER, IDC_LPF_FIELD, true, "%1 Hz"},
        // The delay's text carries its unit.
        {IDC_DELAY_FADER, IDC_DELAY_FIELD, false, "%1"},
    };
    for (const FaderField& pair : kFaderFields) {
        const CFaderScale scale{&Field(pair.nField)->Format(), pair.bFrequency, pair.pszText};
        Fader(pair.nFader)->SetScaleSource([this, scale, nFader = pair.nFader] {
            CFaderScale held = scale;
            if (nFader == IDC_HPF_FADER)
                held.nHeldFrequency = m_pCurData->GetHpfFreq();
            else if (nFader == IDC_LPF_FADER)
                held.nHeldFrequency = m_pCurData->GetLpfFreq();
            return held;
        });
    }
}
