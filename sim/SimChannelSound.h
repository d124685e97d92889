// One channel of the virtual processor as its sound engine runs it: every
// section of its 31 bands and its high- and low-pass at 96 kHz, in fixed
// places so a filter's state carries over when its coefficients change, and
// the channel section (gain, polarity, output, delay, noise gate).
#pragma once

#include <array>

#include "BiquadSection.h"
#include "CrossoverTables.h"
#include "SimTypes.h"

// The places of the sections: band b at b, the high-pass from SOUND_HIGH_PASS,
// the low-pass from SOUND_LOW_PASS, XOVER_SECTIONS each.
inline constexpr int SOUND_HIGH_PASS = NUM_BANDS;
inline constexpr int SOUND_LOW_PASS = NUM_BANDS + XOVER_SECTIONS;
inline constexpr int SOUND_SECTIONS = NUM_BANDS + 2 * XOVER_SECTIONS;

// The input level switch as a calibration of the converter: the level in dBu
// that reaches digital full scale. A line input made for +4 dBu studio gear
// clips at +20 dBu; one made for -10 dBV consumer gear has 14 dB more gain.
inline constexpr double HIGH_LEVEL_DBU_AT_FULL_SCALE = 20.0;
inline constexpr double LOW_LEVEL_DBU_AT_FULL_SCALE = 6.0;

struct SimChannelSound {
    std::array<BiquadSection, SOUND_SECTIONS> aSection{};
    std::array<bool, SOUND_SECTIONS> abActive{};
    double dGain = 0.0;  // linear, negative when the polarity is inverted
    bool bOn = false;
    int nDelay = 0;               // samples at 48 kHz
    double dGateThreshold = 0.0;  // linear, on the input, full scale 1
    unsigned nVersion = 0;        // changes with every change of the channel
    unsigned nOffCount = 0;       // times the output was switched off
};

// The channel as a block stores it; nInputLevel is the device's input level
// switch (channel 0's byte). Values out of range are taken as the nearest
// valid ones; the virtual processor refuses such frames anyway.
SimChannelSound ChannelSoundFromBlock(const SimBlock& block, int nInputLevel);

// The gate's threshold in dBFS for the gate byte (dBu = byte - 150) and the
// input level switch.
double GateThresholdDbfs(int nGateByte, int nInputLevel);
