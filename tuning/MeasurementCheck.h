// A channel measured again after its fit was applied, held against what its
// measurement predicted: both as the fit sees them (the same smoothing), and
// the rms difference over the fit's range tells whether the loudspeaker does
// what the fit said it would.
#pragma once

#include <string>

#include "ChannelMeasurement.h"

struct MeasurementCheck {
    bool bOk = false;
    std::string strError;  // why there is no figure
    GridLevels measured;   // the new measurement, smoothed as the channel's
    GridLevels predicted;  // what the channel's measurement predicts now
    FitRange range;
    double dRmsDb = 0.0;
};

// measurement is loaded; adSumNow is the channel's summed response as the
// check was taken, with the channel's crossover corners.
MeasurementCheck CheckMeasurement(const CChannelMeasurement& measurement, const MeasurementData& check,
                                  const double (&adSumNow)[GRID_POINTS], double dCornerLowHz, double dCornerHighHz);
