#include "FreqGrid.h"

#include <algorithm>
#include <cmath>

// 1000 Hz x 2^((k - 136) / 24), one decimal below index 57 and whole hertz
// from there, with the fourteen entries the device's grid holds differently
// (16, 72, 76, 99, 105, 137..140, 142, 182, 217, 222, 240).
const double g_dFreqGrid[GRID_POINTS] = {
    19.7,  20.3,  20.9,  21.5,  22.1,  22.7,  23.4,  24.1,  24.8,  25.5,  26.3,  27.0,  27.8,  28.7,  29.5,  30.4,
    31.3,  32.2,  33.1,  34.1,  35.1,  36.1,  37.2,  38.3,  39.4,  40.5,  41.7,  42.9,  44.2,  45.5,  46.8,  48.2,
    49.6,  51.1,  52.6,  54.1,  55.7,  57.3,  59.0,  60.7,  62.5,  64.3,  66.2,  68.2,  70.2,  72.2,  74.3,  76.5,
    78.7,  81.1,  83.4,  85.9,  88.4,  91.0,  93.6,  96.4,  99.2,  102,   105,   108,   111,   115,   118,   121,
    125,   129,   132,   136,   140,   144,   149,   153,   158,   162,   167,   172,   179,   182,   187,   193,
    198,   204,   210,   216,   223,   229,   236,   243,   250,   257,   265,   273,   281,   289,   297,   306,
    315,   324,   334,   344,   354,   364,   375,   386,   397,   409,   420,   433,   445,   459,   472,   486,
    500,   515,   530,   545,   561,   578,   595,   612,   630,   648,   667,   687,   707,   728,   749,   771,
    794,   817,   841,   866,   891,   917,   944,   972,   1000,  1030,  1060,  1090,  1123,  1155,  1190,  1224,
    1260,  1297,  1335,  1374,  1414,  1456,  1498,  1542,  1587,  1634,  1682,  1731,  1782,  1834,  1888,  1943,
    2000,  2059,  2119,  2181,  2245,  2311,  2378,  2448,  2520,  2594,  2670,  2748,  2828,  2911,  2997,  3084,
    3175,  3268,  3364,  3462,  3564,  3668,  3776,  3886,  4000,  4117,  4238,  4362,  4490,  4621,  4757,  4896,
    5040,  5187,  5339,  5496,  5657,  5823,  5993,  6169,  6350,  6536,  6727,  6924,  7127,  7336,  7551,  7772,
    8000,  8234,  8476,  8724,  8980,  9243,  9514,  9792,  10079, 10374, 10679, 10992, 11314, 11645, 11987, 12338,
    12699, 13071, 13454, 13849, 14254, 14672, 15102, 15545, 16000, 16469, 16951, 17448, 17959, 18486, 19027, 19585,
    20000,
};

namespace {
constexpr double TWO_PI = 6.2831852;
constexpr double SAMPLE_RATE = 96000.0;
}  // namespace

int NearestGridIndex(double f)
{
    // The first entry at or above f; the grid rises, so a binary search finds
    // the same entry as a scan from the bottom.
    const double* pEnd = g_dFreqGrid + GRID_POINTS;
    const double* pAt = std::lower_bound(g_dFreqGrid, pEnd, f);
    if (pAt == pEnd || f != f)
        return GRID_POINTS - 1;
    const int i = static_cast<int>(pAt - g_dFreqGrid);
    if (i == 0)
        return 0;
    const double d1 = f - g_dFreqGrid[i - 1];
    const double d2 = g_dFreqGrid[i] - f;
    return d1 < d2 ? i - 1 : i;
}

double GridAngle(int i)
{
    return TWO_PI * g_dFreqGrid[i] / SAMPLE_RATE;
}

const GridTrig& GetGridTrig()
{
    static const GridTrig s_trig = [] {
        GridTrig trig{};
        for (int i = 0; i < GRID_POINTS; ++i) {
            const double w = GridAngle(i);
            trig.c[i] = std::cos(w);
            trig.s[i] = std::sin(w);
        }
        return trig;
    }();
    return s_trig;
}
