#include "GainSteps.h"

#include <algorithm>
#include <cmath>

#include "BandCurve.h"

namespace {
constexpr int MAX_REPAIR_STEPS = 4000;
}  // namespace

CGainSteps::CGainSteps(const FitProblem& problem, std::vector<int> anIndex)
    : m_pProblem(&problem), m_anIndex(std::move(anIndex)), m_aCurve(problem.aBand.size()), m_adError(problem.adBase)
{
    std::copy(std::begin(problem.adFixed), std::end(problem.adFixed), std::begin(m_adEq));
    for (std::size_t b = 0; b < m_anIndex.size(); ++b) {
        Curve(b, m_anIndex[b], m_aCurve[b].ad);
        for (int i = 0; i < GRID_POINTS; ++i)
            m_adEq[i] += m_aCurve[b].ad[i];
        for (std::size_t k = 0; k < m_adError.size(); ++k)
            m_adError[k] += m_aCurve[b].ad[problem.anPoint[k]];
    }
    m_dErrorSquares = SumOfSquares(m_adError);
}

void CGainSteps::Curve(std::size_t b, int nIndex, double (&adCurve)[GRID_POINTS]) const
{
    FitterCurve(m_pProblem->aBand[b], GainOfIndex(nIndex), adCurve);
}

double CGainSteps::GainSquares() const
{
    double s = 0.0;
    for (const int n : m_anIndex)
        s += GainOfIndex(n) * GainOfIndex(n);
    return s;
}

double CGainSteps::Rms() const
{
    return m_adError.empty() ? 0.0 : std::sqrt(ErrorSquares() / static_cast<double>(m_adError.size()));
}

double CGainSteps::Excess() const
{
    double d = 0.0;
    for (int i = 0; i < GRID_POINTS; ++i)
        d = std::max({d, m_adEq[i] - m_pProblem->limits.adHigh[i], m_pProblem->limits.adLow[i] - m_adEq[i]});
    return d;
}

bool CGainSteps::TryMove(std::size_t nBand, int nTo, const Accept& accept)
{
    const Move move{nBand, nTo};
    return TryMove(&move, 1, accept);
}

bool CGainSteps::TryMove(const Move* pMoves, std::size_t nMoves, const Accept& accept)
{
    double adDelta[GRID_POINTS] = {};
    std::array<GridCurve, 2> aNew{};
    if (nMoves > aNew.size())
        return false;
    Change change{ErrorSquares(), 0.0, GainSquares(), GainSquares(), 0};
    for (std::size_t m = 0; m < nMoves; ++m) {
        const Move& mv = pMoves[m];
        const FitterBand& band = m_pProblem->aBand[mv.nBand];
        if (mv.nTo < band.nLowIndex || mv.nTo > band.nHighIndex || mv.nTo == m_anIndex[mv.nBand])
            return false;
        Curve(mv.nBand, mv.nTo, aNew[m].ad);
        for (int i = 0; i < GRID_POINTS; ++i)
            adDelta[i] += aNew[m].ad[i] - m_aCurve[mv.nBand].ad[i];
        const double gOld = GainOfIndex(m_anIndex[mv.nBand]);
        const double gNew = GainOfIndex(mv.nTo);
        change.dGainAfter += gNew * gNew - gOld * gOld;
        change.nActiveChange += (mv.nTo != GAIN_INDEX_FLAT ? 1 : 0) - (m_anIndex[mv.nBand] != GAIN_INDEX_FLAT ? 1 : 0);
    }
    // Within the limits where it was within them; where it was not (while
    // being repaired), no further out.
    const FitLimits& limits = m_pProblem->limits;
    for (int i = 0; i < GRID_POINTS; ++i) {
        const double dNew = m_adEq[i] + adDelta[i];
        const double dHigh = std::max(limits.adHigh[i], m_adEq[i]) + LIMIT_SLACK_DB;
        const double dLow = std::min(limits.adLow[i], m_adEq[i]) - LIMIT_SLACK_DB;
        if (dNew > dHigh || dNew < dLow)
            return false;
    }
    for (std::size_t k = 0; k < m_adError.size(); ++k) {
        const double e = m_adError[k] + adDelta[m_pProblem->anPoint[k]];
        change.dErrorAfter += e * e;
    }
    if (!accept(change))
        return false;
    for (std::size_t k = 0; k < m_adError.size(); ++k)
        m_adError[k] += adDelta[m_pProblem->anPoint[k]];
    m_dErrorSquares = change.dErrorAfter;
    for (int i = 0; i < GRID_POINTS; ++i)
        m_adEq[i] += adDelta[i];
    for (std::size_t m = 0; m < nMoves; ++m) {
        m_aCurve[pMoves[m].nBand] = aNew[m];
        m_anIndex[pMoves[m].nBand] = pMoves[m].nTo;
    }
    return true;
}

bool CGainSteps::Repair()
{
    const FitLimits& limits = m_pProblem->limits;
    const auto any = [](const Change&) { return true; };
    for (int nStep = 0; nStep < MAX_REPAIR_STEPS; ++nStep) {
        // The worst point, and which way it must go.
        int nWorst = -1;
        double dWorst = LIMIT_SLACK_DB;
        for (int i = 0; i < GRID_POINTS; ++i) {
            const double d = std::max(m_adEq[i] - limits.adHigh[i], limits.adLow[i] - m_adEq[i]);
            if (d > dWorst) {
                dWorst = d;
                nWorst = i;
            }
        }
        if (nWorst < 0)
            return true;
        const int nDirection = m_adEq[nWorst] > limits.adHigh[nWorst] ? -1 : 1;
        // Every band lifts the equaliser everywhere as its gain rises: step
        // the band that reaches the point most, as far as it may go.
        std::size_t nBest = m_anIndex.size();
        double dReach = 0.0;
        for (std::size_t b = 0; b < m_anIndex.size(); ++b) {
            const FitterBand& band = m_pProblem->aBand[b];
            const int nTo = m_anIndex[b] + nDirection;
            if (nTo < band.nLowIndex || nTo > band.nHighIndex)
                continue;
            const double dDistance = std::fabs(std::log2(g_dFreqGrid[nWorst] / band.nFreq)) / band.dBandwidth;
            const double d = 1.0 / (1.0 + dDistance * dDistance);
            if (d > dReach) {
                dReach = d;
                nBest = b;
            }
        }
        if (nBest == m_anIndex.size() || !TryMove(nBest, m_anIndex[nBest] + nDirection, any))
            return false;
    }
    return false;
}
