// The section of one equaliser band: a peaking band, or a low or high shelf,
// at its centre (or corner) snapped to the frequency grid.
#pragma once

#include "BiquadSection.h"

inline constexpr int BAND_PEAKING = 0;
inline constexpr int BAND_LOW_SHELF = 1;
inline constexpr int BAND_HIGH_SHELF = 2;

// The band's centre frequency in radians per sample at 96 kHz, per hertz.
inline constexpr double CENTRE_FREQ_SCALE = 6.544985e-05;

BiquadSection PeakingSection(int nFreq, double dGain, double dBandwidth);
// nType is BAND_LOW_SHELF or BAND_HIGH_SHELF; shelf slope codes beyond 0..1
// count as the nearer of the two.
BiquadSection ShelfSection(int nType, int nFreq, double dGain, int nShelfSlope);
