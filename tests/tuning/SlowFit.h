// Two fits to hold ours against. The slow one is plainly correct: cyclic
// coordinate descent over the bands, each minimised exactly along its own
// axis by golden-section search on the true error, sweep after sweep until a
// sweep gains nothing; on a smooth, nearly quadratic error it reaches the
// best bounded gains, however slowly. The baseline is what general-purpose
// tools do: each band set against the deviation at its centre.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "BandCurve.h"
#include "EqFit.h"
#include "FreqTables.h"

namespace reference {

// The error of gains (dB, free bands only; fixed bands keep theirs) against
// the outcome's target over its range.
class Problem {
public:
    Problem(const FitRequest& request, const FitOutcome& frame) : m_request(request)
    {
        for (int i = 0; i < GRID_POINTS; ++i)
            if (frame.range.abIn[i])
                m_anPoint.push_back(i);
        m_adBase.assign(m_anPoint.size(), 0.0);
        for (std::size_t k = 0; k < m_anPoint.size(); ++k)
            m_adBase[k] = request.predicted.adLevel[m_anPoint[k]] - frame.target.adLevel[m_anPoint[k]];
        for (int b = 0; b < EQ_BANDS; ++b) {
            if (!request.aBand[b].bFree)
                continue;
            m_anFree.push_back(b);
            const std::vector<double> now = Curve(b, GainOfIndex(request.aBand[b].nGainIndex));
            for (std::size_t k = 0; k < m_anPoint.size(); ++k)
                m_adBase[k] -= now[k];
        }
    }

    std::vector<double> Curve(int b, double dGain) const
    {
        double ad[GRID_POINTS];
        PeakingCurve(m_request.aBand[b].nFreq, dGain, BandwidthOfQIndex(m_request.aBand[b].nQIndex), ad);
        std::vector<double> out;
        for (const int i : m_anPoint)
            out.push_back(ad[i]);
        return out;
    }

    double Rms(const std::vector<double>& adGain) const
    {
        std::vector<double> e = m_adBase;
        for (std::size_t f = 0; f < m_anFree.size(); ++f) {
            const std::vector<double> c = Curve(m_anFree[f], adGain[f]);
            for (std::size_t k = 0; k < e.size(); ++k)
                e[k] += c[k];
        }
        double s = 0.0;
        for (const double d : e)
            s += d * d;
        return std::sqrt(s / static_cast<double>(e.size()));
    }

    const std::vector<int>& Free() const { return m_anFree; }
    const std::vector<double>& Base() const { return m_adBase; }
    const std::vector<int>& Points() const { return m_anPoint; }

private:
    const FitRequest& m_request;
    std::vector<int> m_anPoint;
    std::vector<double> m_adBase;
    std::vector<int> m_anFree;
};

// The best RMS error within each band's bounds (those the outcome gives),
// in continuous gains.
inline double SlowBestRms(const Problem& problem, const FitOutcome& frame, int nMaxSweeps = 5000)
{
    const std::size_t m = problem.Free().size();
    const std::size_t n = problem.Points().size();
    std::vector<double> g(m, 0.0);
    std::vector<std::vector<double>> curves(m, std::vector<double>(n, 0.0));
    std::vector<double> e = problem.Base();
    const auto sumSquares = [](const std::vector<double>& v) {
        double s = 0.0;
        for (const double d : v)
            s += d * d;
        return s;
    };
    double dBest = sumSquares(e);
    const double PHI = (std::sqrt(5.0) - 1.0) / 2.0;
    for (int nSweep = 0; nSweep < nMaxSweeps; ++nSweep) {
        const double dBefore = dBest;
        for (std::size_t b = 0; b < m; ++b) {
            std::vector<double> without = e;
            for (std::size_t k = 0; k < n; ++k)
                without[k] -= curves[b][k];
            const auto at = [&](double x) {
                const std::vector<double> c = problem.Curve(problem.Free()[b], x);
                double s = 0.0;
                for (std::size_t k = 0; k < n; ++k)
                    s += (without[k] + c[k]) * (without[k] + c[k]);
                return s;
            };
            double lo = GainOfIndex(frame.anLowIndex[problem.Free()[b]]);
            double hi = GainOfIndex(frame.anHighIndex[problem.Free()[b]]);
            double x1 = hi - PHI * (hi - lo), x2 = lo + PHI * (hi - lo);
            double f1 = at(x1), f2 = at(x2);
            while (hi - lo > 1e-5) {
                if (f1 < f2) {
                    hi = x2;
                    x2 = x1;
                    f2 = f1;
                    x1 = hi - PHI * (hi - lo);
                    f1 = at(x1);
                } else {
                    lo = x1;
                    x1 = x2;
                    f1 = f2;
                    x2 = lo + PHI * (hi - lo);
                    f2 = at(x2);
                }
            }
            const double x = (lo + hi) / 2.0;
            if (at(x) < dBest) {
                g[b] = x;
                curves[b] = problem.Curve(problem.Free()[b], x);
                for (std::size_t k = 0; k < n; ++k)
                    e[k] = without[k] + curves[b][k];
                dBest = sumSquares(e);
            }
        }
        if (dBefore - dBest <= 1e-9 * dBest)
            break;
    }
    return std::sqrt(dBest / static_cast<double>(n));
}

// Each band against the deviation of the smoothed response from the target
// at the band's centre, clipped to the bounds and put on the 0.1 dB steps;
// bands whose centre lies outside the range stay flat.
inline std::array<int, EQ_BANDS> BaselineGains(const FitRequest& request, const FitOutcome& frame)
{
    std::array<int, EQ_BANDS> an{};
    for (int b = 0; b < EQ_BANDS; ++b) {
        const FitBand& band = request.aBand[b];
        an[b] = band.nGainIndex;
        if (!band.bFree)
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

// The RMS error of whole gain indices, every band included.
inline double RmsOfIndices(const Problem& problem, const std::array<int, EQ_BANDS>& an)
{
    std::vector<double> g;
    for (const int b : problem.Free())
        g.push_back(GainOfIndex(an[b]));
    return problem.Rms(g);
}

}  // namespace reference
