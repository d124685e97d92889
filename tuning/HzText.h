// Frequencies as the reports and messages write them.
#pragma once

#include <string>

// "44.9", "1000", "12987": six significant digits, no trailing zeros.
std::string FormatHz(double dHz);

// "80-12000 Hz" with the en dash, as the reports write a range.
std::string FormatHzRange(double dLowHz, double dHighHz);
