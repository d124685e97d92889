#include "BiquadSection.h"

#include <cmath>

namespace {
// 10 / ln 10: dB of a power ratio from its natural logarithm, which is
// cheaper than log10 and equal to it far below the precision that matters.
constexpr double DB_PER_NEPER_OF_POWER = 4.342944819032518;
}  // namespace

BiquadSection NormaliseSection(double a0, double a1, double a2, double b0, double b1, double b2)
{
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

void MultiplyPowerRatio(const BiquadSection& q, double (&ratio)[GRID_POINTS])
{
    const GridTrig& trig = GetGridTrig();
    for (int i = 0; i < GRID_POINTS; ++i) {
        const double c = trig.c[i];
        const double s = trig.s[i];
        const double dr = (c + q.A1) + c * q.A2;
        const double di = s - s * q.A2;
        const double nr = (c * q.B0 + q.B1) + c * q.B2;
        const double ni = s * q.B0 - s * q.B2;
        ratio[i] *= (nr * nr + ni * ni) / (dr * dr + di * di);
    }
}

void PowerRatioToDb(const double (&ratio)[GRID_POINTS], double (&dB)[GRID_POINTS])
{
    for (int i = 0; i < GRID_POINTS; ++i)
        dB[i] = DB_PER_NEPER_OF_POWER * std::log(ratio[i]);
}
