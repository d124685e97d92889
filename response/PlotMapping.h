// Conversions between frequency, level and pixels inside the graph's plot
// area: three decades of frequency across, +30 dB at the top to -30 dB at
// the bottom. Callers add the plot area's margins themselves.
#pragma once

// The plot area's offset inside the graph window.
inline constexpr int PLOT_LEFT = 35;
inline constexpr int PLOT_TOP = 10;

inline constexpr double FREQ_MIN_HZ = 20.0;
inline constexpr double FREQ_MAX_HZ = 20000.0;
inline constexpr double PLOT_TOP_DB = 30.0;
inline constexpr double PLOT_RANGE_DB = 60.0;

// Each decade takes nWidth / 3 whole pixels. Frequencies outside 20..20000
// (and NaN) are placed at the nearer edge.
int FreqToX(double f, int nWidth);
// Always 20..20000; a plot narrower than three pixels gives 20.
int XToFreq(int x, int nWidth);
// Pixels beyond this are as good as infinitely far off the plot, and still
// convert to int without overflow.
inline constexpr double PIXEL_LIMIT = 1.0e6;

// Levels far outside the plot still give finite pixels; a level that is not
// a number lands on the 0 dB line. Inline and branch-free, as the grid loops
// run it for every point of every curve.
inline int DbToY(double dB, int nHeight)
{
    if (dB != dB)
        dB = 0.0;
    double y = (static_cast<double>(nHeight) / PLOT_RANGE_DB) * (PLOT_TOP_DB - dB) + 0.5;
    y = y < -PIXEL_LIMIT ? -PIXEL_LIMIT : y;
    y = y > PIXEL_LIMIT ? PIXEL_LIMIT : y;
    return static_cast<int>(y);
}
// A plot without height gives 0 dB.
double YToDb(int y, int nHeight);
