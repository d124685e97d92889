#include "GainModel.h"

#include <algorithm>
#include <iterator>

#include "BandCurve.h"

namespace {
// Differences this far above a gain give the Jacobian: a band's dB curve is
// so close to linear in its gain that one side does.
constexpr double JACOBIAN_STEP_DB = 0.05;
// Keeps the normal equations positive definite when a band reaches no point
// in range (its column is zero).
constexpr double DAMPING_ABSOLUTE = 1e-12;
}  // namespace

CGainModel::CGainModel(const FitProblem& problem)
    : m_problem(problem),
      m_nBands(problem.aBand.size()),
      m_nPoints(problem.anPoint.size()),
      m_J(m_nBands),
      m_adJin(m_nBands * m_nPoints),
      m_adJtJ(m_nBands * m_nBands),
      m_adJte(m_nBands),
      m_adLow(m_nBands),
      m_adHigh(m_nBands),
      m_adH(m_nBands * m_nBands)
{
    for (std::size_t b = 0; b < m_nBands; ++b) {
        m_adLow[b] = GainOfIndex(problem.aBand[b].nLowIndex);
        m_adHigh[b] = GainOfIndex(problem.aBand[b].nHighIndex);
    }
}

double CGainModel::Evaluate(const std::vector<double>& g, std::vector<double>& e, double (&eq)[GRID_POINTS]) const
{
    e = m_problem.adBase;
    std::copy(std::begin(m_problem.adFixed), std::end(m_problem.adFixed), std::begin(eq));
    double adCurve[GRID_POINTS];
    for (std::size_t b = 0; b < m_nBands; ++b) {
        FitterCurve(m_problem.aBand[b], g[b], adCurve);
        for (int i = 0; i < GRID_POINTS; ++i)
            eq[i] += adCurve[i];
        for (std::size_t k = 0; k < m_nPoints; ++k)
            e[k] += adCurve[m_problem.anPoint[k]];
    }
    return SumOfSquares(e);
}

void CGainModel::Linearize(const std::vector<double>& g, const std::vector<double>& e, const double (&eq)[GRID_POINTS])
{
    m_g = g;
    m_e = e;
    std::copy(std::begin(eq), std::end(eq), std::begin(m_adEq));
    double adUp[GRID_POINTS], adAt[GRID_POINTS];
    for (std::size_t b = 0; b < m_nBands; ++b) {
        FitterCurve(m_problem.aBand[b], g[b] + JACOBIAN_STEP_DB, adUp);
        FitterCurve(m_problem.aBand[b], g[b], adAt);
        for (int i = 0; i < GRID_POINTS; ++i)
            m_J[b].ad[i] = (adUp[i] - adAt[i]) / JACOBIAN_STEP_DB;
        for (std::size_t k = 0; k < m_nPoints; ++k)
            m_adJin[b * m_nPoints + k] = m_J[b].ad[m_problem.anPoint[k]];
    }
    for (std::size_t a = 0; a < m_nBands; ++a) {
        const double* pa = &m_adJin[a * m_nPoints];
        for (std::size_t b = a; b < m_nBands; ++b) {
            const double* pb = &m_adJin[b * m_nPoints];
            double s = 0.0;
            for (std::size_t k = 0; k < m_nPoints; ++k)
                s += pa[k] * pb[k];
            m_adJtJ[a * m_nBands + b] = m_adJtJ[b * m_nBands + a] = s;
        }
        double s = 0.0;
        for (std::size_t k = 0; k < m_nPoints; ++k)
            s += pa[k] * m_e[k];
        m_adJte[a] = s;
    }
}

std::vector<double> CGainModel::Step(double dRidge, double dDamping)
{
    const std::size_t m = m_nBands;
    const double dCost = dRidge * static_cast<double>(m_nPoints);
    std::vector<double> c(m);
    for (std::size_t a = 0; a < m; ++a) {
        c[a] = m_adJte[a] + dCost * m_g[a];
        for (std::size_t b = 0; b < m; ++b)
            m_adH[a * m + b] = m_adJtJ[a * m + b];
        const double dDiagonal = m_adJtJ[a * m + a] + dCost;
        m_adH[a * m + a] = dDiagonal + dDamping * dDiagonal + DAMPING_ABSOLUTE;
    }
    m_rows.Clear(m, 2 * (m + GRID_POINTS));
    std::vector<double> row(m, 0.0);
    for (std::size_t b = 0; b < m; ++b) {
        std::fill(row.begin(), row.end(), 0.0);
        row[b] = 1.0;
        m_rows.Add(row.data(), m_adHigh[b] - m_g[b]);
        row[b] = -1.0;
        m_rows.Add(row.data(), m_g[b] - m_adLow[b]);
    }
    const FitLimits& limits = m_problem.limits;
    for (int i = 0; i < GRID_POINTS; ++i) {
        for (std::size_t b = 0; b < m; ++b)
            row[b] = m_J[b].ad[i];
        m_rows.Add(row.data(), limits.adHigh[i] - m_adEq[i]);
        for (double& d : row)
            d = -d;
        m_rows.Add(row.data(), m_adEq[i] - limits.adLow[i]);
    }
    return SolveInequalityQp(m_adH, c, m_rows);
}

double CGainModel::ExpectedFall(const std::vector<double>& d, double dRidge) const
{
    // 2 c'd + d'(J'J + cost) d, negated, for the objective |e|^2 + cost |g|^2.
    const std::size_t m = m_nBands;
    const double dCost = dRidge * static_cast<double>(m_nPoints);
    double dFall = 0.0;
    for (std::size_t a = 0; a < m; ++a) {
        double s = dCost * d[a];
        for (std::size_t b = 0; b < m; ++b)
            s += m_adJtJ[a * m + b] * d[b];
        dFall -= d[a] * (2.0 * (m_adJte[a] + dCost * m_g[a]) + s);
    }
    return dFall;
}

double CGainModel::ExpectedErrorSquares(const std::vector<double>& d) const
{
    double s = 0.0;
    for (std::size_t k = 0; k < m_nPoints; ++k) {
        double e = m_e[k];
        for (std::size_t b = 0; b < m_nBands; ++b)
            e += m_adJin[b * m_nPoints + k] * d[b];
        s += e * e;
    }
    return s;
}
