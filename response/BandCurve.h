// A band's gain and bandwidth from the indices the preset stores, and a
// peaking band's level on the frequency grid for any gain: the graph's
// elements and the equaliser fit compute their curves the same way.
#pragma once

#include "FreqGrid.h"

inline constexpr double GAIN_STEP_DB = 0.1;   // one gain index
inline constexpr double GAIN_MIN_DB = -20.0;  // gain index 0
inline constexpr double GAIN_MAX_DB = 20.0;
inline constexpr double BANDWIDTH_STEP = 0.01;  // octaves per Q index
inline constexpr double BANDWIDTH_MIN = 0.05;   // Q index 0

inline double GainOfIndex(int nIndex)
{
    return nIndex * GAIN_STEP_DB + GAIN_MIN_DB;
}

inline double BandwidthOfQIndex(int nIndex)
{
    return nIndex * BANDWIDTH_STEP + BANDWIDTH_MIN;
}

// The level in dB at every grid point of a peaking band; exactly 0 dB gain
// is flat.
void PeakingCurve(int nFreq, double dGain, double dBandwidth, double (&dB)[GRID_POINTS]);
