// What the user chooses for a fit: the target, the frequency range, how far
// the bands may boost and cut, and the smoothing of the measurement.
#pragma once

#include "MeasurementSmoothing.h"
#include "TuningTarget.h"

inline constexpr double DEFAULT_MAX_BOOST_DB = 6.0;
inline constexpr double DEFAULT_MAX_CUT_DB = 12.0;

struct FitSettings {
    FitTarget target;
    double dLowHz = 0.0;   // 0: the channel's high-pass corner
    double dHighHz = 0.0;  // 0: the channel's low-pass corner
    double dMaxBoostDb = DEFAULT_MAX_BOOST_DB;
    double dMaxCutDb = DEFAULT_MAX_CUT_DB;
    int nSmoothing = DEFAULT_SMOOTHING;
};
