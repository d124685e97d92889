#include "HalfBandKernel.h"

#include <cmath>
#include <numbers>

namespace {
// Kaiser's beta for about 100 dB of stop-band attenuation.
constexpr double KAISER_BETA = 10.0;

// The zeroth-order modified Bessel function, by its series.
double BesselI0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 60; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < 1e-17 * sum)
            break;
    }
    return sum;
}

HalfBandOddTaps Design()
{
    HalfBandOddTaps g{};
    constexpr int M = 2 * HALF_BAND_K + 1;  // the outermost tap
    const double norm = BesselI0(KAISER_BETA);
    double sum = 0.0;
    for (int i = 0; i < HALF_BAND_ODD_TAPS; ++i) {
        const int n = 2 * (i - (HALF_BAND_K + 1)) + 1;
        const double r = static_cast<double>(n) / (M + 1);
        const double window = BesselI0(KAISER_BETA * std::sqrt(1.0 - r * r)) / norm;
        g[static_cast<std::size_t>(i)] = std::sin(std::numbers::pi * n / 2.0) / (std::numbers::pi * n) * window;
        sum += g[static_cast<std::size_t>(i)];
    }
    // The odd taps sum to exactly 1/2, so the kernel passes DC unchanged and
    // both phases of the doubled signal carry the same gain.
    for (double& v : g)
        v *= 0.5 / sum;
    return g;
}
}  // namespace

const HalfBandOddTaps& GetHalfBandOddTaps()
{
    static const HalfBandOddTaps taps = Design();
    return taps;
}
