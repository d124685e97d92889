#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "SimRoom.h"

namespace {

// The microphone is the sum of each output convolved with its response,
// summed here sample by sample; the loopback is the left input; both come
// LATENCY frames late. Responses of different lengths, one channel absent,
// blocks of odd sizes.
TEST(SimRoom, MicrophoneIsTheRoomsConvolutionAndLoopbackTheInput)
{
    std::mt19937 rng(7);
    std::normal_distribution<float> g(0.0f, 1.0f);
    const std::array<int, NUM_CHANNELS> anLen{ROOM_MAX_FRAMES, 1000, 0, 257};
    std::array<std::vector<float>, NUM_CHANNELS> ir;
    for (int c = 0; c < NUM_CHANNELS; ++c)
        for (int n = 0; n < anLen[c]; ++n)
            ir[c].push_back(g(rng) * 0.3f * std::exp(-n / 4000.0f));
    CSimRoom room(ir, std::nullopt);

    constexpr int N = 6000;
    std::vector<float> out(NUM_CHANNELS * N), in(2 * N), mic(2 * N);
    for (float& v : out)
        v = g(rng) * 0.1f;
    for (float& v : in)
        v = g(rng) * 0.1f;
    for (int n0 = 0, nStep = 1; n0 < N; n0 += nStep, nStep = nStep * 3 % 700 + 1) {
        const int n = std::min(nStep, N - n0);
        room.Process(&out[NUM_CHANNELS * n0], &in[2 * n0], n, &mic[2 * n0]);
    }
    double dErr = 0, dPower = 0;
    for (int n = CSimRoom::LATENCY; n < N; ++n) {
        const int m = n - CSimRoom::LATENCY;
        double want = 0;
        for (int c = 0; c < NUM_CHANNELS; ++c)
            for (int k = 0; k <= m && k < anLen[c]; ++k)
                want += static_cast<double>(ir[c][k]) * out[static_cast<std::size_t>(NUM_CHANNELS * (m - k) + c)];
        dErr += (mic[2 * n] - want) * (mic[2 * n] - want);
        dPower += want * want;
        ASSERT_EQ(mic[2 * n + 1], in[2 * m]) << n;
    }
    // 0.1 dB is a relative error of 1.2 %; float arithmetic does far better.
    EXPECT_LT(std::sqrt(dErr / dPower), 1e-4);
}

// Noise at the level asked for, and only noise without responses.
TEST(SimRoom, NoiseHasItsLevel)
{
    CSimRoom room({}, -40.0);
    constexpr int N = 48000;
    std::vector<float> zeros(NUM_CHANNELS * N), mic(2 * N);
    room.Process(zeros.data(), zeros.data(), N, mic.data());
    double dPower = 0;
    for (int n = CSimRoom::LATENCY; n < N; ++n)
        dPower += static_cast<double>(mic[2 * n]) * mic[2 * n];
    EXPECT_NEAR(10 * std::log10(dPower / (N - CSimRoom::LATENCY)), -40.0, 0.1);
}

}  // namespace
