#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <numbers>
#include <vector>

#include "SimSoundEngine.h"
#include "SoundCases.h"

namespace {

using Signal = std::vector<std::array<float, NUM_CHANNELS>>;

// Runs the engine over nFrames of left/right input given per frame; change
// is called before frame nChangeAt is processed.
template <class In> Signal RunEngine(CSimSoundEngine& engine, int nFrames, In in, int nChangeAt = -1,
                                     const std::function<void(CSimSoundEngine&)>& change = {})
{
    constexpr int BLOCK = 256;
    Signal out(nFrames);
    std::vector<float> aIn(2 * BLOCK);
    for (int n0 = 0; n0 < nFrames; n0 += BLOCK) {
        if (change && n0 == nChangeAt)
            change(engine);
        const int n = std::min(BLOCK, nFrames - n0);
        for (int i = 0; i < n; ++i) {
            const auto [l, r] = in(n0 + i);
            aIn[2 * i] = l;
            aIn[2 * i + 1] = r;
        }
        engine.Process(aIn.data(), n, out[n0].data());
    }
    return out;
}

constexpr int IMPULSE_AT = 1000;  // after the first setting has faded in
constexpr float DC = 1e-3f;       // keeps every gate open

// The impulse response of each channel, the impulse on the right input half
// that on the left, so the channels of the right come out at half their
// level: the response to a small DC plus an impulse less that to the DC.
std::array<std::vector<double>, NUM_CHANNELS> ImpulseResponses(const std::array<ChannelShape, NUM_CHANNELS>& wanted,
                                                               int nFrames)
{
    std::array<SimBlock, NUM_CHANNELS> blocks;
    for (int c = 0; c < NUM_CHANNELS; ++c)
        blocks[c] = MakeBlock(wanted[c]);
    CSimSoundEngine withImpulse, dcOnly;
    withImpulse.SetLive(blocks);
    dcOnly.SetLive(blocks);
    const Signal a = RunEngine(withImpulse, nFrames, [](int n) {
        const float v = n == IMPULSE_AT ? 0.5f : 0.0f;
        return std::pair{DC + v, DC + v / 2};
    });
    const Signal b = RunEngine(dcOnly, nFrames, [](int) { return std::pair{DC, DC}; });
    std::array<std::vector<double>, NUM_CHANNELS> h;
    for (int c = 0; c < NUM_CHANNELS; ++c)
        for (int n = IMPULSE_AT; n < nFrames; ++n)
            h[c].push_back((static_cast<double>(a[n][c]) - b[n][c]) / 0.5);
    return h;
}

// Each output's level equals the graph's curve within 0.05 dB from 20 Hz to
// 20 kHz wherever the curve is within 60 dB of the top: narrow low bands,
// shelving-free peaks near 20 kHz, every alignment and odd and even slopes.
TEST(SimSoundEngine, LevelEqualsTheGraphsCurve)
{
    const std::array<ChannelShape, NUM_CHANNELS> wanted{{
        {{{0, 20, 320, 0}, {5, 63, 90, 30}, {17, 1000, 400, 10}, {30, 20000, 60, 59}}, 20, 0, 0, 20000, 0, 0, 650},
        {{{29, 16000, 380, 0}, {12, 400, 0, 40}}, 80, 1, 3, 5000, 1, 6, 520},
        {{{1, 25, 150, 5}, {20, 2000, 290, 24}}, 250, 2, 6, 12500, 2, 1},
        {{{8, 125, 260, 12}, {25, 6300, 120, 2}}, 1000, 0, 2, 2000, 1, 3, 600, 1},
    }};
    const auto h = ImpulseResponses(wanted, 5 * SOUND_RATE);
    for (int c = 0; c < NUM_CHANNELS; ++c) {
        const std::vector<double> curve = GraphCurve(wanted[c]);
        for (int i = 0; i < GRID_POINTS; ++i) {
            if (g_dFreqGrid[i] < 20.0 || curve[i] < -60.0)
                continue;
            EXPECT_NEAR(LevelAt(h[c], g_dFreqGrid[i]) - (c % 2 ? 20 * std::log10(0.5) : 0.0), curve[i], 0.05)
                << "channel " << c + 1 << " at " << g_dFreqGrid[i] << " Hz";
        }
    }
}

// Delay to the sample, gain and polarity, off as silence, and which input
// each channel hears.
TEST(SimSoundEngine, ChannelSectionAndInputs)
{
    std::array<ChannelShape, NUM_CHANNELS> wanted{};
    wanted[1].nInvert = 1;
    wanted[1].nGain = 540;  // -6 dB
    wanted[2].nDelay = 123;
    wanted[3].nOn = 0;
    const auto h = ImpulseResponses(wanted, 4000);
    const auto peak = [](const std::vector<double>& v) {
        return std::max_element(v.begin(), v.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); }) -
               v.begin();
    };
    EXPECT_EQ(peak(h[0]), CSimSoundEngine::LATENCY);
    EXPECT_EQ(peak(h[2]), CSimSoundEngine::LATENCY + 123);
    const double dHalf = std::pow(10.0, -6.0 / 20.0);
    for (std::size_t n = 0; n + 123 < h[0].size(); ++n) {
        ASSERT_NEAR(h[2][n + 123], h[0][n], 1e-6) << n;
        ASSERT_NEAR(h[1][n], -0.5 * dHalf * h[0][n], 1e-6) << n;  // the right input
        ASSERT_EQ(h[3][n], 0.0) << n;
    }
}

double Amplitude(const Signal& s, int c, int n0)
{
    return ToneLevel([&](int n) { return static_cast<double>(s[n][c]); }, n0, 4);
}

// A change while sound plays: a block write that raises a 1 kHz band by 6 dB
// and the gain by 2 dB is heard whole within 20 ms, through no step larger
// than the new sine's own; a muting bracket that came and went between two
// blocks of sound is still heard as silence.
TEST(SimSoundEngine, ChangesWhilePlaying)
{
    std::array<SimBlock, NUM_CHANNELS> blocks;
    for (auto& b : blocks)
        b = MakeBlock({});
    CSimSoundEngine engine;
    engine.SetLive(blocks);
    constexpr int CHANGE_AT = 48 * 256;  // a quarter second in
    constexpr double A = 0.1;
    ChannelShape louder{{{17, 1000, 260, 24}}};
    louder.nGain = 620;
    const Signal out = RunEngine(
        engine, CHANGE_AT + 4800,
        [](int n) {
            return std::pair{float(A * std::sin(2 * std::numbers::pi * n / 48.0)), 0.0f};
        },
        CHANGE_AT,
        [&](CSimSoundEngine& e) {
            blocks[0] = MakeBlock(louder);
            e.SetLive(blocks);
            ChannelShape off;
            off.nOn = 0;
            blocks[2] = MakeBlock(off);
            e.SetLive(blocks);
            blocks[2] = MakeBlock(louder);
            e.SetLive(blocks);
        });
    const double dRatio = std::pow(10.0, 8.0 / 20.0);
    EXPECT_NEAR(Amplitude(out, 0, CHANGE_AT - 480), A, 1e-4);
    const int nSettled = CHANGE_AT + 20 * 48;
    EXPECT_NEAR(Amplitude(out, 0, nSettled), A * dRatio, 1e-4 * dRatio);
    const double dMaxStep = 2.0 * std::sin(std::numbers::pi / 48.0) * A * dRatio * 1.01;
    double dQuietest = 1.0;
    for (int n = CHANGE_AT - 480; n < nSettled + 480; ++n) {
        EXPECT_LE(std::fabs(out[n][0] - out[n - 1][0]), dMaxStep) << n;
        dQuietest = std::min(dQuietest, std::fabs(static_cast<double>(out[n][2])));
    }
    EXPECT_EQ(dQuietest, 0.0);
    // Muted, then unmuted to the new setting: two changes one after the other.
    EXPECT_NEAR(Amplitude(out, 2, nSettled + 10 * 48), A * dRatio, 1e-4 * dRatio);
}

// The gate threshold in dBFS: gate byte 70 is -80 dBu, full scale +6 dBu at
// Low Level and +20 dBu at High Level; below it the output falls silent.
TEST(SimSoundEngine, NoiseGateThresholdAndCalibration)
{
    struct Case {
        int nInputLevel;
        double dSignalDbfs;
        bool bOpen;
    };
    for (const Case& t : {Case{0, -85.5, true}, Case{0, -86.5, false}, Case{1, -99.5, true}, Case{1, -100.5, false}}) {
        ChannelShape wanted;
        wanted.nGate = 70;
        wanted.nInputLevel = t.nInputLevel;
        std::array<SimBlock, NUM_CHANNELS> blocks;
        blocks.fill(MakeBlock(wanted));
        CSimSoundEngine engine;
        engine.SetLive(blocks);
        // A square wave: its every sample is at the level.
        const float v = static_cast<float>(std::pow(10.0, t.dSignalDbfs / 20.0));
        const Signal out = RunEngine(engine, 2 * SOUND_RATE, [v](int n) { return std::pair{n % 2 ? v : -v, v}; });
        EXPECT_EQ(out.back()[0] != 0.0f, t.bOpen) << t.nInputLevel << " " << t.dSignalDbfs;
    }
}

}  // namespace
