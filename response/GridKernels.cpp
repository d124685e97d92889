#include "GridKernels.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "PlotMapping.h"

// The grid loops are the hot path of every drag: they are built for plain
// x86-64 and once more for AVX2, picked when the program starts. Neither
// contracts into fused multiply-adds, so both give the same bits. (This file
// is compiled with -O3 -fno-trapping-math so the loops run in vector lanes.)
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VARDEN_GRID_KERNEL [[gnu::target_clones("avx2", "default")]]
#else
#define VARDEN_GRID_KERNEL
#endif

namespace {
// 10 / ln 10: dB of a power ratio from its natural logarithm.
constexpr double DB_PER_NEPER_OF_POWER = 4.342944819032518;
constexpr double LN2 = 0.6931471805599453;

// ln x for a normal, finite, positive x, without branches so the loop over
// the grid runs in vector lanes. x = m * 2^e with m in [sqrt(1/2), sqrt(2));
// ln m = 2 atanh(z), z = (m - 1) / (m + 1), |z| < 0.172, whose series is
// within 1e-14 after eight terms: some 5e-14 dB, far below a pixel and
// below the 1e-9 dB the curves are held to against the literal formulas.
[[gnu::always_inline]] inline double LnNormal(std::uint64_t bits)
{
    constexpr std::uint64_t SQRT_HALF_BITS = 0x3FE6A09E667F3BCDull;
    constexpr double EXPONENT_MAGIC = 6755399441055744.0;  // 2^52 + 2^51
    const std::int64_t e = static_cast<std::int64_t>(bits - SQRT_HALF_BITS) >> 52;
    const double m = std::bit_cast<double>(bits - (static_cast<std::uint64_t>(e) << 52));
    const double dExponent =
        std::bit_cast<double>(std::bit_cast<std::uint64_t>(EXPONENT_MAGIC) + static_cast<std::uint64_t>(e)) -
        EXPONENT_MAGIC;
    const double z = (m - 1.0) / (m + 1.0);
    const double s = z * z;
    double p = 1.0 / 15.0;
    p = p * s + 1.0 / 13.0;
    p = p * s + 1.0 / 11.0;
    p = p * s + 1.0 / 9.0;
    p = p * s + 1.0 / 7.0;
    p = p * s + 1.0 / 5.0;
    p = p * s + 1.0 / 3.0;
    p = p * s + 1.0;
    return dExponent * LN2 + 2.0 * z * p;
}
}  // namespace

VARDEN_GRID_KERNEL void MultiplyPowerRatio(const BiquadSection& q, double (&ratio)[GRID_POINTS])
{
    const GridTrig& trig = GetGridTrig();
    const double B0 = q.B0, B1 = q.B1, B2 = q.B2, A1 = q.A1, A2 = q.A2;
    for (int i = 0; i < GRID_POINTS; ++i) {
        const double c = trig.c[i];
        const double s = trig.s[i];
        const double dr = (c + A1) + c * A2;
        const double di = s - s * A2;
        const double nr = (c * B0 + B1) + c * B2;
        const double ni = s * B0 - s * B2;
        ratio[i] *= (nr * nr + ni * ni) / (dr * dr + di * di);
    }
}

VARDEN_GRID_KERNEL void PowerRatioToDb(const double (&ratio)[GRID_POINTS], double (&dB)[GRID_POINTS])
{
    // Positive normal finite doubles are exactly the bit patterns from the
    // smallest normal up to the largest finite value.
    constexpr std::uint64_t NORMAL_LOW_BITS = 0x0010000000000000ull;
    constexpr std::uint64_t NORMAL_SPAN = 0x7FEFFFFFFFFFFFFFull - NORMAL_LOW_BITS;
    std::uint64_t nOutside = 0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(ratio[i]);
        dB[i] = DB_PER_NEPER_OF_POWER * LnNormal(bits);
        nOutside |= static_cast<std::uint64_t>(bits - NORMAL_LOW_BITS > NORMAL_SPAN);
    }
    if (nOutside == 0)
        return;
    // Zero, subnormal, infinite or undefined ratios (a notch exactly on a
    // grid point, a broken section) take the library's answer.
    for (int i = 0; i < GRID_POINTS; ++i)
        if (!(ratio[i] >= DBL_MIN && ratio[i] <= DBL_MAX))
            dB[i] = DB_PER_NEPER_OF_POWER * std::log(ratio[i]);
}

VARDEN_GRID_KERNEL void AccumulateLevels(const double (&dB)[GRID_POINTS], double (&sum)[GRID_POINTS])
{
    for (int i = 0; i < GRID_POINTS; ++i)
        sum[i] += dB[i];
}

VARDEN_GRID_KERNEL void LevelsToPixels(const double (&dB)[GRID_POINTS], int nHeight, int (&y)[GRID_POINTS])
{
    for (int i = 0; i < GRID_POINTS; ++i)
        y[i] = DbToY(dB[i], nHeight);
}
