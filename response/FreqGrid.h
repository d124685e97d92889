// The fixed logarithmic frequency grid every response curve is computed on:
// 241 points, 1/24 octave apart, from 19.7 Hz to 20 kHz, and the lookup of
// the grid point nearest to a frequency.
#pragma once

inline constexpr int GRID_POINTS = 241;
inline constexpr int GRID_1KHZ_INDEX = 136;

extern const double g_dFreqGrid[GRID_POINTS];

// The grid entry nearest to f; a tie goes to the upper entry. Anything at or
// below the first entry gives 0, anything beyond the last gives 240.
int NearestGridIndex(double f);

// Cosine and sine of each grid point's angle at the device's 96 kHz sample
// rate, computed once for the program: every section evaluation uses them.
struct GridTrig {
    double c[GRID_POINTS];
    double s[GRID_POINTS];
};
const GridTrig& GetGridTrig();

// The angle of grid point i in radians per sample, as the response formulas
// define it.
double GridAngle(int i);
