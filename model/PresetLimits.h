// The valid range of every value the preset stores, in the device's own
// encodings. Values entering the model from files or the device are clamped
// into these ranges, so no later table lookup (Q table, alignment and slope
// names) can go outside its table and the device never gets a value it does
// not define.
#pragma once

#include <algorithm>

struct ValueRange {
    int nMin;
    int nMax;
    constexpr int Clamp(int v) const { return std::clamp(v, nMin, nMax); }
    constexpr bool Contains(long long v) const { return v >= nMin && v <= nMax; }
};

inline constexpr ValueRange BAND_FREQ_RANGE{20, 20000};
inline constexpr ValueRange BAND_GAIN_RANGE{0, 400};  // 0.1 dB steps, 200 = 0 dB
inline constexpr ValueRange BAND_Q_RANGE{0, 59};      // index into the Q table
inline constexpr ValueRange XOVER_FREQ_RANGE{20, 20000};
inline constexpr ValueRange FILTER_TYPE_RANGE{0, 2};     // Link_Ril, Bessel, BTWorth
inline constexpr ValueRange FILTER_SLOPE_RANGE{0, 6};    // 12..48 dB/Oct
inline constexpr ValueRange SWITCH_RANGE{0, 1};          // output, polarity, input level
inline constexpr ValueRange CHANNEL_GAIN_RANGE{0, 800};  // value * 0.1 - 60 dB
inline constexpr ValueRange DELAY_RANGE{0, 960};         // samples at 48 kHz
inline constexpr ValueRange GATE_BYTE_RANGE{40, 70};     // stored byte
inline constexpr ValueRange GATE_ENTERED_RANGE{10, 40};  // what the user types

inline constexpr int GAIN_FLAT = 200;    // band gain word of 0 dB: the band is bypassed
inline constexpr int GATE_OFFSET = 30;   // stored gate byte = entered value + 30
inline constexpr int HPF_OFF_FREQ = 20;  // a high-pass here does nothing
inline constexpr int LPF_OFF_FREQ = 20000;
inline constexpr int GATE_DEFAULT_BYTE = 40;
