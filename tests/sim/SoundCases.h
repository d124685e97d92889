// A channel setting as a test writes it, as the device's block, and the
// graph's curve of it: what the virtual processor's sound is held against.
#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "Filter.h"
#include "FrameChecksum.h"
#include "FreqTables.h"
#include "SimTypes.h"

struct Band {
    int nBand, nFreq, nGain, nQ;
};
struct ChannelShape {
    std::vector<Band> aBand;  // the others flat at their own frequencies
    int nHpFreq = 20, nHpAlign = 0, nHpSlope = 0;
    int nLpFreq = 20000, nLpAlign = 0, nLpSlope = 0;
    int nGain = 600;  // 0 dB
    int nInvert = 0, nOn = 1, nDelay = 0, nGate = 40, nInputLevel = 0;
};

// As a block write of channel nChannel to the live slot.
inline SimBlock MakeBlock(const ChannelShape& wanted, int nChannel = 0)
{
    SimBlock b{};
    const auto word = [&](int nAt, int v) { SetWord(&b[nAt], static_cast<std::int16_t>(v)); };
    for (int i = 0; i < NUM_BANDS; ++i) {
        word(BlockBand(i) + BLOCK_BAND_FREQ, g_nGraphicEqFreq[i]);
        word(BlockBand(i) + BLOCK_BAND_GAIN, 200);
    }
    for (const Band& band : wanted.aBand) {
        word(BlockBand(band.nBand) + BLOCK_BAND_FREQ, band.nFreq);
        word(BlockBand(band.nBand) + BLOCK_BAND_GAIN, band.nGain);
        word(BlockBand(band.nBand) + BLOCK_BAND_Q, band.nQ);
    }
    word(BLOCK_HPF_FREQ, wanted.nHpFreq);
    word(BLOCK_LPF_FREQ, wanted.nLpFreq);
    word(BLOCK_GAIN, wanted.nGain);
    word(BLOCK_DELAY, wanted.nDelay);
    const std::pair<int, int> aByte[] = {{BLOCK_HPF_TYPE, wanted.nHpAlign}, {BLOCK_HPF_SLOPE, wanted.nHpSlope},
                                         {BLOCK_LPF_TYPE, wanted.nLpAlign}, {BLOCK_LPF_SLOPE, wanted.nLpSlope},
                                         {BLOCK_OUTPUT, wanted.nOn},        {BLOCK_POLARITY, wanted.nInvert},
                                         {BLOCK_GATE, wanted.nGate},        {BLOCK_INPUT_LEVEL, wanted.nInputLevel}};
    for (const auto& [nAt, v] : aByte)
        b[nAt] = static_cast<BYTE>(v);
    b[FRAME_INDEX1] = b[BLOCK_INDEX1_COPY] = static_cast<BYTE>(nChannel);
    SetFrameEnds(b.data(), BLOCK_FRAME_LEN, CMD_BLOCK_WRITE);
    SetFrameChecksum(b.data(), BLOCK_FRAME_LEN);
    return b;
}

// The graph's curve of the channel: the sum of its elements' curves, plus
// the channel gain.
inline std::vector<double> GraphCurve(const ChannelShape& wanted)
{
    std::vector<double> curve(GRID_POINTS, (wanted.nGain - 600) * 0.1);
    std::vector<CFilter> aFilter(wanted.aBand.size() + 2);
    for (std::size_t i = 0; i < wanted.aBand.size(); ++i) {
        aFilter[i].SetFrequency(wanted.aBand[i].nFreq);
        aFilter[i].SetGainIndex(wanted.aBand[i].nGain);
        aFilter[i].SetQIndex(wanted.aBand[i].nQ);
    }
    CFilter& hp = aFilter[wanted.aBand.size()];
    CFilter& lp = aFilter[wanted.aBand.size() + 1];
    for (CFilter* f : {&hp, &lp})
        f->SetBandHandle(0);
    hp.SetType(FILTER_HIGH_PASS);
    hp.SetAlignment(wanted.nHpAlign);
    hp.SetSlope(wanted.nHpSlope);
    hp.SetFrequency(wanted.nHpFreq);
    lp.SetType(FILTER_LOW_PASS);
    lp.SetAlignment(wanted.nLpAlign);
    lp.SetSlope(wanted.nLpSlope);
    lp.SetFrequency(wanted.nLpFreq);
    for (const CFilter& f : aFilter)
        for (int i = 0; i < GRID_POINTS; ++i)
            curve[i] += f.m_dCurve[i];
    return curve;
}

// |H(f)| in dB of the impulse response h[n0 .. n0 + nLen), summed at f
// itself (48 kHz).
inline double LevelAt(const std::vector<double>& h, double f, std::size_t n0 = 0, std::size_t nLen = SIZE_MAX)
{
    const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi * f / 48000.0);
    std::complex<double> w = 1.0, sum = 0.0;
    for (std::size_t n = n0; n < h.size() && n - n0 < nLen; ++n) {
        sum += h[n] * w;
        w *= step;
    }
    return 20.0 * std::log10(std::abs(sum));
}

// The level of a 1 kHz tone (48 samples a period) in y(n), over nPeriods
// whole periods from n0.
template <class Y> double ToneLevel(Y y, int n0, int nPeriods = 1)
{
    double sc = 0, ss = 0;
    for (int n = n0; n < n0 + 48 * nPeriods; ++n) {
        sc += y(n) * std::cos(2.0 * std::numbers::pi * n / 48.0);
        ss += y(n) * std::sin(2.0 * std::numbers::pi * n / 48.0);
    }
    return std::hypot(sc, ss) / (24.0 * nPeriods);
}
