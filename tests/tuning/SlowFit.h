// Two fits to hold ours against. The slow one is plainly correct: a
// log-barrier interior-point method on the very problem the fit solves (the
// same free bands, points, error and limits of the whole equaliser, from
// MakeFitProblem), with Newton steps on the true curves and a line search
// that never leaves the limits; the barrier is tightened tenfold until it
// no longer matters. It finds the least error the rules allow in continuous
// gains, however slowly. The baseline is what general-purpose tools do: each
// band set against the deviation at its centre.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "BandCurve.h"
#include "EqFit.h"
#include "FreqTables.h"

namespace reference {

// The fit's problem for request, with its frame; false when there is none.
inline bool ProblemOf(const FitRequest& request, FitProblem& problem)
{
    FitOutcome frame = FitFrame(request);
    return frame.bOk && MakeFitProblem(request, frame, problem);
}

// The error (RMS over the points) of free-band gains in dB.
inline double RmsOfGains(const FitProblem& p, const std::vector<double>& g)
{
    std::vector<double> e = p.adBase;
    double ad[GRID_POINTS];
    for (std::size_t b = 0; b < g.size(); ++b) {
        FitterCurve(p.aBand[b], g[b], ad);
        for (std::size_t k = 0; k < e.size(); ++k)
            e[k] += ad[p.anPoint[k]];
    }
    double s = 0.0;
    for (const double d : e)
        s += d * d;
    return std::sqrt(s / static_cast<double>(e.size()));
}

// The least RMS error within the limits, in continuous gains.
inline double SlowBestRms(const FitProblem& p)
{
    const std::size_t m = p.aBand.size();
    const std::size_t n = p.anPoint.size();
    constexpr double SLACK = 1e-6;  // the limits opened this much, so flat lies strictly inside
    constexpr double H = 1e-4;      // central differences
    std::vector<double> lo(m), hi(m);
    for (std::size_t b = 0; b < m; ++b) {
        lo[b] = GainOfIndex(p.aBand[b].nLowIndex) - SLACK;
        hi[b] = GainOfIndex(p.aBand[b].nHighIndex) + SLACK;
    }
    struct Point {
        std::vector<double> e;
        double eq[GRID_POINTS];
        bool bInside;
    };
    const auto evaluate = [&](const std::vector<double>& g) {
        Point pt;
        pt.e = p.adBase;
        std::copy(std::begin(p.adFixed), std::end(p.adFixed), std::begin(pt.eq));
        double ad[GRID_POINTS];
        for (std::size_t b = 0; b < m; ++b) {
            FitterCurve(p.aBand[b], g[b], ad);
            for (int i = 0; i < GRID_POINTS; ++i)
                pt.eq[i] += ad[i];
            for (std::size_t k = 0; k < n; ++k)
                pt.e[k] += ad[p.anPoint[k]];
        }
        pt.bInside = true;
        for (std::size_t b = 0; b < m; ++b)
            pt.bInside = pt.bInside && g[b] > lo[b] && g[b] < hi[b];
        for (int i = 0; i < GRID_POINTS; ++i)
            pt.bInside = pt.bInside && pt.eq[i] < p.limits.adHigh[i] + SLACK && pt.eq[i] > p.limits.adLow[i] - SLACK;
        return pt;
    };
    const auto barrier = [&](const std::vector<double>& g, const Point& pt, double t) {
        double f = 0.0;
        for (const double d : pt.e)
            f += d * d;
        f *= t;
        for (int i = 0; i < GRID_POINTS; ++i)
            f -= std::log(p.limits.adHigh[i] + SLACK - pt.eq[i]) + std::log(pt.eq[i] - p.limits.adLow[i] + SLACK);
        for (std::size_t b = 0; b < m; ++b)
            f -= std::log(hi[b] - g[b]) + std::log(g[b] - lo[b]);
        return f;
    };

    std::vector<double> g(m, 0.0);
    for (double t = 1.0; t < 1e10; t *= 10.0) {
        for (int nNewton = 0; nNewton < 100; ++nNewton) {
            const Point pt = evaluate(g);
            std::vector<std::array<double, GRID_POINTS>> J(m);
            double adUp[GRID_POINTS], adDown[GRID_POINTS];
            for (std::size_t b = 0; b < m; ++b) {
                FitterCurve(p.aBand[b], g[b] + H, adUp);
                FitterCurve(p.aBand[b], g[b] - H, adDown);
                for (int i = 0; i < GRID_POINTS; ++i)
                    J[b][i] = (adUp[i] - adDown[i]) / (2 * H);
            }
            std::vector<double> grad(m, 0.0), hess(m * m, 0.0);
            for (std::size_t k = 0; k < n; ++k) {
                const int i = p.anPoint[k];
                for (std::size_t a = 0; a < m; ++a) {
                    grad[a] += 2 * t * J[a][i] * pt.e[k];
                    for (std::size_t b = 0; b < m; ++b)
                        hess[a * m + b] += 2 * t * J[a][i] * J[b][i];
                }
            }
            for (int i = 0; i < GRID_POINTS; ++i) {
                const double su = p.limits.adHigh[i] + SLACK - pt.eq[i];
                const double sl = pt.eq[i] - p.limits.adLow[i] + SLACK;
                const double w = 1 / (su * su) + 1 / (sl * sl);
                for (std::size_t a = 0; a < m; ++a) {
                    grad[a] += J[a][i] / su - J[a][i] / sl;
                    for (std::size_t b = 0; b < m; ++b)
                        hess[a * m + b] += w * J[a][i] * J[b][i];
                }
            }
            for (std::size_t b = 0; b < m; ++b) {
                grad[b] += 1 / (hi[b] - g[b]) - 1 / (g[b] - lo[b]);
                hess[b * m + b] +=
                    1 / ((hi[b] - g[b]) * (hi[b] - g[b])) + 1 / ((g[b] - lo[b]) * (g[b] - lo[b])) + 1e-12;
            }
            // Newton direction by Gaussian elimination with partial pivoting.
            std::vector<double> A = hess, d(m);
            for (std::size_t a = 0; a < m; ++a)
                d[a] = -grad[a];
            for (std::size_t c = 0; c < m; ++c) {
                std::size_t r = c;
                for (std::size_t k = c + 1; k < m; ++k)
                    if (std::fabs(A[k * m + c]) > std::fabs(A[r * m + c]))
                        r = k;
                for (std::size_t k = 0; k < m; ++k)
                    std::swap(A[c * m + k], A[r * m + k]);
                std::swap(d[c], d[r]);
                for (std::size_t k = c + 1; k < m; ++k) {
                    const double q = A[k * m + c] / A[c * m + c];
                    for (std::size_t j = c; j < m; ++j)
                        A[k * m + j] -= q * A[c * m + j];
                    d[k] -= q * d[c];
                }
            }
            for (std::size_t c = m; c-- > 0;) {
                for (std::size_t j = c + 1; j < m; ++j)
                    d[c] -= A[c * m + j] * d[j];
                d[c] /= A[c * m + c];
            }
            double dDecrement = 0.0;
            for (std::size_t a = 0; a < m; ++a)
                dDecrement -= grad[a] * d[a];
            if (!(dDecrement > 1e-10))
                break;
            // Backtracking, never leaving the limits.
            const double f0 = barrier(g, pt, t);
            double s = 1.0;
            bool bStepped = false;
            for (int k = 0; k < 60 && !bStepped; ++k, s *= 0.5) {
                std::vector<double> gTry(m);
                for (std::size_t a = 0; a < m; ++a)
                    gTry[a] = g[a] + s * d[a];
                const Point ptTry = evaluate(gTry);
                if (ptTry.bInside && barrier(gTry, ptTry, t) <= f0 - 0.25 * s * dDecrement) {
                    g = gTry;
                    bStepped = true;
                }
            }
            if (!bStepped)
                break;
        }
    }
    return RmsOfGains(p, g);
}

// Each band against the deviation of the predicted response from the target
// at the band's centre, clipped to its bounds and put on the 0.1 dB steps;
// bands whose centre lies outside the range stay flat. It knows nothing of
// the limits of the whole equaliser.
inline std::array<int, EQ_BANDS> BaselineGains(const FitRequest& request, const FitOutcome& frame)
{
    std::array<int, EQ_BANDS> an{};
    for (int b = 0; b < EQ_BANDS; ++b) {
        const FitBand& band = request.aBand[b];
        an[b] = band.nGainIndex;
        if (frame.anLowIndex[b] == frame.anHighIndex[b])
            continue;
        const int i = NearestGridIndex(band.nFreq);
        an[b] = GAIN_INDEX_FLAT;
        if (!frame.range.abIn[i])
            continue;
        const double dDeviation = request.predicted.adLevel[i] - frame.target.adLevel[i];
        const int nIndex = static_cast<int>(std::lround((-dDeviation - GAIN_MIN_DB) / GAIN_STEP_DB));
        an[b] = std::clamp(nIndex, frame.anLowIndex[b], frame.anHighIndex[b]);
    }
    return an;
}

// The RMS error of whole gain indices of all 31 bands.
inline double RmsOfIndices(const FitProblem& p, const std::array<int, EQ_BANDS>& an)
{
    std::vector<double> g;
    for (const FitterBand& band : p.aBand)
        g.push_back(GainOfIndex(an[static_cast<std::size_t>(band.nBand)]));
    return RmsOfGains(p, g);
}

}  // namespace reference
