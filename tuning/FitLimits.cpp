#include "FitLimits.h"

#include <algorithm>

FitLimits ResolveFitLimits(const FitRange& range, const GridLevels& target, const GridLevels& guide,
                           const GridLevels& predicted, const double (&adEqBefore)[GRID_POINTS],
                           const double (&adFixed)[GRID_POINTS], double dMaxBoostDb, double dMaxCutDb)
{
    FitLimits limits;
    for (int i = 0; i < GRID_POINTS; ++i) {
        double dHigh = std::max(adEqBefore[i], 0.0) + LIMIT_ROOM_DB;
        if (range.abIn[i]) {
            // The response without the bands, as a third of an octave hears it.
            const double dHeard = (guide.abValid[i] ? guide.adLevel[i] : predicted.adLevel[i]) - adEqBefore[i];
            dHigh = std::max(target.adLevel[i] - dHeard, 0.0) + LIMIT_ROOM_DB;
        }
        limits.adHigh[i] = std::max(std::min(dHigh, dMaxBoostDb), adFixed[i]);
        limits.adLow[i] = std::min(-dMaxCutDb, adFixed[i]);
    }
    return limits;
}
