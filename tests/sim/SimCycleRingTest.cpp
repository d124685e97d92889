// The virtual processor's sources against its sink, over many cycles of a
// clock in random order, with cycles either side misses: each frame a
// source plays is the one the sink got exactly one cycle earlier, or
// silence; never anything shifted. Whenever the sink ran in the cycle before,
// nothing is silence, and with nothing missed no cycle counts as short.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "SimCycleRing.h"

TEST(SimCycleRing, EachFrameComesExactlyOneCycleLateOrNotAtAll)
{
    std::mt19937 random(7);
    for (const int nQuantum : {256, 1024}) {
        for (const double dMiss : {0.0, 0.15}) {
            constexpr int CHANNELS = 2;
            CSimCycleRing ring(CHANNELS, 4 * nQuantum);
            std::bernoulli_distribution miss(dMiss), sinkFirst(0.5), restart(0.02);
            std::vector<float> afIn(static_cast<std::size_t>(nQuantum) * CHANNELS), afOut(afIn.size());
            std::int64_t nAt = 1000;
            bool bSinkRanBefore = false;
            for (int nCycle = 0; nCycle < 400; ++nCycle) {
                // Now and then the server starts its cycles afresh, the next
                // one a part of a cycle after the last one began.
                const bool bRestart = restart(random);
                nAt += bRestart ? nQuantum / 3 : nQuantum;
                const bool bSink = !miss(random), bSource = !miss(random), bSinkFirst = sinkFirst(random);
                const auto RunSink = [&] {
                    for (int n = 0; n < nQuantum; ++n)
                        for (int c = 0; c < CHANNELS; ++c)
                            afIn[static_cast<std::size_t>(n * CHANNELS + c)] = static_cast<float>(nAt + n + c * 1e6);
                    ring.BeginWrite(nAt);
                    ring.Write(afIn.data(), nQuantum / 2);  // in pieces, as the engine works
                    ring.Write(afIn.data() + nQuantum / 2 * CHANNELS, nQuantum - nQuantum / 2);
                };
                if (bSink && bSinkFirst)
                    RunSink();
                if (bSource) {
                    ring.Read(nAt, afOut.data(), nQuantum);
                    int nSilent = 0;
                    for (int n = 0; n < nQuantum; ++n)
                        for (int c = 0; c < CHANNELS; ++c) {
                            const float f = afOut[static_cast<std::size_t>(n * CHANNELS + c)];
                            if (f == 0.0f)
                                ++nSilent;
                            else
                                ASSERT_EQ(f, static_cast<float>(nAt - nQuantum + n + c * 1e6))
                                    << "quantum " << nQuantum << ", cycle " << nCycle << ", frame " << n;
                        }
                    if (bSinkRanBefore && !bRestart) {
                        EXPECT_EQ(nSilent, 0) << "quantum " << nQuantum << ", cycle " << nCycle;
                    }
                }
                if (bSink && !bSinkFirst)
                    RunSink();
                bSinkRanBefore = bSink;
            }
            if (dMiss == 0.0) {
                EXPECT_EQ(ring.GetShortCycles(), 0) << "quantum " << nQuantum;
            }
        }
    }
}
