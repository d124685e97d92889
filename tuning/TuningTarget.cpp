#include "TuningTarget.h"

#include <cmath>

GridLevels TargetShape(const FitTarget& target)
{
    if (target.eKind == TargetKind::File)
        return target.fileShape;
    GridLevels shape;
    const double dTilt = target.eKind == TargetKind::Tilt ? target.dTiltDbPerOctave : 0.0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        shape.adLevel[i] = dTilt * std::log2(g_dFreqGrid[i] / TILT_PIVOT_HZ);
        shape.abValid[i] = true;
    }
    return shape;
}

GridLevels PlaceTarget(const GridLevels& shape, const GridLevels& smoothed, const bool (&abInRange)[GRID_POINTS])
{
    double dShape = 0.0;
    double dMeasured = 0.0;
    int n = 0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (abInRange[i] && shape.abValid[i] && smoothed.abValid[i]) {
            dShape += shape.adLevel[i];
            dMeasured += smoothed.adLevel[i];
            ++n;
        }
    }
    const double dOffset = n > 0 ? (dMeasured - dShape) / n : 0.0;
    GridLevels target = shape;
    for (int i = 0; i < GRID_POINTS; ++i)
        target.adLevel[i] += dOffset;
    return target;
}
