// Frequencies as the reports and messages write them.
#pragma once

#include <string>

// "44.9", "1000", "12987": six significant digits, no trailing zeros.
std::string FormatHz(double dHz);

// "850 Hz", "2.3 kHz": whole hertz below 1 kHz, tenths of a kilohertz from
// there, with the unit; for a frequency the grid only comes near.
std::string FormatHzRounded(double dHz);

// "80-12000 Hz" with the en dash, as the reports write a range.
std::string FormatHzRange(double dLowHz, double dHighHz);
// The same without the unit, for a list of ranges that names it once.
std::string FormatHzSpan(double dLowHz, double dHighHz);
