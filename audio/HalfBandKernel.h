// The half-band low-pass that doubles and halves the sample rate around the
// device's 96 kHz filters: flat to well within 0.01 dB up to 20 kHz, images
// and aliases from 28 kHz on some 100 dB down. Windowed sinc (Kaiser), so
// its phase is linear and its delay a whole number of samples.
#pragma once

#include <array>

// Odd taps on each side of the centre: the kernel has 4 * HALF_BAND_K + 3
// taps, of which the 2 * HALF_BAND_K + 2 odd ones are not zero.
inline constexpr int HALF_BAND_K = 23;
inline constexpr int HALF_BAND_ODD_TAPS = 2 * HALF_BAND_K + 2;
// Up and down again delay the signal by this many samples at the lower rate.
inline constexpr int HALF_BAND_LATENCY = 2 * HALF_BAND_K + 1;

// g[k] = h[2k + 1] for k = -(K + 1) .. K, stored from index 0 (k = -(K + 1)).
// The centre tap is 1/2; the other even taps are zero.
using HalfBandOddTaps = std::array<double, HALF_BAND_ODD_TAPS>;
const HalfBandOddTaps& GetHalfBandOddTaps();
