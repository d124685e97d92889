#include "EqFitter.h"

#include <algorithm>
#include <cmath>

#include "BandCurve.h"
#include "Filter.h"
#include "GainModel.h"
#include "GainSteps.h"

namespace {
// The dB response of a band is close to linear in its gain: a few steps do.
constexpr int MAX_GAUSS_NEWTON_STEPS = 30;
// Levenberg-Marquardt damping, relative to each band's own curvature, and
// how it follows the ratio of the error's true fall to the one expected.
constexpr double INITIAL_DAMPING = 1e-3;
constexpr double MIN_DAMPING = 1e-9;
constexpr double MAX_DAMPING = 1e6;
constexpr double DAMPING_FACTOR = 4.0;
constexpr double TRUST_HIGH = 0.75;
constexpr double TRUST_LOW = 0.25;
// A step that gains less than this share of the error ends the iteration.
constexpr double CONVERGED_RELATIVE = 1e-8;
// The curve bends a little between the linear steps: a step may pass a limit
// by this much, and the settling brings it back exactly.
constexpr double STEP_EXCESS_DB = 0.05;
// Every dB of gain costs a little, per point in range: a band whose curve
// barely reaches the range stays flat instead of taking its largest boost for
// a thousandth of a dB. At 1e-4 a band of 3 dB costs the error less than a
// thousandth of a dB.
constexpr double GAIN_COST = 1e-4;
// On the device's steps a band that is not flat at all costs this much more
// (in dB squared of error per point): a tenth of a dB that changes the error
// by less is not worth a band.
constexpr double ACTIVE_BAND_COST = 1e-4;
constexpr double SETTLE_MIN_GAIN = 1e-12;
constexpr int MAX_SETTLE_SWEEPS = 60;
// Rounded gains that cannot be brought within the limits are scaled
// towards flat in so many even steps.
constexpr int SETTLE_SCALINGS = 8;
// The search for the gain cost that spends the latitude: so many halvings of
// its logarithm between GAIN_COST and the largest cost, each one step of the
// linear model about the best gains.
constexpr double MAX_RIDGE = 1e2;
constexpr int RIDGE_HALVINGS = 7;
// The continuous fit aims a little inside the latitude, leaving room for the
// rounding to steps.
constexpr double RIDGE_AIM = 0.7;
// Walking bands towards flat goes round the bands a few steps at a time, so
// the latitude is shared rather than spent on the lowest bands.
constexpr int MAX_TIDY_PASSES = 200;
constexpr int TIDY_STEPS_PER_PASS = 5;

// The gain as the nearest device step within the band's bounds.
int IndexOf(const FitterBand& band, double dGain)
{
    const auto n = static_cast<int>(std::lround((dGain - GAIN_MIN_DB) / GAIN_STEP_DB));
    return std::clamp(n, band.nLowIndex, band.nHighIndex);
}

int TotalGain(const std::vector<int>& an)
{
    int n = 0;
    for (const int i : an)
        n += std::abs(i - GAIN_INDEX_FLAT);
    return n;
}
}  // namespace

double CEqFitter::RmsOf(const std::vector<double>& g) const
{
    std::vector<double> e;
    double adEq[GRID_POINTS];
    const double dSquares = CGainModel(m_problem).Evaluate(g, e, adEq);
    return std::sqrt(dSquares / static_cast<double>(std::max<std::size_t>(e.size(), 1)));
}

std::vector<double> CEqFitter::SolveContinuous(std::vector<double> g, double dRidge, int nMaxSteps) const
{
    const std::size_t m = m_problem.aBand.size();
    if (m == 0 || m_problem.anPoint.empty())
        return g;
    const FitLimits& limits = m_problem.limits;
    const double dCost = dRidge * static_cast<double>(m_problem.anPoint.size());
    CGainModel model(m_problem);
    std::vector<double> e, eTry, gTry(m);
    double adEq[GRID_POINTS], adEqTry[GRID_POINTS];
    double f = model.Evaluate(g, e, adEq) + dCost * SumOfSquares(g);
    double dDamping = INITIAL_DAMPING;
    bool bStale = true;
    for (int nStep = 0; nStep < nMaxSteps; ++nStep) {
        if (bStale)
            model.Linearize(g, e, adEq);
        bStale = false;
        // Levenberg-Marquardt: bands that act alike, or bend away from the
        // linear model, are held back until a step is trusted.
        const std::vector<double> d = model.Step(dRidge, dDamping);
        const double dExpected = model.ExpectedFall(d, dRidge);
        if (!(dExpected > 0.0))
            break;
        for (std::size_t b = 0; b < m; ++b)
            gTry[b] = std::clamp(g[b] + d[b], GainOfIndex(m_problem.aBand[b].nLowIndex),
                                 GainOfIndex(m_problem.aBand[b].nHighIndex));
        const double fTry = model.Evaluate(gTry, eTry, adEqTry) + dCost * SumOfSquares(gTry);
        double dExcess = 0.0;
        for (int i = 0; i < GRID_POINTS; ++i)
            dExcess = std::max({dExcess, adEqTry[i] - limits.adHigh[i], limits.adLow[i] - adEqTry[i]});
        const double dRatio = (f - fTry) / dExpected;
        const bool bTaken = fTry < f && dExcess <= STEP_EXCESS_DB;
        if (bTaken && dRatio > TRUST_HIGH)
            dDamping = std::max(dDamping / DAMPING_FACTOR, MIN_DAMPING);
        else if (!bTaken || dRatio < TRUST_LOW)
            dDamping *= DAMPING_FACTOR;
        if (!bTaken) {
            if (dDamping > MAX_DAMPING)
                break;
            continue;
        }
        const double dGained = f - fTry;
        g.swap(gTry);
        e.swap(eTry);
        std::copy(std::begin(adEqTry), std::end(adEqTry), std::begin(adEq));
        f = fTry;
        bStale = true;
        if (dGained <= CONVERGED_RELATIVE * f)
            break;
    }
    return g;
}

std::vector<double> CEqFitter::LeastGainNear(const std::vector<double>& gBest, double dAimRms, double& dRidge) const
{
    // The linear model about the best gains is good for the small moves that
    // 1 % of error buys: halve the logarithm of the gain cost on it alone.
    const std::size_t n = m_problem.anPoint.size();
    CGainModel model(m_problem);
    std::vector<double> e;
    double adEq[GRID_POINTS];
    model.Evaluate(gBest, e, adEq);
    model.Linearize(gBest, e, adEq);
    const double dAim = dAimRms * dAimRms * static_cast<double>(n);
    double dLow = std::log(GAIN_COST), dHigh = std::log(MAX_RIDGE);
    std::vector<double> g = gBest;
    for (int k = 0; k < RIDGE_HALVINGS; ++k) {
        const double dMid = 0.5 * (dLow + dHigh);
        const std::vector<double> d = model.Step(std::exp(dMid), 0.0);
        if (model.ExpectedErrorSquares(d) <= dAim) {
            dLow = dMid;
            for (std::size_t b = 0; b < g.size(); ++b)
                g[b] = gBest[b] + d[b];
        } else {
            dHigh = dMid;
        }
    }
    dRidge = std::exp(dLow);
    return g;
}

CGainSteps CEqFitter::Settle(const std::vector<double>& g, double dRidge) const
{
    const std::size_t m = m_problem.aBand.size();
    // The gains rounded to steps; where no single step brings the rounding
    // back within the limits, the gains scaled towards flat (which keeps
    // them), so the walk below starts near the fit and not from nothing.
    const auto rounded = [&](double dScale) {
        std::vector<int> idx(m);
        for (std::size_t b = 0; b < m; ++b)
            idx[b] = IndexOf(m_problem.aBand[b], dScale * g[b]);
        return CGainSteps(m_problem, idx);
    };
    CGainSteps steps = rounded(1.0);
    for (int k = 1; k <= SETTLE_SCALINGS && !steps.Repair(); ++k)
        steps = rounded(1.0 - static_cast<double>(k) / SETTLE_SCALINGS);
    const double n = static_cast<double>(m_problem.anPoint.size());
    const auto better = [&](const CGainSteps::Change& c) {
        const double dChange = c.dErrorAfter - c.dErrorBefore + n * dRidge * (c.dGainAfter - c.dGainBefore) +
                               n * ACTIVE_BAND_COST * c.nActiveChange;
        // Changes below rounding do not count, so no pair of moves undoes
        // itself for ever.
        return dChange < -SETTLE_MIN_GAIN * (1.0 + c.dErrorBefore);
    };

    // Rounding each band alone is not the best combination of steps: walk
    // each band a step at a time while the error falls, or straight to flat,
    // then neighbours together (two bands at +-0.1 dB may pay off only
    // together), until nothing moves.
    bool bMoved = true;
    for (int nSweep = 0; nSweep < MAX_SETTLE_SWEEPS && bMoved; ++nSweep) {
        bMoved = false;
        for (std::size_t b = 0; b < m; ++b) {
            bool bWalked = false;
            while (steps.TryMove(b, steps.Indices()[b] + 1, better))
                bWalked = true;
            while (!bWalked && steps.TryMove(b, steps.Indices()[b] - 1, better))
                bMoved = true;
            bWalked = bWalked || steps.TryMove(b, GAIN_INDEX_FLAT, better);
            bMoved = bMoved || bWalked;
        }
        for (std::size_t b = 0; b + 1 < m; ++b) {
            for (const auto& [da, db] : {std::pair{1, -1}, std::pair{-1, 1}, std::pair{1, 1}, std::pair{-1, -1}}) {
                const CGainSteps::Move pair[] = {{b, steps.Indices()[b] + da}, {b + 1, steps.Indices()[b + 1] + db}};
                if (steps.TryMove(pair, 2, better)) {
                    bMoved = true;
                    break;
                }
            }
        }
    }
    return steps;
}

void CEqFitter::Tidy(CGainSteps& steps, double dAllowedRms) const
{
    const std::size_t m = m_problem.aBand.size();
    const double dAllowed = dAllowedRms * dAllowedRms * static_cast<double>(m_problem.anPoint.size());
    const auto within = [&](const CGainSteps::Change& c) { return c.dErrorAfter <= dAllowed; };
    bool bMoved = true;
    for (int nPass = 0; nPass < MAX_TIDY_PASSES && bMoved; ++nPass) {
        bMoved = false;
        for (std::size_t b = 0; b < m; ++b) {
            for (int k = 0; k < TIDY_STEPS_PER_PASS; ++k) {
                const int n = steps.Indices()[b];
                if (n == GAIN_INDEX_FLAT || !steps.TryMove(b, n + (n > GAIN_INDEX_FLAT ? -1 : 1), within))
                    break;
                bMoved = true;
            }
        }
        for (std::size_t b = 0; b < m; ++b) {
            const int nOut = StandOut(m_problem, steps.Indices(), b);
            if (std::abs(nOut) <= STAND_OUT_INDICES)
                continue;
            const int nBack = nOut > 0 ? nOut - STAND_OUT_INDICES : nOut + STAND_OUT_INDICES;
            bMoved = steps.TryMove(b, steps.Indices()[b] - nBack, within) || bMoved;
        }
    }
}

FitterResult CEqFitter::Solve() const
{
    const std::size_t m = m_problem.aBand.size();
    FitterResult result;
    std::vector<int> anStart(m);
    for (std::size_t b = 0; b < m; ++b)
        anStart[b] = m_problem.aBand[b].nStartIndex;
    CGainSteps start(m_problem, anStart);
    bool bStartKeeps = start.Excess() <= LIMIT_SLACK_DB;
    for (std::size_t b = 0; b < m; ++b)
        bStartKeeps =
            bStartKeeps && anStart[b] >= m_problem.aBand[b].nLowIndex && anStart[b] <= m_problem.aBand[b].nHighIndex;
    if (m == 0 || m_problem.anPoint.empty()) {
        result.anIndex = anStart;
        return result;
    }

    // From flat, which always keeps the limits: a band the range does not
    // see stays at 0 dB.
    const std::vector<double> gBest = SolveContinuous(std::vector<double>(m, 0.0), GAIN_COST, MAX_GAUSS_NEWTON_STEPS);
    CGainSteps best = Settle(gBest, GAIN_COST);
    if (bStartKeeps && start.Rms() <= best.Rms())
        best = start;
    result.dRmsBest = best.Rms();
    result.dRmsAllowed = result.dRmsBest * (1.0 + LEAST_GAIN_LATITUDE);
    if (bStartKeeps)
        result.dRmsAllowed = std::max(result.dRmsBest, std::min(result.dRmsAllowed, start.Rms()));

    // The largest gain cost whose continuous fit stays inside the latitude.
    if (result.dRmsAllowed > result.dRmsBest) {
        const double dAim = RmsOf(gBest) + RIDGE_AIM * (result.dRmsAllowed - result.dRmsBest);
        double dRidge = GAIN_COST;
        const std::vector<double> gRidge = LeastGainNear(gBest, dAim, dRidge);
        CGainSteps ridge = Settle(gRidge, dRidge);
        if (ridge.Rms() <= result.dRmsAllowed && TotalGain(ridge.Indices()) < TotalGain(best.Indices()))
            best = ridge;
    }
    Tidy(best, result.dRmsAllowed);
    result.anIndex = best.Indices();
    return result;
}
