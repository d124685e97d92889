#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "FreqGrid.h"
#include "FreqTables.h"
#include "LiteralResponse.h"
#include "PlotMapping.h"

TEST(FreqGrid, RuleAndPatchedEntries)
{
    EXPECT_EQ(g_dFreqGrid[0], 19.7);
    EXPECT_EQ(g_dFreqGrid[1], 20.3);
    EXPECT_EQ(g_dFreqGrid[2], 20.9);
    EXPECT_EQ(g_dFreqGrid[3], 21.5);
    EXPECT_EQ(g_dFreqGrid[56], 99.2);
    EXPECT_EQ(g_dFreqGrid[57], 102);
    EXPECT_EQ(g_dFreqGrid[136], 1000);
    EXPECT_EQ(g_dFreqGrid[160], 2000);
    EXPECT_EQ(g_dFreqGrid[238], 19027);
    EXPECT_EQ(g_dFreqGrid[239], 19585);
    EXPECT_EQ(g_dFreqGrid[240], 20000);

    const struct {
        int i;
        double f;
    } patched[] = {{16, 31.3},  {72, 158},   {76, 179},   {99, 344},   {105, 409},   {137, 1030},  {138, 1060},
                   {139, 1090}, {140, 1123}, {142, 1190}, {182, 3776}, {217, 10374}, {222, 11987}, {240, 20000}};
    for (const auto& p : patched)
        EXPECT_EQ(g_dFreqGrid[p.i], p.f) << "index " << p.i;

    // Every other entry follows the rounding rule, and the grid rises.
    for (int k = 0; k < GRID_POINTS; ++k) {
        if (k > 0) {
            EXPECT_GT(g_dFreqGrid[k], g_dFreqGrid[k - 1]);
        }
        if (std::any_of(std::begin(patched), std::end(patched), [k](const auto& p) { return p.i == k; }))
            continue;
        const double f = 1000.0 * std::pow(2.0, (k - 136) / 24.0);
        const double rounded = k < 57 ? std::round(f * 10.0) / 10.0 : std::round(f);
        EXPECT_NEAR(g_dFreqGrid[k], rounded, 1e-9) << "index " << k;
    }
}

TEST(FreqGrid, NearestIndexAndQTable)
{
    EXPECT_EQ(NearestGridIndex(1000), 136);
    EXPECT_EQ(NearestGridIndex(1015), 137);  // a tie goes up
    EXPECT_EQ(NearestGridIndex(1010), 136);
    EXPECT_EQ(NearestGridIndex(1020), 137);
    EXPECT_EQ(NearestGridIndex(5), 0);
    EXPECT_EQ(NearestGridIndex(19.7), 0);
    EXPECT_EQ(NearestGridIndex(20000), 240);
    EXPECT_EQ(NearestGridIndex(25000), 240);
    EXPECT_EQ(NearestGridIndex(-1), 0);
    EXPECT_EQ(NearestGridIndex(std::numeric_limits<double>::quiet_NaN()), 240);

    EXPECT_EQ(g_dBandwidthQ[0], 28.9);
    EXPECT_EQ(g_dBandwidthQ[24], 4.97);
    EXPECT_EQ(g_dBandwidthQ[26], 4.65);
    EXPECT_EQ(g_dBandwidthQ[52], 2.52);
    EXPECT_EQ(g_dBandwidthQ[59], 2.24);
    for (int k = 1; k < BANDWIDTH_Q_COUNT; ++k)
        EXPECT_LT(g_dBandwidthQ[k], g_dBandwidthQ[k - 1]);
    EXPECT_EQ(QIndexFromQ(4.8), 25);
    EXPECT_EQ(QIndexFromQ(100), 0);
    EXPECT_EQ(QIndexFromQ(1.0), 59);
    EXPECT_EQ(QIndexFromQ(4.9), 25);  // between two entries: the wider band
    EXPECT_EQ(QIndexFromQ(std::numeric_limits<double>::quiet_NaN()), 59);

    EXPECT_EQ(g_nGraphicEqFreq[0], 20);
    EXPECT_EQ(g_nGraphicEqFreq[17], 1000);
    EXPECT_EQ(g_nGraphicEqFreq[30], 20000);
    EXPECT_EQ(g_nBandFreqLow15[2], 30);
    EXPECT_EQ(g_nBandFreqLow15[14], 500);
}

TEST(PlotMapping, EdgeValues)
{
    EXPECT_EQ(FreqToX(20000, 300), 300);
    EXPECT_EQ(FreqToX(20000, 301), 300);  // whole-pixel decades leave the rest empty
    EXPECT_EQ(FreqToX(20, 300), 0);
    EXPECT_EQ(FreqToX(200, 300), 100);
    EXPECT_EQ(XToFreq(0, 300), 20);
    EXPECT_EQ(XToFreq(300, 300), 20000);
    EXPECT_EQ(XToFreq(302, 302), 20000);
    EXPECT_EQ(XToFreq(-50, 300), 20);
    EXPECT_EQ(XToFreq(100, 300), 200);

    EXPECT_EQ(DbToY(0, 150), 75);
    EXPECT_EQ(DbToY(30, 150), 0);
    EXPECT_EQ(DbToY(-30, 150), 150);
    EXPECT_DOUBLE_EQ(YToDb(0, 150), 30.5);
    EXPECT_DOUBLE_EQ(YToDb(75, 150), -0.5);
    EXPECT_DOUBLE_EQ(YToDb(150, 150), -30.5);
}

// Degenerate plot sizes and wild values give finite pixels, never a trap.
TEST(PlotMapping, DegenerateInputStayFinite)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (int w : {0, 1, 2}) {
        EXPECT_EQ(FreqToX(1000, w), 0);
        EXPECT_EQ(XToFreq(5, w), 20);
    }
    EXPECT_EQ(FreqToX(nan, 300), 0);
    EXPECT_EQ(FreqToX(0, 300), 0);
    EXPECT_EQ(FreqToX(-5, 300), 0);
    EXPECT_EQ(FreqToX(1e300, 300), 300);
    EXPECT_EQ(FreqToX(inf, 300), 300);
    EXPECT_EQ(DbToY(nan, 150), 75);
    EXPECT_EQ(DbToY(-inf, 150), 1000000);
    EXPECT_EQ(DbToY(inf, 150), -1000000);
    EXPECT_EQ(DbToY(-1e300, 150), 1000000);
    EXPECT_EQ(DbToY(10, 0), 0);
    EXPECT_EQ(YToDb(10, 0), 0.0);
    EXPECT_EQ(YToDb(10, -5), 0.0);
}

// The binary search finds what the scan from the bottom finds, ties and
// grid points included.
TEST(FreqGrid, NearestIndexMatchesTheScan)
{
    for (double f = 0; f < 21000; f += 0.5)
        ASSERT_EQ(NearestGridIndex(f), literal::NearestIndex(f)) << f;
    for (double f : g_dFreqGrid)
        ASSERT_EQ(NearestGridIndex(f), literal::NearestIndex(f)) << f;
}
