#include "BandResponse.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double LN2 = 0.69314718;
constexpr double GAIN_EXPONENT_DIVISOR = 40.0;

// How far each shelf moves its corner and how steep it is, by type and
// shelf slope code (6 or 12 dB per octave).
struct ShelfShape {
    double dCornerFactor;
    double dS;
};
constexpr ShelfShape HIGH_SHELF[2] = {{0.4545454546, 0.5}, {0.76923076923, 1.05}};
constexpr ShelfShape LOW_SHELF[2] = {{2.0, 0.5}, {1.2727272727, 1.05}};

double SnappedOmega(int nFreq)
{
    return g_dFreqGrid[NearestGridIndex(nFreq)] * CENTRE_FREQ_SCALE;
}
}  // namespace

BiquadSection PeakingSection(int nFreq, double dGain, double dBandwidth)
{
    const double w0 = SnappedOmega(nFreq);
    const double A = std::pow(10.0, dGain / GAIN_EXPONENT_DIVISOR);
    const double sn = std::sin(w0);
    const double alpha = std::sinh(LN2 * dBandwidth * w0 / sn) * sn;
    const double a0 = alpha / A + 1.0;
    const double cs2 = -2.0 * std::cos(w0);
    return {(alpha * A + 1.0) / a0, cs2 / a0, (1.0 - alpha * A) / a0, cs2 / a0, (1.0 - alpha / A) / a0};
}

BiquadSection ShelfSection(int nType, int nFreq, double dGain, int nShelfSlope)
{
    if (dGain == 0.0)
        return {};
    const int nShape = std::clamp(nShelfSlope, 0, 1);
    const ShelfShape& shape = nType == BAND_HIGH_SHELF ? HIGH_SHELF[nShape] : LOW_SHELF[nShape];
    const double w0 = SnappedOmega(nFreq) * shape.dCornerFactor;
    const double A = std::pow(10.0, dGain / GAIN_EXPONENT_DIVISOR);
    const double c0 = std::cos(w0);
    const double alpha = std::sqrt((1.0 / A + A) * (1.0 / shape.dS - 1.0) + 2.0) * (std::sin(w0) / 2.0);
    const double beta = 2.0 * std::sqrt(A) * alpha;
    if (nType == BAND_HIGH_SHELF) {
        const double a0 = (A + 1.0) - (A - 1.0) * c0 + beta;
        return {((A + 1.0) + (A - 1.0) * c0 + beta) * A / a0, -2.0 * A * ((A - 1.0) + (A + 1.0) * c0) / a0,
                ((A + 1.0) + (A - 1.0) * c0 - beta) * A / a0, 2.0 * ((A - 1.0) - (A + 1.0) * c0) / a0,
                ((A + 1.0) - (A - 1.0) * c0 - beta) / a0};
    }
    const double a0 = (A + 1.0) + (A - 1.0) * c0 + beta;
    return {((A + 1.0) - (A - 1.0) * c0 + beta) * A / a0, 2.0 * A * ((A - 1.0) - (A + 1.0) * c0) / a0,
            ((A + 1.0) - (A - 1.0) * c0 - beta) * A / a0, ((A - 1.0) + (A + 1.0) * c0) * (-2.0) / a0,
            ((A + 1.0) + (A - 1.0) * c0 - beta) / a0};
}
