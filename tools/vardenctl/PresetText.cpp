#include "PresetText.h"

#include <cstdio>

#include "CrossoverTables.h"
#include "FreqTables.h"
#include "PresetLimits.h"
#include "PresetName.h"

namespace {
template <typename... Args> std::string Format(const char* fmt, Args... args)
{
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

const char* OnOff(int v)
{
    return v ? "on" : "off";
}

std::string FormatFilter(const FilterRecord& f, int nOffFreq)
{
    std::string s = Format("%d Hz", f.nFreq);
    if (f.nFreq == nOffFreq)
        return s + " (off)";
    return s + "  " + AlignmentName(f.nType) + " " + SlopeName(f.nSlope);
}
}  // namespace

std::string FormatBandGain(int nGain)
{
    return Format("%0.1f dB", (nGain - GAIN_FLAT) * 0.1);
}

std::string FormatQ(int nQIndex)
{
    const int k = BAND_Q_RANGE.Clamp(nQIndex);
    return Format(k > 9 ? "%0.2f" : "%0.1f", g_dBandwidthQ[k]);
}

std::string FormatChannelGain(int nGain)
{
    return Format("%0.1f dB", nGain * 0.1 - 60.0);
}

std::string FormatDelay(int nSamples)
{
    // The longest delay reads as exactly 20 ms, as on the window.
    if (nSamples >= DELAY_RANGE.nMax)
        return Format("%0.1f ms", 20.0);
    return Format("%0.3f ms", nSamples / 48.0);
}

std::string FormatGate(int nGateByte)
{
    return Format("%d dBu", nGateByte - GATE_OFFSET - 120);
}

const char* AlignmentName(int nType)
{
    return g_pszAlignmentName[FILTER_TYPE_RANGE.Clamp(nType)];
}

const char* SlopeName(int nSlope)
{
    return g_pszSlopeName[FILTER_SLOPE_RANGE.Clamp(nSlope)];
}

void PrintPreset(std::ostream& out, const PresetData& data, const std::string& strSource)
{
    out << "Preset " << QuotedName(data.strName) << "  (" << EscapeControls(strSource) << ")\n";
    out << "Input level: " << (data.aChannel[0].nInputLevel ? "high" : "low") << "\n";
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const ChannelRecord& ch = data.aChannel[k];
        out << "\nChannel " << (k + 1) << "\n";
        out << "  Output      " << OnOff(ch.nOutput) << "\n";
        out << "  Polarity    " << (ch.nPolarity ? "inverted" : "normal") << "\n";
        out << "  Gain        " << FormatChannelGain(ch.nGain) << "\n";
        out << "  Delay       " << FormatDelay(ch.nDelay) << " (" << ch.nDelay << " samples)\n";
        out << "  Noise gate  " << FormatGate(ch.nGate) << "\n";
        out << "  High-pass   " << FormatFilter(ch.hpf, HPF_OFF_FREQ) << "\n";
        out << "  Low-pass    " << FormatFilter(ch.lpf, LPF_OFF_FREQ) << "\n";
        if (ch.bABFlag != 1 || ch.bHpfOff || ch.bLpfOff || ch.bChannelOff)
            out << "  Flags       band set " << ch.bABFlag << ", HPF off " << OnOff(ch.bHpfOff) << ", LPF off "
                << OnOff(ch.bLpfOff) << ", channel off " << OnOff(ch.bChannelOff) << "\n";
        out << "  EQ  band      freq      gain      Q\n";
        for (int b = 0; b < NUM_BANDS; ++b) {
            const BandRecord& band = ch.aBand[b];
            out << Format("      %2d  %6d Hz  %8s  %5s", b + 1, band.nFreq, FormatBandGain(band.nGain).c_str(),
                          FormatQ(band.nQ).c_str());
            if (band.nGain == GAIN_FLAT)
                out << "  bypassed";
            out << "\n";
        }
    }
}
