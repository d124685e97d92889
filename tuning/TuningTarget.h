// The response the fit aims at: flat, tilted by some dB per octave about
// 1 kHz, or read from a target file (the measurement format). Its level is
// not its own: it is placed at the measurement's mean over the fitting range.
#pragma once

#include <string>

#include "GridLevels.h"

enum class TargetKind { Flat, Tilt, File };

inline constexpr double TILT_PIVOT_HZ = 1000.0;
inline constexpr double MAX_TILT_DB_PER_OCTAVE = 6.0;

struct FitTarget {
    TargetKind eKind = TargetKind::Flat;
    double dTiltDbPerOctave = 0.0;
    GridLevels fileShape;     // a target file on the grid, valid over its span
    std::string strFileName;  // where it came from, to show
};

// The target's shape at no particular level; valid where it is defined.
GridLevels TargetShape(const FitTarget& target);

// The shape moved so that its mean over the grid points in range equals the
// smoothed measurement's mean there. Valid where the shape is.
GridLevels PlaceTarget(const GridLevels& shape, const GridLevels& smoothed, const bool (&abInRange)[GRID_POINTS]);
