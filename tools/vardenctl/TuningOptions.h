// What the tuning commands (fit, curve --measurement, align) share: the
// fit's options and the range.
#pragma once

#include <string>

#include "CommandLine.h"
#include "FitSettings.h"
#include "MeasurementFile.h"

// --smooth N into settings; EXIT_OK, or the failure already reported.
int ParseSmoothingOption(const CommandLine& cl, FitSettings& settings);

// --range LO-HI into dLowHz and dHighHz (left as they are without it);
// EXIT_OK, or the failure already reported.
int ParseRangeOption(const CommandLine& cl, double& dLowHz, double& dHighHz);

// --target, --tilt, --range, --max-boost, --max-cut and --smooth into
// settings; EXIT_OK, or the failure already reported (a target file that
// cannot be read is EXIT_IO, a wrong value EXIT_USAGE).
int ParseFitOptions(const CommandLine& cl, FitSettings& settings);
