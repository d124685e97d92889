// The virtual processor's sound: two inputs in, four outputs out, each output
// the input through its channel's live setting. The link side hands over the
// live blocks (SetLive) and never waits; the real-time side (Process) takes
// the newest setting between blocks of 1 ms. A changed channel's filters
// run with the new coefficients from their old state for WARM_FRAMES,
// unheard, so the jolt of the change dies away, then the output cross-fades
// to them over FADE_FRAMES: a change is heard whole within 16 ms, without a
// click (a change of the channel section alone needs no settling: 6 ms). Channels 1 and 3 hear the left input, 2 and 4
// the right.
//
// The noise gate listens to the channel's input: it opens within ATTACK_MS
// once the input reaches the threshold, stays open HOLD_MS after the input
// last reached it, then closes with a time constant of RELEASE_MS.
#pragma once

#include <array>

#include "LatestValue.h"
#include "SimChannelSound.h"
#include "SimChannelVoice.h"
#include "Upsampler2.h"

inline constexpr int SOUND_RATE = 48000;
inline constexpr int SOUND_INPUTS = 2;

struct SimSoundSetting {
    std::array<SimChannelSound, NUM_CHANNELS> aChannel{};
};

class CSimSoundEngine {
public:
    static constexpr int WARM_FRAMES = 480;  // 10 ms
    static constexpr int FADE_FRAMES = 240;  // 5 ms
    static constexpr int STEP_FRAMES = 48;   // a new setting is looked for every 1 ms
    static constexpr double ATTACK_MS = 1.0;
    static constexpr double HOLD_MS = 50.0;
    static constexpr double RELEASE_MS = 100.0;

    CSimSoundEngine();

    // Link side: the live slot's four blocks, after any change. A channel
    // whose output went off and on again since the last call is heard going
    // silent first, as the device mutes it.
    void SetLive(const std::array<SimBlock, NUM_CHANNELS>& aBlock);

    // Real-time side: nFrames of interleaved left/right in, interleaved
    // channels 1..4 out.
    void Process(const float* pIn, int nFrames, float* pOut);
    // Delay from input to output at a channel delay of 0, in samples.
    static constexpr int LATENCY = HALF_BAND_LATENCY;

private:
    struct Gate {
        double dGain = 1.0;
        int nHoldLeft = 0;
    };
    struct Channel {
        std::array<CSimChannelVoice, 2> aVoice;
        int nActive = 0;
        bool bChanging = false;
        int nFadePos = 0;  // below 0 while warming, then into the fade
        SimChannelSound current;
        Gate gate;
    };

    void Step(const float* pIn, int nFrames, float* pOut);
    void BeginChange(Channel& ch, const SimChannelSound& want);
    void RunGate(Channel& ch, double dThreshold, const float* pIn, int nFrames, double* pGain);

    // Link side.
    CLatestValue<SimSoundSetting> m_live;
    std::array<SimChannelSound, NUM_CHANNELS> m_aPublished{};
    std::array<SimBlock, NUM_CHANNELS> m_aLastBlock{};
    bool m_bHaveBlocks = false;
    int m_nLastInputLevel = -1;

    // Real-time side.
    std::array<CUpsampler2, SOUND_INPUTS> m_aUp;
    std::array<Channel, NUM_CHANNELS> m_aChannel;
    double m_dAttack;
    double m_dRelease;
    int m_nHoldFrames;
};
