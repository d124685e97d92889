#include "SimSoundEngine.h"

#include <algorithm>
#include <cmath>

namespace {
// Below this the gate counts as shut and the output is exactly silent.
constexpr double GATE_SHUT = 1e-5;

double OnePole(double dMs)
{
    return 1.0 - std::exp(-1000.0 / (dMs * SOUND_RATE));
}

bool SameBlockValues(const SimBlock& a, const SimBlock& b)
{
    return std::equal(a.begin() + FRAME_PAYLOAD, a.begin() + BLOCK_INDEX1_COPY, b.begin() + FRAME_PAYLOAD);
}
}  // namespace

CSimSoundEngine::CSimSoundEngine()
    : m_dAttack(OnePole(ATTACK_MS)),
      m_dRelease(OnePole(RELEASE_MS)),
      m_nHoldFrames(static_cast<int>(HOLD_MS * SOUND_RATE / 1000.0))
{
    // Silent until the first live setting comes.
    for (Channel& ch : m_aChannel)
        for (CSimChannelVoice& voice : ch.aVoice)
            voice.Configure(ch.current);
}

void CSimSoundEngine::SetLive(const std::array<SimBlock, NUM_CHANNELS>& aBlock)
{
    const int nInputLevel = aBlock[0][BLOCK_INPUT_LEVEL];
    SimSoundSetting& next = m_live.Back();
    for (int c = 0; c < NUM_CHANNELS; ++c) {
        SimChannelSound& published = m_aPublished[static_cast<std::size_t>(c)];
        const SimBlock& block = aBlock[static_cast<std::size_t>(c)];
        if (!m_bHaveBlocks || nInputLevel != m_nLastInputLevel ||
            !SameBlockValues(block, m_aLastBlock[static_cast<std::size_t>(c)])) {
            const bool bWasOn = published.bOn;
            const unsigned nVersion = published.nVersion + 1;
            const unsigned nOffCount = published.nOffCount + (bWasOn && block[BLOCK_OUTPUT] == 0 ? 1 : 0);
            published = ChannelSoundFromBlock(block, nInputLevel);
            published.nVersion = nVersion;
            published.nOffCount = nOffCount;
        }
        next.aChannel[static_cast<std::size_t>(c)] = published;
    }
    m_aLastBlock = aBlock;
    m_nLastInputLevel = nInputLevel;
    m_bHaveBlocks = true;
    m_live.Publish();
}

void CSimSoundEngine::Process(const float* pIn, int nFrames, float* pOut)
{
    for (int nDone = 0; nDone < nFrames; nDone += STEP_FRAMES) {
        const int n = std::min(STEP_FRAMES, nFrames - nDone);
        Step(pIn + SOUND_INPUTS * nDone, n, pOut + NUM_CHANNELS * nDone);
    }
}

// A channel goes to a new setting by a cross-fade from its voice to a copy
// that has the new values; a switch off and on again that the engine did not
// see go by fades to silence first.
void CSimSoundEngine::BeginChange(Channel& ch, const SimChannelSound& want)
{
    SimChannelSound next = want;
    if (want.nOffCount != ch.current.nOffCount && ch.current.bOn && want.bOn) {
        next = ch.current;
        next.bOn = false;
        next.nOffCount = want.nOffCount;
    }
    const int nOther = 1 - ch.nActive;
    ch.aVoice[static_cast<std::size_t>(nOther)] = ch.aVoice[static_cast<std::size_t>(ch.nActive)];
    ch.aVoice[static_cast<std::size_t>(nOther)].Configure(next);
    // Filters that keep their coefficients need no time to settle.
    bool bSameFilters = next.abActive == ch.current.abActive;
    for (std::size_t k = 0; bSameFilters && k < next.aSection.size(); ++k) {
        const BiquadSection& x = next.aSection[k];
        const BiquadSection& y = ch.current.aSection[k];
        bSameFilters = x.B0 == y.B0 && x.B1 == y.B1 && x.B2 == y.B2 && x.A1 == y.A1 && x.A2 == y.A2;
    }
    ch.current = next;
    ch.bChanging = true;
    ch.nFadePos = bSameFilters ? 0 : -WARM_FRAMES;
}

void CSimSoundEngine::RunGate(Channel& ch, double dThreshold, const float* pIn, int nFrames, double* pGain)
{
    Gate& g = ch.gate;
    for (int i = 0; i < nFrames; ++i) {
        if (std::fabs(pIn[i]) >= dThreshold)
            g.nHoldLeft = m_nHoldFrames;
        else if (g.nHoldLeft > 0)
            --g.nHoldLeft;
        const double target = g.nHoldLeft > 0 ? 1.0 : 0.0;
        g.dGain += (target - g.dGain) * (target > g.dGain ? m_dAttack : m_dRelease);
        if (target == 0.0 && g.dGain < GATE_SHUT)
            g.dGain = 0.0;
        pGain[i] = g.dGain;
    }
}

void CSimSoundEngine::Step(const float* pIn, int nFrames, float* pOut)
{
    m_live.TakeNewest();
    const SimSoundSetting& live = m_live.Front();

    std::array<std::array<float, STEP_FRAMES>, SOUND_INPUTS> aIn;
    std::array<std::array<double, 2 * STEP_FRAMES>, SOUND_INPUTS> aUp;
    for (int s = 0; s < SOUND_INPUTS; ++s) {
        for (int i = 0; i < nFrames; ++i)
            aIn[static_cast<std::size_t>(s)][static_cast<std::size_t>(i)] = pIn[SOUND_INPUTS * i + s];
        m_aUp[static_cast<std::size_t>(s)].Process(aIn[static_cast<std::size_t>(s)].data(), nFrames,
                                                   aUp[static_cast<std::size_t>(s)].data());
    }

    std::array<double, STEP_FRAMES> a;
    std::array<double, STEP_FRAMES> b;
    std::array<double, STEP_FRAMES> gate;
    for (int c = 0; c < NUM_CHANNELS; ++c) {
        Channel& ch = m_aChannel[static_cast<std::size_t>(c)];
        const SimChannelSound& want = live.aChannel[static_cast<std::size_t>(c)];
        if (!ch.bChanging && want.nVersion != ch.current.nVersion)
            BeginChange(ch, want);
        const std::size_t side = static_cast<std::size_t>(c % SOUND_INPUTS);
        RunGate(ch, want.dGateThreshold, aIn[side].data(), nFrames, gate.data());

        ch.aVoice[static_cast<std::size_t>(ch.nActive)].Process(aUp[side].data(), nFrames, a.data());
        if (ch.bChanging) {
            const int nOther = 1 - ch.nActive;
            ch.aVoice[static_cast<std::size_t>(nOther)].Process(aUp[side].data(), nFrames, b.data());
            for (int i = 0; i < nFrames; ++i) {
                const double w = std::clamp(static_cast<double>(ch.nFadePos + i + 1) / FADE_FRAMES, 0.0, 1.0);
                a[static_cast<std::size_t>(i)] += w * (b[static_cast<std::size_t>(i)] - a[static_cast<std::size_t>(i)]);
            }
            ch.nFadePos += nFrames;
            if (ch.nFadePos >= FADE_FRAMES) {
                ch.nActive = nOther;
                ch.bChanging = false;
            }
        }
        for (int i = 0; i < nFrames; ++i)
            pOut[NUM_CHANNELS * i + c] =
                static_cast<float>(a[static_cast<std::size_t>(i)] * gate[static_cast<std::size_t>(i)]);
    }
}
