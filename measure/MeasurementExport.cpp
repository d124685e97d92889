#include "MeasurementExport.h"

#include <cstdint>
#include <cstring>

#include "DbText.h"

namespace {
// A name on a header line of its own: line breaks and other control
// characters would start a line the reader takes for a row.
std::string OneLine(const std::string& str)
{
    std::string s = str;
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    return s;
}

std::string DateUtc(std::time_t t)
{
    std::tm tm{};
    char sz[64] = "unknown";
    if (gmtime_r(&t, &tm) != nullptr)
        std::strftime(sz, sizeof sz, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return sz;
}

void Put(std::string& s, std::uint32_t n, int nBytes)
{
    for (int i = 0; i < nBytes; ++i)
        s.push_back(static_cast<char>((n >> (8 * i)) & 0xff));
}
}  // namespace

std::string FormatMeasurementExport(const MeasuredResponse& r, const SweepSettings& sweep, const MeasurementHeader& h)
{
    std::string s = "* Measured by varden\n";
    s += "* Date: " + DateUtc(h.tWhen) + "\n";
    s += "* Channel: " + std::to_string(h.nChannel) + "\n";
    s += "* Preset: " + OneLine(h.strPreset) + "\n";
    s += "* Output: " + OneLine(h.strOutput) + "\n";
    s += "* Input: " + OneLine(h.strInput) + "\n";
    s += "* Reference: " + (h.strReference.empty() ? std::string("none") : OneLine(h.strReference)) + "\n";
    if (!h.strCalibration.empty())
        s += "* Calibration: " + OneLine(h.strCalibration) + "\n";
    s += "* Level: " + FormatFixed(sweep.dLevelDbfs, 1) + " dBFS, sweep " + FormatFixed(sweep.dSeconds, 2) +
         " s from " + FormatFixed(sweep.dLowHz, 0) + " to " + FormatFixed(sweep.dHighHz, 0) + " Hz, " +
         std::to_string(r.nRepeats) + (r.nRepeats == 1 ? " take" : " takes averaged") + "\n";
    s += "* Input peak: " + FormatFixed(r.dPeakDbfs, 1) + " dBFS\n";
    s += "* Signal-to-noise: " + FormatFixed(r.dSignalToNoiseDb, 1) + " dB\n";
    s += "* Arrival time: " + FormatFixed(r.dArrivalMs, 3) + " ms" +
         (r.bReference ? std::string(" after the reference")
                       : std::string(" after the sweep was played; without a reference this holds only within one "
                                     "run of the program and may be off by the sound server's latency")) +
         "\n";
    s += "* Freq(Hz) SPL(dB) Phase(degrees)\n";
    for (std::size_t i = 0; i < r.adFreq.size(); ++i)
        s += FormatFixed(r.adFreq[i], 4) + " " + FormatFixed(r.adLevel[i], 4) + " " + FormatFixed(r.adPhase[i], 3) +
             "\n";
    return s;
}

std::string FormatFloatWav(const std::vector<float>& afSamples, int nRate)
{
    constexpr std::uint32_t FMT_SIZE = 18, FACT_SIZE = 4, IEEE_FLOAT = 3, BYTES = 4;
    const auto nData = static_cast<std::uint32_t>(afSamples.size() * BYTES);
    std::string s = "RIFF";
    Put(s, 4 + (8 + FMT_SIZE) + (8 + FACT_SIZE) + (8 + nData), 4);
    s += "WAVEfmt ";
    Put(s, FMT_SIZE, 4);
    Put(s, IEEE_FLOAT, 2);
    Put(s, 1, 2);  // channels
    Put(s, static_cast<std::uint32_t>(nRate), 4);
    Put(s, static_cast<std::uint32_t>(nRate) * BYTES, 4);  // bytes per second
    Put(s, BYTES, 2);                                      // bytes per frame
    Put(s, 8 * BYTES, 2);
    Put(s, 0, 2);  // no extension
    // Files that are not plain PCM carry their length in frames.
    s += "fact";
    Put(s, FACT_SIZE, 4);
    Put(s, static_cast<std::uint32_t>(afSamples.size()), 4);
    s += "data";
    Put(s, nData, 4);
    for (const float f : afSamples) {
        std::uint32_t n = 0;
        std::memcpy(&n, &f, sizeof n);
        Put(s, n, 4);
    }
    return s;
}
