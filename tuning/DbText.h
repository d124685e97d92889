// Numbers and levels as the reports and files write them.
#pragma once

#include <string>

// "+5.8 dB", "-9.1 dB", "+0.0 dB": a change of level, always signed, in
// ASCII, as the fit's report and its band table write it.
std::string FormatDbChange(double dB);

// "−14.2 dB", "0.0 dB", "7.3 dB": a level with a true minus sign (U+2212)
// below zero and no sign otherwise; what rounds to 0.0 has none.
std::string FormatDb(double dB);

// "12.50", "0.0": fixed-point with nDecimals decimals, written the same in
// every locale (a reader expecting a decimal point never meets a comma), and
// what rounds to zero has no sign ("-0.0" would read as a level below zero).
std::string FormatFixed(double d, int nDecimals);
