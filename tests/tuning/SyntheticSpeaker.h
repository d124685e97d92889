// Loudspeaker-like measurements made up in code, so no sample file from
// anywhere is needed: a high-pass roll-off, room modes as peaks and dips, a
// tilt, ripple from the cabinet, a top-end roll-off and optional noise, as a
// measurement program would export them. The tests, the benchmark and the
// gallery share the cases.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "EqFit.h"
#include "FreqTables.h"
#include "MeasurementData.h"
#include "MeasurementSmoothing.h"

namespace synthetic {

struct Mode {
    double dHz;
    double dGainDb;
    double dQ;
};

struct Speaker {
    double dLevelDb = 86.0;
    double dHighPassHz = 55.0;
    int nHighPassOrder = 2;  // 6 dB per octave each
    std::vector<Mode> aMode;
    double dTiltDbPerOctave = -0.5;
    double dRippleDb = 1.0;  // above 1 kHz
    double dRippleCyclesPerOctave = 3.0;
    double dTopRollOffHz = 16000.0;
    double dNoiseDb = 0.0;  // uniform, within +- this
    std::uint32_t nSeed = 1;
};

// The speaker's level in dB at f, without noise.
inline double LevelAt(const Speaker& s, double f)
{
    const double r = std::pow(s.dHighPassHz / f, s.nHighPassOrder);
    double dB = s.dLevelDb - 10.0 * std::log10(1.0 + r * r);
    for (const Mode& m : s.aMode) {
        const double x = m.dQ * (f / m.dHz - m.dHz / f);
        dB += m.dGainDb / (1.0 + x * x);
    }
    dB += s.dTiltDbPerOctave * std::log2(f / 1000.0);
    if (f > 1000.0)
        dB += s.dRippleDb * std::sin(2.0 * M_PI * s.dRippleCyclesPerOctave * std::log2(f / 1000.0));
    dB -= 10.0 * std::log10(1.0 + std::pow(f / s.dTopRollOffHz, 4.0));
    return dB;
}

// A small generator of our own, so every machine makes the same noise.
class Noise {
public:
    explicit Noise(std::uint32_t nSeed) : m_n(nSeed * 2654435761u + 1u) {}
    double Next()  // uniform in [-1, 1)
    {
        m_n ^= m_n << 13;
        m_n ^= m_n >> 17;
        m_n ^= m_n << 5;
        return static_cast<double>(m_n) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t m_n;
};

// Rows at nPerOctave points per octave from dLowHz to dHighHz.
inline MeasurementData LogSweep(const Speaker& s, double dLowHz, double dHighHz, int nPerOctave)
{
    MeasurementData data;
    Noise noise(s.nSeed);
    for (double f = dLowHz; f <= dHighHz; f *= std::exp2(1.0 / nPerOctave)) {
        data.adFreq.push_back(f);
        data.adLevel.push_back(LevelAt(s, f) + s.dNoiseDb * noise.Next());
    }
    return data;
}

// Rows at every bin of an FFT: linear in frequency, as many programs export.
inline MeasurementData FftBins(const Speaker& s, double dBinHz, double dHighHz)
{
    MeasurementData data;
    Noise noise(s.nSeed);
    for (int k = 1; k * dBinHz <= dHighHz; ++k) {
        const double f = k * dBinHz;
        data.adFreq.push_back(f);
        data.adLevel.push_back(LevelAt(s, f) + s.dNoiseDb * noise.Next());
    }
    return data;
}

// The same loudspeaker at microphone position nPosition of room nRoom: the
// room's modes stay at their frequencies but rise and fall with the
// position (standing waves), and a narrow null from a reflection moves.
inline Speaker InRoom(Speaker s, std::uint32_t nRoom, int nPosition)
{
    Noise room(nRoom * 7919u + 3u);
    Noise place(nRoom * 104729u + static_cast<std::uint32_t>(nPosition) * 131u + 5u);
    for (int k = 0; k < 5; ++k) {
        const double dHz = 35.0 * std::exp2(2.5 * (room.Next() + 1.0));  // 35-1100 Hz
        const double dStrength = 4.0 + 4.0 * room.Next();
        s.aMode.push_back({dHz, dStrength * std::cos(M_PI * (place.Next() + 1.0)), 4.0 + 2.0 * room.Next()});
    }
    const double dNullHz = 120.0 * std::exp2(2.0 * (place.Next() + 1.0));  // 120-1900 Hz
    s.aMode.push_back({dNullHz, -14.0 - 4.0 * place.Next(), 14.0});
    s.nSeed = nRoom * 31u + static_cast<std::uint32_t>(nPosition);
    return s;
}

// The measurement as a text export with a header, one row per line.
inline std::string ExportText(const MeasurementData& data, const char* pszSeparator = " ")
{
    std::string text = "* Measurement data made up by the tests\n* Freq(Hz) SPL(dB) Phase(degrees)\n";
    char buf[96];
    for (std::size_t k = 0; k < data.adFreq.size(); ++k) {
        std::snprintf(buf, sizeof buf, "%.6f%s%.4f%s0.0\n", data.adFreq[k], pszSeparator, data.adLevel[k],
                      pszSeparator);
        text += buf;
    }
    return text;
}

// A flat channel with every band at Q index nQ: the fit's request for data.
inline FitRequest FlatChannelRequest(const MeasurementData& data, int nQ, const FitSettings& settings = {})
{
    FitRequest request;
    request.settings = settings;
    request.smoothed = MeasurementOnGrid(data, settings.nSmoothing);
    request.predicted = request.smoothed;
    request.guide = MeasurementOnGrid(data, BOOST_GUIDE_SMOOTHING);
    request.dSpanLowHz = data.GetLowHz();
    request.dSpanHighHz = data.GetHighHz();
    for (int b = 0; b < EQ_BANDS; ++b)
        request.aBand[b] = {g_nGraphicEqFreq[b], nQ, GAIN_INDEX_FLAT, true};
    return request;
}

struct Case {
    const char* pszName;
    MeasurementData data;
    FitRequest request;
};

// The cases the quality test and the benchmark run.
inline std::vector<Case> Cases()
{
    std::vector<Case> cases;
    {
        Speaker s;
        s.dHighPassHz = 60.0;
        s.aMode = {{42, 7, 5}, {85, -9, 6}, {160, 4, 4}, {310, -3, 3}, {2600, 2, 2}};
        const MeasurementData data = LogSweep(s, 15.0, 22000.0, 48);
        cases.push_back({"bookshelf, third-octave bands", data, FlatChannelRequest(data, 28)});
    }
    {
        Speaker s;
        s.dHighPassHz = 35.0;
        s.nHighPassOrder = 4;
        s.aMode = {{55, 9, 4}, {120, -6, 5}, {240, 5, 3}, {700, -4, 2}, {5000, -3, 1.5}};
        s.dTiltDbPerOctave = -1.0;
        s.dRippleDb = 1.5;
        FitSettings settings;
        settings.target.eKind = TargetKind::Tilt;
        settings.target.dTiltDbPerOctave = -0.5;
        const MeasurementData data = LogSweep(s, 10.0, 24000.0, 96);
        FitRequest request = FlatChannelRequest(data, 40, settings);
        request.dCornerLowHz = 40.0;  // the channel's crossover
        request.dCornerHighHz = 18000.0;
        cases.push_back({"floor-stander, wide bands, tilted target", data, request});
    }
    {
        Speaker s;
        s.dHighPassHz = 45.0;
        s.aMode = {{38, 6, 6}, {72, -10, 7}, {130, 6, 5}, {410, -5, 4}, {1800, 3, 3}};
        s.dNoiseDb = 2.0;
        s.nSeed = 7;
        FitSettings settings;
        settings.dLowHz = 50.0;
        settings.dHighHz = 10000.0;
        settings.dMaxBoostDb = 3.0;
        settings.dMaxCutDb = 10.0;
        const MeasurementData data = FftBins(s, 48000.0 / 65536.0, 24000.0);
        FitRequest request = FlatChannelRequest(data, 20, settings);
        // Two bands the user bypassed while they carried a gain.
        request.aBand[9].bFree = false;
        request.aBand[16].bFree = false;
        cases.push_back({"noisy FFT export, narrow bands, range and bounds", data, request});
    }
    {
        Speaker s;
        s.aMode = {{48, 8, 5}, {96, -7, 5}, {190, 5, 4}, {900, -3, 2}};
        const MeasurementData data = LogSweep(s, 20.0, 20000.0, 24);
        cases.push_back({"bands at the narrowest Q, as after start", data, FlatChannelRequest(data, 0)});
    }
    {
        // The best gains cut below the range to make room for a boost at its
        // edge; rounded to steps they pass a limit no single step mends.
        Speaker s;
        s.dHighPassHz = 55.0;
        s.dNoiseDb = 0.5;
        const MeasurementData data = LogSweep(InRoom(s, 2, 2), 15.0, 22000.0, 48);
        FitSettings settings;
        settings.dLowHz = 36.0;
        settings.dHighHz = 16000.0;
        cases.push_back({"in a room, rolling off inside the range", data, FlatChannelRequest(data, 28, settings)});
    }
    return cases;
}

}  // namespace synthetic
