// What of a channel an alignment chooses, in the device's own steps: the
// crossover filters, and the channel section's delay, polarity and gain; and
// their response on the grid. The words are the preset's encodings.
#pragma once

#include "ComplexResponse.h"

inline constexpr int DELAY_WORD_MAX = 960;  // samples at 48 kHz: 20 ms
inline constexpr double DELAY_SAMPLE_RATE_HZ = 48000.0;
inline constexpr int CHANNEL_GAIN_WORD_MAX = 800;  // 0.1 dB steps
inline constexpr int CHANNEL_GAIN_WORD_0DB = 600;  // word x 0.1 - 60 dB
inline constexpr double CHANNEL_GAIN_STEP_DB = 0.1;

struct CrossoverFilter {
    int nFreq = 0;  // Hz; a high-pass at 20 or a low-pass at 20000 is off
    int nAlign = 0;
    int nSlope = 0;
    bool operator==(const CrossoverFilter&) const = default;
};

struct ChannelSetting {
    CrossoverFilter hpf{20, 0, 0};
    CrossoverFilter lpf{20000, 0, 0};
    int nDelay = 0;  // samples at 48 kHz
    bool bInverted = false;
    int nGain = CHANNEL_GAIN_WORD_0DB;
    bool operator==(const ChannelSetting&) const = default;
};

inline double DelaySeconds(int nDelay)
{
    return nDelay / DELAY_SAMPLE_RATE_HZ;
}

inline double ChannelGainDb(int nGain)
{
    return (nGain - CHANNEL_GAIN_WORD_0DB) * CHANNEL_GAIN_STEP_DB;
}

// h[i] *= the high-pass and the low-pass of setting, as the graph draws them.
void MultiplyCrossover(const ChannelSetting& setting, ComplexGrid& h);
// h[i] *= the channel section: gain, polarity and delay.
void MultiplyChannelSection(const ChannelSetting& setting, ComplexGrid& h);
