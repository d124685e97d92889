#include "PresetDiff.h"

#include "PresetLimits.h"
#include "PresetName.h"
#include "PresetText.h"

namespace {
class CDiffLines {
public:
    explicit CDiffLines(std::vector<std::string>& lines) : m_lines(lines) {}

    // Adds a line when the stored values differ. Two codes that read the same
    // in the user's units (a Q value rounded alike) still show as different.
    template <typename Format> void Compare(const std::string& strField, long long a, long long b, Format format)
    {
        if (a == b)
            return;
        std::string strA = format(a);
        std::string strB = format(b);
        if (strA == strB) {
            strA += " (code " + std::to_string(a) + ")";
            strB += " (code " + std::to_string(b) + ")";
        }
        m_lines.push_back(FieldChange(strField, strA, strB));
    }

private:
    std::vector<std::string>& m_lines;
};

std::string Hertz(long long n)
{
    return std::to_string(n) + " Hz";
}

std::string Number(long long n)
{
    return std::to_string(n);
}

std::string OnOff(long long n)
{
    return n ? "on" : "off";
}

void DiffFilter(CDiffLines& diff, const std::string& strField, const FilterRecord& a, const FilterRecord& b,
                int nOffFreq)
{
    diff.Compare(strField + " frequency", a.nFreq, b.nFreq,
                 [&](long long n) { return Hertz(n) + (n == nOffFreq ? " (off)" : ""); });
    diff.Compare(strField + " alignment", a.nType, b.nType,
                 [](long long n) { return std::string(AlignmentName(static_cast<int>(n))); });
    diff.Compare(strField + " slope", a.nSlope, b.nSlope,
                 [](long long n) { return std::string(SlopeName(static_cast<int>(n))); });
}

void DiffChannel(CDiffLines& diff, int nChannel, const ChannelRecord& a, const ChannelRecord& b, PresetFields fields)
{
    const std::string ch = "channel " + std::to_string(nChannel + 1) + " ";
    const bool bFile = fields == PresetFields::File;
    diff.Compare(ch + "output", a.nOutput, b.nOutput, OnOff);
    diff.Compare(ch + "polarity", a.nPolarity, b.nPolarity,
                 [](long long n) { return std::string(n ? "inverted" : "normal"); });
    diff.Compare(ch + "gain", a.nGain, b.nGain, [](long long n) { return FormatChannelGain(static_cast<int>(n)); });
    diff.Compare(ch + "delay", a.nDelay, b.nDelay, [](long long n) { return FormatDelay(static_cast<int>(n)); });
    diff.Compare(ch + "noise gate", a.nGate, b.nGate, [](long long n) { return FormatGate(static_cast<int>(n)); });
    diff.Compare(ch + "input level", a.nInputLevel, b.nInputLevel,
                 [](long long n) { return std::string(n ? "high" : "low"); });
    DiffFilter(diff, ch + "high-pass", a.hpf, b.hpf, HPF_OFF_FREQ);
    DiffFilter(diff, ch + "low-pass", a.lpf, b.lpf, LPF_OFF_FREQ);
    if (bFile) {
        diff.Compare(ch + "band set", a.bABFlag, b.bABFlag, Number);
        diff.Compare(ch + "high-pass off flag", a.bHpfOff, b.bHpfOff, OnOff);
        diff.Compare(ch + "low-pass off flag", a.bLpfOff, b.bLpfOff, OnOff);
        diff.Compare(ch + "channel off flag", a.bChannelOff, b.bChannelOff, OnOff);
    }
    for (int n = 0; n < NUM_BANDS; ++n) {
        const BandRecord& ba = a.aBand[n];
        const BandRecord& bb = b.aBand[n];
        const std::string band = ch + "band " + std::to_string(n + 1) + " ";
        diff.Compare(band + "frequency", ba.nFreq, bb.nFreq, Hertz);
        diff.Compare(band + "gain", ba.nGain, bb.nGain,
                     [](long long v) { return FormatBandGain(static_cast<int>(v)); });
        diff.Compare(band + "Q", ba.nQ, bb.nQ, [](long long v) { return FormatQ(static_cast<int>(v)); });
        if (bFile)
            diff.Compare(band + "reserved word", ba.nReserved, bb.nReserved, Number);
    }
}
}  // namespace

std::string FieldChange(const std::string& strField, const std::string& strA, const std::string& strB)
{
    return strField + ": " + strA + " -> " + strB;
}

std::vector<std::string> DiffPresets(const PresetData& a, const PresetData& b, PresetFields fields)
{
    std::vector<std::string> lines;
    if (fields == PresetFields::File && a.strName != b.strName)
        lines.push_back(FieldChange("name", QuotedName(a.strName), QuotedName(b.strName)));
    CDiffLines diff(lines);
    for (int k = 0; k < NUM_CHANNELS; ++k)
        DiffChannel(diff, k, a.aChannel[k], b.aChannel[k], fields);
    return lines;
}
