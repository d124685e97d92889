// The device's filters in phase: the magnitude of the complex response is
// the curve the graph draws, for every kind of element and a whole channel.
#include <gtest/gtest.h>

#include <random>

#include "ComplexResponse.h"
#include "EQ.h"

TEST(ComplexResponse, MagnitudeIsTheGraphsCurveForAnySetting)
{
    std::mt19937 rng(25);
    const auto pick = [&](int nLow, int nHigh) { return std::uniform_int_distribution<int>(nLow, nHigh)(rng); };
    CEQ eq;
    eq.Create(0, EQ_ELEMENTS);
    for (int nRound = 0; nRound < 100; ++nRound) {
        for (int e = 0; e < EQ_ELEMENTS; ++e) {
            CFilter& filter = eq.GetAt(e);
            if (e < EQ_BANDS) {
                filter.SetType(pick(0, 2));
                filter.SetSlope(pick(0, 1));
                filter.SetQIndex(pick(0, 59));
                filter.SetGainIndex(pick(0, 3) == 0 ? GAIN_INDEX_FLAT : pick(0, GAIN_INDEX_MAX));
            } else {
                filter.SetAlignment(pick(0, 2));
                filter.SetSlope(pick(0, 6));
            }
            // Now and then a crossover at its off end.
            filter.SetFrequency(pick(0, 5) == 0 ? (e == EQ_LOW_PASS ? 20000 : 20) : pick(20, 20000));
            ComplexGrid h = UnityGrid();
            MultiplyElement(filter, h);
            for (int i = 0; i < GRID_POINTS; ++i)
                ASSERT_NEAR(LevelDb(h[static_cast<std::size_t>(i)]), filter.m_dCurve[i], 1e-9)
                    << "round " << nRound << " element " << e << " point " << i;
        }
        eq.SumCurve();
        const ComplexGrid h = FilterSetResponse(eq);
        for (int i = 0; i < GRID_POINTS; ++i)
            ASSERT_NEAR(LevelDb(h[static_cast<std::size_t>(i)]), eq.m_dSum[i], 1e-9) << "round " << nRound;
    }
}
