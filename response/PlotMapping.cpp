#include "PlotMapping.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int DECADES = 3;
int TruncatePixel(double v)
{
    return static_cast<int>(std::clamp(v, -PIXEL_LIMIT, PIXEL_LIMIT));
}
}  // namespace

int FreqToX(double f, int nWidth)
{
    if (!(f >= FREQ_MIN_HZ))
        f = FREQ_MIN_HZ;
    else if (f > FREQ_MAX_HZ)
        f = FREQ_MAX_HZ;
    return TruncatePixel(std::log10(f / FREQ_MIN_HZ) * static_cast<double>(nWidth / DECADES));
}

int XToFreq(int x, int nWidth)
{
    const int nDecade = nWidth / DECADES;
    if (nDecade <= 0)
        return static_cast<int>(FREQ_MIN_HZ);
    double f = FREQ_MIN_HZ * std::pow(10.0, x / static_cast<double>(nDecade));
    if (f > FREQ_MAX_HZ)
        f = FREQ_MAX_HZ;
    if (f < FREQ_MIN_HZ)
        f = FREQ_MIN_HZ;
    return static_cast<int>(f);
}

double YToDb(int y, int nHeight)
{
    if (nHeight <= 0)
        return 0.0;
    const double r = PLOT_TOP_DB - (y * PLOT_RANGE_DB) / nHeight;
    return r > 0 ? r + 0.5 : r - 0.5;
}
