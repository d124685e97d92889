#include "MeasurementSmoothing.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "HzText.h"

namespace {
// The measured curve on a log2 frequency axis, straight between rows, with
// its running integral so any window's mean costs two lookups.
class LogCurve {
public:
    explicit LogCurve(const MeasurementData& data) : m_adY(data.adLevel)
    {
        m_adX.reserve(data.adFreq.size());
        for (const double f : data.adFreq)
            m_adX.push_back(std::log2(f));
        m_adArea.assign(m_adX.size(), 0.0);
        for (std::size_t k = 1; k < m_adX.size(); ++k)
            m_adArea[k] = m_adArea[k - 1] + (m_adX[k] - m_adX[k - 1]) * (m_adY[k - 1] + m_adY[k]) * 0.5;
    }

    double Low() const { return m_adX.front(); }
    double High() const { return m_adX.back(); }

    double ValueAt(double x) const
    {
        const std::size_t k = Segment(x);
        const double dx = m_adX[k + 1] - m_adX[k];
        // Rows closer than a double can tell apart on the log axis count as one.
        const double t = dx > 0.0 ? std::clamp((x - m_adX[k]) / dx, 0.0, 1.0) : 0.0;
        return m_adY[k] + t * (m_adY[k + 1] - m_adY[k]);
    }

    // The integral from the first row to x, for x within the span.
    double AreaTo(double x) const
    {
        const std::size_t k = Segment(x);
        return m_adArea[k] + (x - m_adX[k]) * (m_adY[k] + ValueAt(x)) * 0.5;
    }

private:
    // The segment [k, k+1] holding x.
    std::size_t Segment(double x) const
    {
        const auto it = std::upper_bound(m_adX.begin(), m_adX.end(), x);
        const auto k = static_cast<std::size_t>(std::max<std::ptrdiff_t>(it - m_adX.begin() - 1, 0));
        return std::min(k, m_adX.size() - 2);
    }

    std::vector<double> m_adX;
    std::vector<double> m_adY;
    std::vector<double> m_adArea;
};
}  // namespace

bool IsSmoothingChoice(int nFraction)
{
    return std::find(std::begin(SMOOTHING_CHOICES), std::end(SMOOTHING_CHOICES), nFraction) !=
           std::end(SMOOTHING_CHOICES);
}

int SmoothingChoiceIndex(int nFraction)
{
    const auto* p = std::find(std::begin(SMOOTHING_CHOICES), std::end(SMOOTHING_CHOICES), nFraction);
    return p == std::end(SMOOTHING_CHOICES) ? 0 : static_cast<int>(p - std::begin(SMOOTHING_CHOICES));
}

bool ReachesGrid(const MeasurementData& data, const std::string& strName, std::string& strError)
{
    if (data.IsEmpty())
        return false;
    const double dLow = data.GetLowHz();
    const double dHigh = data.GetHighHz();
    const std::string strSpan = "the measurement (" + FormatHzRange(dLow, dHigh) + ")";
    if (dHigh < g_dFreqGrid[0] || dLow > g_dFreqGrid[GRID_POINTS - 1]) {
        strError = strName + ": " + strSpan + " lies wholly outside the graph's " +
                   FormatHzRange(g_dFreqGrid[0], g_dFreqGrid[GRID_POINTS - 1]);
        return false;
    }
    const double* pAbove = std::lower_bound(std::begin(g_dFreqGrid), std::end(g_dFreqGrid), dLow);
    if (*pAbove > dHigh) {
        strError = strName + ": " + strSpan + " falls between two points of the graph's grid, " + FormatHz(pAbove[-1]) +
                   " and " + FormatHz(pAbove[0]) + " Hz";
        return false;
    }
    return true;
}

GridLevels MeasurementOnGrid(const MeasurementData& data, int nFraction)
{
    GridLevels out;
    if (data.adFreq.size() < 2 || data.adFreq.size() != data.adLevel.size())
        return out;
    const LogCurve curve(data);
    const double dHalfWindow = nFraction > 0 ? 0.5 / nFraction : 0.0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        const double f = g_dFreqGrid[i];
        if (f < data.GetLowHz() || f > data.GetHighHz())
            continue;
        const double x = std::clamp(std::log2(f), curve.Low(), curve.High());
        out.abValid[i] = true;
        const double a = std::max(curve.Low(), x - dHalfWindow);
        const double b = std::min(curve.High(), x + dHalfWindow);
        out.adLevel[i] = b > a ? (curve.AreaTo(b) - curve.AreaTo(a)) / (b - a) : curve.ValueAt(x);
    }
    return out;
}
