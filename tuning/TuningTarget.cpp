#include "TuningTarget.h"

#include <cmath>

void SetTargetFile(FitTarget& target, const MeasurementData& data, const std::string& strFileName)
{
    auto pShapes = std::make_shared<TargetFileShapes>();
    for (int k = 0; k < SMOOTHING_CHOICE_COUNT; ++k)
        (*pShapes)[static_cast<std::size_t>(k)] = MeasurementOnGrid(data, SMOOTHING_CHOICES[k]);
    target.pFileShapes = std::move(pShapes);
    target.strFileName = strFileName;
}

GridLevels TargetShape(const FitTarget& target, int nSmoothing)
{
    if (target.eKind == TargetKind::File)
        return target.pFileShapes ? (*target.pFileShapes)[static_cast<std::size_t>(SmoothingChoiceIndex(nSmoothing))]
                                  : GridLevels{};
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
