// A measurement onto the graph's grid, smoothed over a fraction of an octave
// as measurement programs smooth: the curve between rows runs straight on a
// log frequency axis, and each grid point takes its mean over 1/N octave
// centred on the point (N = 0: the curve's value at the point). Grid points
// outside the measured span are not measured.
#pragma once

#include <iterator>
#include <string>

#include "GridLevels.h"
#include "MeasurementData.h"

inline constexpr int SMOOTHING_NONE = 0;
inline constexpr int DEFAULT_SMOOTHING = 6;
inline constexpr int SMOOTHING_CHOICES[] = {SMOOTHING_NONE, 3, 6, 12, 24, 48};
inline constexpr int SMOOTHING_CHOICE_COUNT = static_cast<int>(std::size(SMOOTHING_CHOICES));

bool IsSmoothingChoice(int nFraction);
// The place of nFraction in SMOOTHING_CHOICES, 0 when it is none of them.
int SmoothingChoiceIndex(int nFraction);

// nFraction is one of SMOOTHING_CHOICES; data holds two rows or more.
GridLevels MeasurementOnGrid(const MeasurementData& data, int nFraction);

// Whether the measured span holds a point of the grid; false with
// "NAME: why" in strError when it lies beyond 20 Hz-20 kHz or between two
// grid points.
bool ReachesGrid(const MeasurementData& data, const std::string& strName, std::string& strError);
