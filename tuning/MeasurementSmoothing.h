// A measurement onto the graph's grid, smoothed over a fraction of an octave
// as measurement programs smooth: the curve between rows runs straight on a
// log frequency axis, and each grid point takes its mean over 1/N octave
// centred on the point (N = 0: the curve's value at the point). Grid points
// outside the measured span are not measured.
#pragma once

#include "GridLevels.h"
#include "MeasurementData.h"

inline constexpr int SMOOTHING_NONE = 0;
inline constexpr int DEFAULT_SMOOTHING = 6;
inline constexpr int SMOOTHING_CHOICES[] = {SMOOTHING_NONE, 3, 6, 12, 24, 48};

bool IsSmoothingChoice(int nFraction);

// nFraction is one of SMOOTHING_CHOICES; data holds two rows or more.
GridLevels MeasurementOnGrid(const MeasurementData& data, int nFraction);
