// Levels as the reports write them, to 0.1 dB.
#pragma once

#include <string>

// "+5.8 dB", "-9.1 dB", "+0.0 dB": a change of level, always signed, in
// ASCII, as the fit's report and its band table write it.
std::string FormatDbChange(double dB);

// "−14.2 dB", "0.0 dB", "7.3 dB": a level with a true minus sign (U+2212)
// below zero and no sign otherwise; what rounds to 0.0 has none.
std::string FormatDb(double dB);
