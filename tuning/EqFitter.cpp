#include "EqFitter.h"

#include <algorithm>
#include <cmath>

#include "BandCurve.h"
#include "BoxQp.h"
#include "Filter.h"

namespace {
// The dB response of a band is close to linear in its gain: a few steps do.
constexpr int MAX_GAUSS_NEWTON_STEPS = 30;
// Central differences this far either side of a gain give the Jacobian.
constexpr double JACOBIAN_STEP_DB = 0.05;
// Levenberg-Marquardt damping, relative to each band's own curvature, and
// how it follows the ratio of the error's true fall to the one expected.
constexpr double INITIAL_DAMPING = 1e-3;
constexpr double MIN_DAMPING = 1e-9;
constexpr double MAX_DAMPING = 1e6;
constexpr double DAMPING_FACTOR = 4.0;
constexpr double TRUST_HIGH = 0.75;
constexpr double TRUST_LOW = 0.25;
// Keeps the normal equations positive definite when a band reaches no point
// in range (its column is zero).
constexpr double DAMPING_ABSOLUTE = 1e-12;
// A step that gains less than this share of the error ends the iteration.
constexpr double CONVERGED_RELATIVE = 1e-8;
constexpr int MAX_SETTLE_SWEEPS = 60;
// Every dB of gain costs a little, per point in range: a band whose curve
// barely reaches the range (one far below the high-pass) stays flat instead
// of taking its largest boost for a thousandth of a dB, and of two ways to
// the same curve the gentler is taken. At 1e-4 a band of 3 dB costs the
// error less than a thousandth of a dB.
constexpr double GAIN_COST = 1e-4;
// On the device's steps a band that is not flat at all costs this much more
// (in dB squared of error per point): a tenth of a dB that changes the error
// by less is not worth a band.
constexpr double ACTIVE_BAND_COST = 1e-4;
constexpr double SETTLE_MIN_GAIN = 1e-12;

double SumOfSquares(const std::vector<double>& e)
{
    double s = 0.0;
    for (const double d : e)
        s += d * d;
    return s;
}

double GainCost(const std::vector<double>& g, std::size_t nPoints)
{
    return GAIN_COST * static_cast<double>(nPoints) * SumOfSquares(g);
}
}  // namespace

CEqFitter::CEqFitter(std::vector<FitterBand> aBand, std::vector<int> anPoint, std::vector<double> adBase)
    : m_aBand(std::move(aBand)), m_anPoint(std::move(anPoint)), m_adBase(std::move(adBase))
{
}

void CEqFitter::Curve(std::size_t b, double dGain, std::vector<double>& out) const
{
    double adCurve[GRID_POINTS];
    PeakingCurve(m_aBand[b].nFreq, dGain, m_aBand[b].dBandwidth, adCurve);
    out.resize(m_anPoint.size());
    for (std::size_t i = 0; i < m_anPoint.size(); ++i)
        out[i] = adCurve[m_anPoint[i]];
}

std::vector<double> CEqFitter::SolveContinuous() const
{
    const std::size_t m = m_aBand.size();
    const std::size_t n = m_anPoint.size();
    std::vector<double> dLow(m), dHigh(m);
    for (std::size_t b = 0; b < m; ++b) {
        dLow[b] = GainOfIndex(m_aBand[b].nLowIndex);
        dHigh[b] = GainOfIndex(m_aBand[b].nHighIndex);
    }
    // From flat: a band the range does not see stays at 0 dB.
    std::vector<double> g(m, 0.0);
    if (m == 0 || n == 0)
        return g;

    std::vector<std::vector<double>> R(m);
    std::vector<double> e = m_adBase;
    for (std::size_t b = 0; b < m; ++b) {
        Curve(b, g[b], R[b]);
        for (std::size_t i = 0; i < n; ++i)
            e[i] += R[b][i];
    }
    const double dCost = GAIN_COST * static_cast<double>(n);
    double f = SumOfSquares(e) + GainCost(g, n);

    std::vector<std::vector<double>> J(m, std::vector<double>(n));
    std::vector<double> up, down;
    std::vector<double> H(m * m), Hd(m * m), c(m), lo(m), hi(m);
    std::vector<std::vector<double>> Rtry(m);
    std::vector<double> gTry(m), eTry(n);
    double dDamping = INITIAL_DAMPING;
    bool bJacobianStale = true;
    for (int nStep = 0; nStep < MAX_GAUSS_NEWTON_STEPS; ++nStep) {
        if (bJacobianStale) {
            for (std::size_t b = 0; b < m; ++b) {
                Curve(b, g[b] + JACOBIAN_STEP_DB, up);
                Curve(b, g[b] - JACOBIAN_STEP_DB, down);
                for (std::size_t i = 0; i < n; ++i)
                    J[b][i] = (up[i] - down[i]) / (2.0 * JACOBIAN_STEP_DB);
            }
            for (std::size_t a = 0; a < m; ++a) {
                for (std::size_t b = a; b < m; ++b) {
                    double s = 0.0;
                    for (std::size_t i = 0; i < n; ++i)
                        s += J[a][i] * J[b][i];
                    H[a * m + b] = s;
                    H[b * m + a] = s;
                }
            }
            for (std::size_t a = 0; a < m; ++a) {
                double s = 0.0;
                for (std::size_t i = 0; i < n; ++i)
                    s += J[a][i] * e[i];
                c[a] = s + dCost * g[a];
                H[a * m + a] += dCost;
            }
            bJacobianStale = false;
        }
        // Levenberg-Marquardt: bands that act alike, or bend away from the
        // linear model, are held back until a step is trusted.
        Hd = H;
        for (std::size_t a = 0; a < m; ++a) {
            Hd[a * m + a] += dDamping * H[a * m + a] + DAMPING_ABSOLUTE;
            lo[a] = dLow[a] - g[a];
            hi[a] = dHigh[a] - g[a];
        }
        const std::vector<double> d = SolveBoxQp(Hd, c, lo, hi);
        double dPredicted = 0.0;  // the fall of the error the linear model expects
        for (std::size_t a = 0; a < m; ++a) {
            double s = 0.0;
            for (std::size_t b = 0; b < m; ++b)
                s += H[a * m + b] * d[b];
            dPredicted -= d[a] * (c[a] + 0.5 * s);
        }
        if (!(dPredicted > 0.0))
            break;

        eTry = m_adBase;
        for (std::size_t b = 0; b < m; ++b) {
            gTry[b] = std::clamp(g[b] + d[b], dLow[b], dHigh[b]);
            Curve(b, gTry[b], Rtry[b]);
            for (std::size_t i = 0; i < n; ++i)
                eTry[i] += Rtry[b][i];
        }
        const double fTry = SumOfSquares(eTry) + GainCost(gTry, n);
        const double dRatio = (f - fTry) / dPredicted;
        if (dRatio > TRUST_HIGH)
            dDamping = std::max(dDamping / DAMPING_FACTOR, MIN_DAMPING);
        else if (dRatio < TRUST_LOW)
            dDamping *= DAMPING_FACTOR;
        if (!(fTry < f)) {
            if (dDamping > MAX_DAMPING)
                break;
            continue;
        }
        const double dGained = f - fTry;
        g.swap(gTry);
        R.swap(Rtry);
        e.swap(eTry);
        f = fTry;
        bJacobianStale = true;
        if (dGained <= CONVERGED_RELATIVE * f)
            break;
    }
    return g;
}

std::vector<int> CEqFitter::Settle(const std::vector<double>& adGain) const
{
    const std::size_t m = m_aBand.size();
    const std::size_t n = m_anPoint.size();
    std::vector<int> idx(m);
    std::vector<std::vector<double>> R(m);
    std::vector<double> e = m_adBase;
    for (std::size_t b = 0; b < m; ++b) {
        const double dIndex = (adGain[b] - GAIN_MIN_DB) / GAIN_STEP_DB;
        idx[b] = std::clamp(static_cast<int>(std::lround(dIndex)), m_aBand[b].nLowIndex, m_aBand[b].nHighIndex);
        Curve(b, GainOfIndex(idx[b]), R[b]);
        for (std::size_t i = 0; i < n; ++i)
            e[i] += R[b][i];
    }
    if (n == 0)
        return idx;

    // Moves band b to index nTo when that lowers the error (and the costs).
    std::vector<double> candidate;
    const auto tryMove = [&](std::size_t b, int nTo) {
        if (nTo < m_aBand[b].nLowIndex || nTo > m_aBand[b].nHighIndex || nTo == idx[b])
            return false;
        Curve(b, GainOfIndex(nTo), candidate);
        const double gOld = GainOfIndex(idx[b]);
        const double gNew = GainOfIndex(nTo);
        const double dActive = (nTo != GAIN_INDEX_FLAT ? 1.0 : 0.0) - (idx[b] != GAIN_INDEX_FLAT ? 1.0 : 0.0);
        double dChange =
            static_cast<double>(n) * (GAIN_COST * (gNew * gNew - gOld * gOld) + ACTIVE_BAND_COST * dActive);
        for (std::size_t i = 0; i < n; ++i) {
            const double eNew = e[i] - R[b][i] + candidate[i];
            dChange += eNew * eNew - e[i] * e[i];
        }
        // Changes below rounding do not count, so no pair of moves undoes
        // itself for ever.
        if (!(dChange < -SETTLE_MIN_GAIN * (1.0 + SumOfSquares(e))))
            return false;
        for (std::size_t i = 0; i < n; ++i)
            e[i] += candidate[i] - R[b][i];
        R[b].swap(candidate);
        idx[b] = nTo;
        return true;
    };

    // Rounding each band alone is not the best combination of steps: walk
    // each band a step at a time while the error falls, or straight to
    // flat, until none moves.
    bool bMoved = true;
    for (int nSweep = 0; nSweep < MAX_SETTLE_SWEEPS && bMoved; ++nSweep) {
        bMoved = false;
        for (std::size_t b = 0; b < m; ++b) {
            bool bWalked = false;
            while (tryMove(b, idx[b] + 1))
                bWalked = true;
            while (!bWalked && tryMove(b, idx[b] - 1)) {
            }
            bWalked = bWalked || tryMove(b, GAIN_INDEX_FLAT);
            bMoved = bMoved || bWalked;
        }
    }
    return idx;
}

std::vector<int> CEqFitter::Solve() const
{
    return Settle(SolveContinuous());
}
