// The fit in words: the error figures in one line, and the band gains.
#pragma once

#include <string>

#include "EqFit.h"

// "rms error before 3.10 dB, after 0.84 dB over 20-20000 Hz" (an en dash).
std::string FormatFitSummary(const FitOutcome& outcome);

// One line per band: number, frequency, gain, and a mark on bands the fit
// changed or left alone.
std::string FormatFitBands(const FitRequest& request, const FitOutcome& outcome);
