#include "BoxQp.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {
enum class Bound { Free, Low, High };

// Solves A y = b for the symmetric positive definite A (k x k) in place;
// false when A is not positive definite.
bool CholeskySolve(std::vector<double>& A, std::vector<double>& b, std::size_t k)
{
    for (std::size_t j = 0; j < k; ++j) {
        double d = A[j * k + j];
        for (std::size_t p = 0; p < j; ++p)
            d -= A[j * k + p] * A[j * k + p];
        if (!(d > 0.0))
            return false;
        const double l = std::sqrt(d);
        A[j * k + j] = l;
        for (std::size_t i = j + 1; i < k; ++i) {
            double s = A[i * k + j];
            for (std::size_t p = 0; p < j; ++p)
                s -= A[i * k + p] * A[j * k + p];
            A[i * k + j] = s / l;
        }
    }
    for (std::size_t i = 0; i < k; ++i) {
        double s = b[i];
        for (std::size_t p = 0; p < i; ++p)
            s -= A[i * k + p] * b[p];
        b[i] = s / A[i * k + i];
    }
    for (std::size_t i = k; i-- > 0;) {
        double s = b[i];
        for (std::size_t p = i + 1; p < k; ++p)
            s -= A[p * k + i] * b[p];
        b[i] = s / A[i * k + i];
    }
    return true;
}
}  // namespace

std::vector<double> SolveBoxQp(const std::vector<double>& H, const std::vector<double>& c,
                               const std::vector<double>& lo, const std::vector<double>& hi)
{
    const std::size_t n = c.size();
    std::vector<double> x(n, 0.0);
    std::vector<Bound> state(n, Bound::Free);
    for (std::size_t j = 0; j < n; ++j) {
        x[j] = std::clamp(0.0, lo[j], hi[j]);
        if (lo[j] >= hi[j])
            state[j] = Bound::Low;  // nothing to choose
    }
    // Pulls smaller than rounding do not free a bound.
    double dTolerance = 0.0;
    for (const double d : c)
        dTolerance = std::max(dTolerance, std::fabs(d));
    dTolerance = 1e-12 * (1.0 + dTolerance);
    const auto gradient = [&](std::size_t j) {
        double g = c[j];
        for (std::size_t p = 0; p < n; ++p)
            g += H[j * n + p] * x[p];
        return g;
    };

    // Each pass either stops at a bound (one more bound held) or reaches the
    // minimum over the free unknowns and lets one bound go; the objective
    // falls on every pass, so no set of bounds comes back.
    const std::size_t nMaxPasses = 10 * n + 50;
    for (std::size_t nPass = 0; nPass < nMaxPasses; ++nPass) {
        std::vector<std::size_t> free;
        for (std::size_t j = 0; j < n; ++j)
            if (state[j] == Bound::Free)
                free.push_back(j);
        const std::size_t k = free.size();
        std::vector<double> A(k * k);
        std::vector<double> y(k);
        for (std::size_t a = 0; a < k; ++a) {
            double r = -c[free[a]];
            for (std::size_t p = 0; p < n; ++p)
                if (state[p] != Bound::Free)
                    r -= H[free[a] * n + p] * x[p];
            y[a] = r;
            for (std::size_t b = 0; b < k; ++b)
                A[a * k + b] = H[free[a] * n + free[b]];
        }
        if (k > 0 && !CholeskySolve(A, y, k))
            break;

        // Towards the free minimum, as far as the bounds let us.
        double dStep = 1.0;
        std::size_t nBlocking = n;
        bool bBlockedLow = false;
        for (std::size_t a = 0; a < k; ++a) {
            const std::size_t j = free[a];
            const double p = y[a] - x[j];
            if (p < 0.0 && x[j] + p < lo[j]) {
                const double t = (lo[j] - x[j]) / p;
                if (t < dStep) {
                    dStep = t;
                    nBlocking = j;
                    bBlockedLow = true;
                }
            } else if (p > 0.0 && x[j] + p > hi[j]) {
                const double t = (hi[j] - x[j]) / p;
                if (t < dStep) {
                    dStep = t;
                    nBlocking = j;
                    bBlockedLow = false;
                }
            }
        }
        for (std::size_t a = 0; a < k; ++a) {
            const std::size_t j = free[a];
            x[j] = std::clamp(x[j] + dStep * (y[a] - x[j]), lo[j], hi[j]);
        }
        if (nBlocking < n) {
            state[nBlocking] = bBlockedLow ? Bound::Low : Bound::High;
            x[nBlocking] = bBlockedLow ? lo[nBlocking] : hi[nBlocking];
            continue;
        }

        // At the minimum over the free unknowns: let go of the bound that
        // holds the objective up the most.
        std::size_t nRelease = n;
        double dWorst = dTolerance;
        for (std::size_t j = 0; j < n; ++j) {
            if (state[j] == Bound::Free || lo[j] >= hi[j])
                continue;
            const double g = gradient(j);
            const double dPull = state[j] == Bound::Low ? -g : g;  // > 0: the bound holds x back
            if (dPull > dWorst) {
                dWorst = dPull;
                nRelease = j;
            }
        }
        if (nRelease == n)
            break;
        state[nRelease] = Bound::Free;
    }
    return x;
}
