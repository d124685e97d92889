#include "FitRange.h"

#include <algorithm>
#include <cstdio>

FitRange ResolveFitRange(const FitSettings& settings, double dCornerLowHz, double dCornerHighHz, double dSpanLowHz,
                         double dSpanHighHz, const GridLevels& measured, const GridLevels& shape)
{
    FitRange range;
    const double dLow = settings.dLowHz > 0.0 ? settings.dLowHz : dCornerLowHz;
    const double dHigh = settings.dHighHz > 0.0 ? settings.dHighHz : dCornerHighHz;
    range.dLowHz = std::max(dLow, dSpanLowHz);
    range.dHighHz = std::min(dHigh, dSpanHighHz);
    if (!(dLow < dHigh)) {
        range.strError = "the range " + FormatHzRange(dLow, dHigh) + " holds no frequencies";
        return range;
    }
    if (range.dLowHz > range.dHighHz) {
        range.strError = "the measurement (" + FormatHzRange(dSpanLowHz, dSpanHighHz) +
                         ") does not reach into the range " + FormatHzRange(dLow, dHigh);
        return range;
    }
    for (int i = 0; i < GRID_POINTS; ++i) {
        const double f = g_dFreqGrid[i];
        range.abIn[i] = f >= range.dLowHz && f <= range.dHighHz && measured.abValid[i] && shape.abValid[i];
        range.nPoints += range.abIn[i] ? 1 : 0;
    }
    if (range.nPoints == 0)
        range.strError = "no point of the graph's grid lies in " + FormatHzRange(range.dLowHz, range.dHighHz) +
                         " where both the measurement and the target are known";
    return range;
}
