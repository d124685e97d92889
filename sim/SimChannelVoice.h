// One channel's filters running: the input at 96 kHz through the channel's
// sections, back down to 48 kHz, then gain, polarity, output switch and
// delay. Plain data throughout, so a copy of a voice is its whole state and
// the sound engine cross-fades from a voice to a reconfigured copy of it.
#pragma once

#include <array>

#include "Downsampler2.h"
#include "SimChannelSound.h"

class CSimChannelVoice {
public:
    static constexpr int MAX_FRAMES = 64;  // at 48 kHz, per call of Process
    static constexpr int DELAY_RING = 1024;

    // New coefficients and channel values; filter states stay where they are,
    // those of sections that fell silent are cleared.
    void Configure(const SimChannelSound& sound);
    // pUp holds 2 * nFrames samples at 96 kHz; pOut receives nFrames at 48 kHz.
    void Process(const double* pUp, int nFrames, double* pOut);

private:
    std::array<BiquadSection, SOUND_SECTIONS> m_aSection{};
    std::array<bool, SOUND_SECTIONS> m_abActive{};
    std::array<double, SOUND_SECTIONS> m_dZ1{};
    std::array<double, SOUND_SECTIONS> m_dZ2{};
    CDownsampler2 m_down;
    std::array<double, DELAY_RING> m_dDelay{};
    int m_nDelayPos = 0;
    int m_nDelay = 0;
    double m_dGain = 0.0;  // output switch and polarity included
    std::array<double, 2 * MAX_FRAMES> m_dWork{};
};
