#include "MeasurementPhase.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "MeasurementSmoothing.h"

namespace {
constexpr double FULL_TURN_DEGREES = 360.0;
constexpr double RADIANS_PER_DEGREE = std::numbers::pi / 180.0;
constexpr double DB_PER_AMPLITUDE_DECADE = 20.0;
}  // namespace

std::vector<double> UnwrapDegrees(const std::vector<double>& adDegrees)
{
    std::vector<double> out(adDegrees.size());
    for (std::size_t k = 0; k < adDegrees.size(); ++k) {
        if (k == 0) {
            out[k] = adDegrees[k];
            continue;
        }
        const double dStep = adDegrees[k] - adDegrees[k - 1];
        out[k] = out[k - 1] + dStep - FULL_TURN_DEGREES * std::round(dStep / FULL_TURN_DEGREES);
    }
    return out;
}

bool ComplexOnGrid(const MeasurementData& data, int nFraction, const std::string& strName, ComplexLevels& out,
                   std::string& strError)
{
    if (!data.HasPhase() || data.adFreq.size() < 2) {
        strError = strName + ": " + (data.strNoPhase.empty() ? "the file holds no phase" : data.strNoPhase) +
                   "; aligning channels needs a measurement with phase (a third column, in degrees)";
        return false;
    }
    const GridLevels levels = MeasurementOnGrid(data, nFraction);
    const std::vector<double> adPhase = UnwrapDegrees(data.adPhase);
    out = {};
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (!levels.abValid[i])
            continue;
        const double f = g_dFreqGrid[i];
        const auto it = std::upper_bound(data.adFreq.begin(), data.adFreq.end(), f);
        const std::size_t k =
            std::min(static_cast<std::size_t>(std::max<std::ptrdiff_t>(it - data.adFreq.begin() - 1, 0)),
                     data.adFreq.size() - 2);
        const double t = (f - data.adFreq[k]) / (data.adFreq[k + 1] - data.adFreq[k]);
        const double dDegrees = adPhase[k] + t * (adPhase[k + 1] - adPhase[k]);
        out.h[static_cast<std::size_t>(i)] =
            std::polar(std::pow(10.0, levels.adLevel[i] / DB_PER_AMPLITUDE_DECADE), dDegrees * RADIANS_PER_DEGREE);
        out.abValid[i] = true;
    }
    return true;
}
