// The value ranges the processor accepts, and checks of parameter values and
// whole blocks against them. The simulator keeps its own copy on purpose: it
// must not share a mistake with the program it checks.
#pragma once

#include "Frame.h"

namespace DeviceLimits {

inline constexpr int FREQ_MIN = 20;  // band, HPF and LPF frequency in Hz
inline constexpr int FREQ_MAX = 20000;
inline constexpr int BAND_GAIN_MAX = 400;  // 0.1 dB steps
inline constexpr int BAND_GAIN_FLAT = 200;
inline constexpr int Q_INDEX_MAX = 59;
inline constexpr int FILTER_TYPE_MAX = 2;   // Link_Ril, Bessel, BTWorth
inline constexpr int FILTER_SLOPE_MAX = 6;  // 12..48 dB/Oct
inline constexpr int SWITCH_MAX = 1;        // output, polarity, input level
inline constexpr int CHANNEL_GAIN_MAX = 800;
inline constexpr int CHANNEL_GAIN_UNITY = 600;  // value * 0.1 - 60 dB
inline constexpr int DELAY_MAX = 960;           // samples at 48 kHz
inline constexpr int GATE_MIN = 40;
inline constexpr int GATE_MAX = 70;

bool IsBandInRange(int nFreq, int nGain, int nQ);
bool IsFilterInRange(int nFreq, int nType, int nSlope);
bool IsChannelSectionInRange(int nOutput, int nPolarity, int nGain, int nDelay, int nGate, int nInputLevel);

// Every value of an 18-byte parameter frame (0x52), read by its frame index
// in byte 5; an index above 32 is out of range too.
bool IsParameterFrameInRange(const BYTE* pFrame);

// Every value of a 274-byte block frame.
bool IsBlockInRange(const BYTE* pBlock);

}  // namespace DeviceLimits
