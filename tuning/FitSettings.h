// What the user chooses for a fit: the target, the frequency range, how far
// the bands may boost and cut, the smoothing of the measurement and how
// several microphone positions are averaged.
#pragma once

#include "MeasurementSmoothing.h"
#include "TuningTarget.h"

inline constexpr double DEFAULT_MAX_BOOST_DB = 6.0;
inline constexpr double DEFAULT_MAX_CUT_DB = 12.0;

// How the microphone positions are averaged: the mean of their levels in dB,
// or the mean of their power (which leans towards the louder positions).
enum class Averaging { MeanDb, MeanPower };

struct FitSettings {
    FitTarget target;
    double dLowHz = 0.0;   // 0: the channel's high-pass corner
    double dHighHz = 0.0;  // 0: the channel's low-pass corner
    double dMaxBoostDb = DEFAULT_MAX_BOOST_DB;
    double dMaxCutDb = DEFAULT_MAX_CUT_DB;
    int nSmoothing = DEFAULT_SMOOTHING;
    Averaging eAveraging = Averaging::MeanDb;
};
