// The virtual processor's sources against its sink over many cycles, in
// random order, with cycles either side misses and now and then the server
// starting its cycles afresh: each frame a source plays is the sink's from
// exactly one cycle earlier, or silence, never shifted; none is silence when
// the sink ran the cycle before; with nothing missed no cycle counts short.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "SimCycleRing.h"

TEST(SimCycleRing, EachFrameComesExactlyOneCycleLateOrNotAtAll)
{
    constexpr int CHANNELS = 2;
    std::mt19937 random(7);
    for (const auto& run : {std::pair{256, 0.0}, {256, 0.15}, {1024, 0.0}, {1024, 0.15}}) {
        const int nQuantum = run.first;  // the lambdas below take it, which clang 14 refuses for a binding
        const double dMiss = run.second;
        CSimCycleRing ring(CHANNELS, 4 * nQuantum);
        std::bernoulli_distribution miss(dMiss), coin(0.5), restart(0.02);
        std::vector<float> afIn(static_cast<std::size_t>(nQuantum) * CHANNELS), afOut(afIn.size());
        // A frame's place on the clock, a channel apart by a million.
        const auto Place = [](std::int64_t nFrom, std::size_t i) {
            return static_cast<float>(nFrom + static_cast<long>(i / CHANNELS) + 1e6 * (i % CHANNELS));
        };
        std::int64_t nAt = 1000;
        bool bSinkRanBefore = false;
        for (int nCycle = 0; nCycle < 400; ++nCycle) {
            const bool bRestart = restart(random);
            nAt += bRestart ? nQuantum / 3 : nQuantum;
            const bool bSink = !miss(random), bSource = !miss(random), bSinkFirst = coin(random);
            const auto RunSink = [&] {
                for (std::size_t i = 0; i < afIn.size(); ++i)
                    afIn[i] = Place(nAt, i);
                ring.BeginWrite(nAt);
                ring.Write(afIn.data(), nQuantum / 2);  // in pieces, as the engine works
                ring.Write(afIn.data() + nQuantum / 2 * CHANNELS, nQuantum - nQuantum / 2);
            };
            if (bSink && bSinkFirst)
                RunSink();
            if (bSource) {
                ring.Read(nAt, afOut.data(), nQuantum);
                for (std::size_t i = 0; i < afOut.size(); ++i) {
                    // Silence only where the sink may have missed that cycle.
                    if (afOut[i] != 0.0f || (bSinkRanBefore && !bRestart)) {
                        ASSERT_EQ(afOut[i], Place(nAt - nQuantum, i)) << nQuantum << " frames, cycle " << nCycle;
                    }
                }
            }
            if (bSink && !bSinkFirst)
                RunSink();
            bSinkRanBefore = bSink;
        }
        if (dMiss == 0.0) {
            EXPECT_EQ(ring.GetShortCycles(), 0) << nQuantum << " frames";
        }
    }
}
