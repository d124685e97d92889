// Loudspeaker drivers with phase, made up in code: each a band-pass of its
// own natural roll-offs at some sensitivity and distance, measured alone at
// one microphone position through a channel as the preset holds it, and
// exported as a measurement program writes text (wrapped phase). Two-way and
// subwoofer cases for the alignment's tests, benchmark and gallery.
#pragma once

#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "ChannelAlignment.h"
#include "CrossoverResponse.h"
#include "MeasurementData.h"

namespace synthetic {

struct Driver {
    double dLevelDb = 88.0;                       // in the passband, at the microphone
    double dHighPassHz = 40.0, dHighPassQ = 0.7;  // second order
    double dLowPassHz = 20000.0, dLowPassQ = 0.7;
    double dFlightMs = 3.0;  // from the acoustic centre to the microphone
    bool bReversed = false;  // wired the wrong way round
};

inline std::complex<double> DriverAt(const Driver& d, double f)
{
    const std::complex<double> s(0.0, f);
    const auto second = [&](double f0, double q, bool bHigh) {
        const std::complex<double> den = s * s + s * f0 / q + f0 * f0;
        return (bHigh ? s * s : std::complex<double>(f0 * f0)) / den;
    };
    const std::complex<double> h =
        second(d.dHighPassHz, d.dHighPassQ, true) * second(d.dLowPassHz, d.dLowPassQ, false) *
        std::polar(std::pow(10.0, d.dLevelDb / 20.0), -2.0 * std::numbers::pi * f * d.dFlightMs / 1000.0);
    return d.bReversed ? -h : h;
}

// The channel's crossover and channel section as the device applies them, at
// any f: the same sections, evaluated off the grid too.
inline std::complex<double> ChainAt(const ChannelSetting& setting, double f)
{
    const double w = 6.2831852 * f / 96000.0;
    const std::complex<double> z = std::polar(1.0, w);
    std::complex<double> h = std::pow(10.0, ChannelGainDb(setting.nGain) / 20.0) * (setting.bInverted ? -1.0 : 1.0) *
                             std::polar(1.0, -2.0 * std::numbers::pi * f * DelaySeconds(setting.nDelay));
    for (const bool bHigh : {true, false}) {
        const CrossoverFilter& filter = bHigh ? setting.hpf : setting.lpf;
        CrossoverSections sections;
        const int n = CrossoverElementSections(bHigh, filter.nFreq, filter.nAlign, filter.nSlope, sections);
        for (int k = 0; k < n; ++k) {
            // By position: the window's tests see the serial headers' B0.
            const auto& [b0, b1, b2, a1, a2] = sections[static_cast<std::size_t>(k)];
            h *= (b0 * z * z + b1 * z + b2) / (z * z + a1 * z + a2);
        }
    }
    return h;
}

// Rows on the grid points and nBetween more between each two, as a
// measurement program writes a dense log sweep.
inline MeasurementData Measure(const Driver& d, const ChannelSetting& setting, int nBetween = 3)
{
    MeasurementData data;
    for (int i = 0; i < GRID_POINTS; ++i) {
        const double f0 = g_dFreqGrid[i];
        const double f1 = i + 1 < GRID_POINTS ? g_dFreqGrid[i + 1] : f0;
        for (int k = 0; k <= (i + 1 < GRID_POINTS ? nBetween : 0); ++k) {
            const double f = f0 + (f1 - f0) * k / (nBetween + 1);
            const std::complex<double> h = DriverAt(d, f) * ChainAt(setting, f);
            data.adFreq.push_back(f);
            data.adLevel.push_back(20.0 * std::log10(std::abs(h)));
            data.adPhase.push_back(std::arg(h) * 180.0 / std::numbers::pi);  // wrapped, as exported
        }
    }
    return data;
}

// An .frd file: "freq mag phase", with a comment header.
inline std::string FrdText(const MeasurementData& data)
{
    std::string text = "* Driver response made up by the tests\n* freq  mag  phase\n";
    char buf[96];
    for (std::size_t k = 0; k < data.adFreq.size(); ++k) {
        std::snprintf(buf, sizeof buf, "%.4f %.4f %.4f\n", data.adFreq[k], data.adLevel[k], data.adPhase[k]);
        text += buf;
    }
    return text;
}

// A room-measurement program's text export: its header comments, then
// "Freq(Hz) SPL(dB) Phase(degrees)" rows, comma-free.
inline std::string RewText(const MeasurementData& data)
{
    std::string text =
        "* Measurement data measured by REW V5.20.13\n"
        "* Source: Speakers, Line out\n"
        "* Format: 1/96 octave\n"
        "* Dated: Dec 9, 2026 9:40:00 PM\n"
        "* REW Settings:\n"
        "*  C-weighting compensation: Off\n"
        "*  Target level: 75.0 dB\n"
        "* Note:Delay 0.0000 ms (0 mm, 0.00 in) using the loopback timing reference\n"
        "* Measurement: one channel alone\n"
        "* Smoothing: None\n"
        "* Frequency Step: 1/96 octave\n"
        "* Start Frequency: 19.7 Hz\n"
        "*\n"
        "* Freq(Hz) SPL(dB) Phase(degrees)\n";
    char buf[96];
    for (std::size_t k = 0; k < data.adFreq.size(); ++k) {
        std::snprintf(buf, sizeof buf, "%.6f %.3f %.4f\n", data.adFreq[k], data.adLevel[k], data.adPhase[k]);
        text += buf;
    }
    return text;
}

// The channel as the request needs it: the chain it was measured through
// divided out again (the bands are flat).
inline AlignChannel ChannelOf(int nChannel, const MeasurementData& data, const ChannelSetting& setting)
{
    AlignChannel channel;
    channel.nChannel = nChannel;
    channel.now = setting;
    std::string error;
    ComplexOnGrid(data, ALIGN_SMOOTHING, "synthetic", channel.driver, error);
    ComplexGrid chain = UnityGrid();
    MultiplyCrossover(setting, chain);
    MultiplyChannelSection(setting, chain);
    for (std::size_t i = 0; i < chain.size(); ++i)
        channel.driver.h[i] /= chain[i];
    return channel;
}

struct AlignCase {
    const char* pszName;
    AlignRequest request;
};

inline ChannelSetting CrossoverSetting(int nHighPassHz, int nLowPassHz, int nAlign, int nSlope)
{
    ChannelSetting setting;
    setting.hpf = {nHighPassHz, nAlign, nSlope};
    setting.lpf = {nLowPassHz, nAlign, nSlope};
    return setting;
}

inline AlignRequest TwoChannels(const Driver& a, const ChannelSetting& sa, const Driver& b, const ChannelSetting& sb)
{
    AlignRequest request;
    request.aChannel = {ChannelOf(0, Measure(a, sa), sa), ChannelOf(1, Measure(b, sb), sb)};
    return request;
}

inline Driver DriverOf(double dLevelDb, double dHighPassHz, double dHighPassQ, double dLowPassHz, double dLowPassQ,
                       double dFlightMs)
{
    return {dLevelDb, dHighPassHz, dHighPassQ, dLowPassHz, dLowPassQ, dFlightMs, false};
}

// A two-way at 2 kHz: the woofer and the tweeter (0.3 ms nearer and 2.5 dB
// more sensitive), each on a Linkwitz-Riley 24 dB/Oct filter.
inline Driver Woofer()
{
    return DriverOf(88.0, 45.0, 0.7, 4500.0, 0.6, 3.3);
}

inline Driver Tweeter()
{
    return DriverOf(90.5, 1000.0, 0.9, 20000.0, 0.7, 3.0);
}

inline ChannelSetting WooferSetting()
{
    return CrossoverSetting(20, 2000, ALIGN_LINKWITZ_RILEY, 2);
}

inline ChannelSetting TweeterSetting()
{
    return CrossoverSetting(2000, 20000, ALIGN_LINKWITZ_RILEY, 2);
}

// The two-way, the same with the tweeter wired reversed, and the subwoofer
// and satellite, the subwoofer on Linkwitz-Riley 24 dB/Oct and the
// satellite on Butterworth 12 dB/Oct.
inline std::vector<AlignCase> AlignCases()
{
    Driver reversed = Tweeter();
    reversed.bReversed = true;
    // The subwoofer 2.2 ms further away than the satellite.
    const Driver sub = DriverOf(92.0, 28.0, 0.7, 250.0, 0.7, 6.7);
    const Driver satellite = DriverOf(87.0, 75.0, 0.9, 20000.0, 0.7, 4.5);
    const ChannelSetting subSetting = CrossoverSetting(20, 100, ALIGN_LINKWITZ_RILEY, 2);
    const ChannelSetting satSetting = CrossoverSetting(100, 20000, ALIGN_BUTTERWORTH, 0);
    return {
        {"two-way 2 kHz, tweeter 0.3 ms ahead", TwoChannels(Woofer(), WooferSetting(), Tweeter(), TweeterSetting())},
        {"two-way 2 kHz, tweeter reversed", TwoChannels(Woofer(), WooferSetting(), reversed, TweeterSetting())},
        {"subwoofer and satellite 100 Hz, 2.2 ms apart", TwoChannels(sub, subSetting, satellite, satSetting)}};
}

// A subwoofer, woofer, midrange and tweeter at 80 Hz, 500 Hz and 3.5 kHz,
// each at a distance of its own.
inline AlignRequest FourChannels()
{
    const Driver drivers[] = {DriverOf(93, 25, 0.7, 200, 0.7, 7.4), DriverOf(89, 45, 0.7, 2500, 0.7, 3.4),
                              DriverOf(90, 250, 0.7, 9000, 0.7, 3.2), DriverOf(91, 1500, 0.7, 30000, 0.7, 3.0)};
    const ChannelSetting settings[] = {
        CrossoverSetting(20, 80, ALIGN_LINKWITZ_RILEY, 2), CrossoverSetting(80, 500, ALIGN_LINKWITZ_RILEY, 2),
        CrossoverSetting(500, 3500, ALIGN_BUTTERWORTH, 1), CrossoverSetting(3500, 20000, ALIGN_BUTTERWORTH, 1)};
    AlignRequest request;
    for (int k = 0; k < 4; ++k)
        request.aChannel.push_back(ChannelOf(k, Measure(drivers[k], settings[k]), settings[k]));
    return request;
}

}  // namespace synthetic
