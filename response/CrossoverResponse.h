// The sections of a crossover filter: the high-pass or low-pass cascade of
// up to four second-order (or one first-order and up to three second-order)
// sections, by alignment and slope code. Codes outside their tables are
// taken as the nearest valid code, corners outside 20..20000 Hz as the
// nearer end.
#pragma once

#include <array>

#include "BiquadSection.h"
#include "CrossoverTables.h"

// A high-pass at the bottom of the range and a low-pass at its top are off.
inline constexpr int HIGH_PASS_OFF_HZ = 20;
inline constexpr int LOW_PASS_OFF_HZ = 20000;

using CrossoverSections = std::array<BiquadSection, XOVER_SECTIONS>;

CrossoverSections HighPassSections(int nFreq, int nAlign, int nSlope);
CrossoverSections LowPassSections(int nFreq, int nAlign, int nSlope);

// The sections of a crossover filter element, unity ones included: none for
// a high-pass at 20 Hz or a low-pass at 20 kHz, which are off.
int CrossoverElementSections(bool bHighPass, int nFreq, int nAlign, int nSlope, CrossoverSections& aSection);
