// The sections of a crossover filter: the high-pass or low-pass cascade of
// up to four second-order (or one first-order and up to three second-order)
// sections, by alignment and slope code. Codes outside their tables are
// taken as the nearest valid code, corners outside 20..20000 Hz as the
// nearer end.
#pragma once

#include <array>

#include "BiquadSection.h"
#include "CrossoverTables.h"

using CrossoverSections = std::array<BiquadSection, XOVER_SECTIONS>;

CrossoverSections HighPassSections(int nFreq, int nAlign, int nSlope);
CrossoverSections LowPassSections(int nFreq, int nAlign, int nSlope);
