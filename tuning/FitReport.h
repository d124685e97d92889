// The fit in words: the error figures, what the equaliser does as a whole,
// the positions averaged, and the band gains.
#pragma once

#include <string>

#include "ChannelMeasurement.h"
#include "EqFit.h"

// "rms error before 3.10 dB, after 0.84 dB over 20-20000 Hz" (an en dash).
std::string FormatFitSummary(const FitOutcome& outcome);

// "largest boost +5.8 dB at 44.9 Hz, largest cut -9.1 dB at 250 Hz, 12 bands
// changed": the 31 bands summed over the whole grid, after the fit.
std::string FormatFitEffect(const FitOutcome& outcome);

// "4 measurements averaged (mean in dB), widest spread 7.3 dB at 84.9 Hz"
// over the range; empty for a single measurement.
std::string FormatPositions(const CChannelMeasurement& measurement, const FitRange& range);

// One line per band: number, frequency, gain, and a mark on bands the fit
// changed or left alone.
std::string FormatFitBands(const FitRequest& request, const FitOutcome& outcome);
