#include "FitLimits.h"

#include <algorithm>
#include <cmath>

namespace {
// How much of the limit inside the range holds at grid point i: all of it in
// the range, falling evenly to none at EDGE_BLEND_OCTAVES beyond an edge, and
// none inside the range where the measurement or the target is missing.
double InRangeShare(const FitRange& range, int i)
{
    if (range.abIn[i])
        return 1.0;
    const double f = g_dFreqGrid[i];
    if (f >= range.dLowHz && f <= range.dHighHz)
        return 0.0;  // inside, but the measurement or the target is missing
    const double dOctaves = f < range.dLowHz ? std::log2(range.dLowHz / f) : std::log2(f / range.dHighHz);
    return std::clamp(1.0 - dOctaves / EDGE_BLEND_OCTAVES, 0.0, 1.0);
}
}  // namespace

FitLimits ResolveFitLimits(const FitRange& range, const GridLevels& target, const GridLevels& guide,
                           const GridLevels& predicted, const double (&adEqBefore)[GRID_POINTS],
                           const double (&adFixed)[GRID_POINTS], double dMaxBoostDb, double dMaxCutDb)
{
    FitLimits limits;
    for (int i = 0; i < GRID_POINTS; ++i) {
        double dHigh = std::max(adEqBefore[i], 0.0) + LIMIT_ROOM_DB;
        const bool bHeard = guide.abValid[i] || predicted.abValid[i];
        const double dShare = bHeard && target.abValid[i] ? InRangeShare(range, i) : 0.0;
        if (dShare > 0.0) {
            // The response without the bands, as a third of an octave hears it.
            const double dHeard = (guide.abValid[i] ? guide.adLevel[i] : predicted.adLevel[i]) - adEqBefore[i];
            const double dInside = std::max(target.adLevel[i] - dHeard, 0.0) + LIMIT_ROOM_DB;
            dHigh = dShare * dInside + (1.0 - dShare) * dHigh;
        }
        limits.adHigh[i] = std::max(std::min(dHigh, dMaxBoostDb), adFixed[i]);
        limits.adLow[i] = std::min(-dMaxCutDb, adFixed[i]);
    }
    return limits;
}
