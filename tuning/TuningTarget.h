// The response the fit aims at: flat, tilted by some dB per octave about
// 1 kHz, or read from a target file (the measurement format), smoothed like
// the measurement so that a target made from the measurement itself leaves
// no error. Its level is not its own: it is placed at the measurement's mean
// over the fitting range.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "GridLevels.h"
#include "MeasurementData.h"
#include "MeasurementSmoothing.h"

enum class TargetKind { Flat, Tilt, File };

inline constexpr double TILT_PIVOT_HZ = 1000.0;
inline constexpr double MAX_TILT_DB_PER_OCTAVE = 6.0;

// A target file on the grid at each smoothing choice, valid over its span;
// shared, as settings are copied with every fit.
using TargetFileShapes = std::array<GridLevels, SMOOTHING_CHOICE_COUNT>;

struct FitTarget {
    TargetKind eKind = TargetKind::Flat;
    double dTiltDbPerOctave = 0.0;
    std::shared_ptr<const TargetFileShapes> pFileShapes;  // null: no file
    std::string strFileName;                              // where it came from, to show

    bool HasFile() const { return pFileShapes != nullptr; }
};

// Takes the rows of a target file (two or more) into target.
void SetTargetFile(FitTarget& target, const MeasurementData& data, const std::string& strFileName);

// The target's shape at no particular level, with a file smoothed over
// 1/nSmoothing octave; valid where it is defined.
GridLevels TargetShape(const FitTarget& target, int nSmoothing);

// The shape moved so that its mean over the grid points in range equals the
// smoothed measurement's mean there. Valid where the shape is.
GridLevels PlaceTarget(const GridLevels& shape, const GridLevels& smoothed, const bool (&abInRange)[GRID_POINTS]);
