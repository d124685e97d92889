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
// Levels far outside the plot still give finite pixels; a level that is not
// a number lands on the 0 dB line.
int DbToY(double dB, int nHeight);
// A plot without height gives 0 dB.
double YToDb(int y, int nHeight);
