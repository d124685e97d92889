// Constant tables shared by the response math, the value fields and the
// preset defaults: the Q shown for each bandwidth step and the band centres.
#pragma once

inline constexpr int BANDWIDTH_Q_COUNT = 60;
inline constexpr int GRAPHIC_EQ_BANDS = 31;
inline constexpr int LOW15_BANDS = 15;

// Q shown for Q index k (bandwidth 0.05 + 0.01 k octave); falls strictly.
extern const double g_dBandwidthQ[BANDWIDTH_Q_COUNT];

// Centre frequencies of the 31 equaliser bands, in hertz.
extern const int g_nGraphicEqFreq[GRAPHIC_EQ_BANDS];

// The alternative frequencies of the first 15 bands.
extern const int g_nBandFreqLow15[LOW15_BANDS];

// The Q index for a typed Q: the first index whose Q the value reaches, or
// the widest band (59) for a Q below the table.
int QIndexFromQ(double q);
