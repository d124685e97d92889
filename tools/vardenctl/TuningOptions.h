// What the tuning commands (fit, curve --measurement, align) share: the
// fit's options, the range and the measurements of the microphone positions.
#pragma once

#include <string>

#include "ChannelMeasurement.h"
#include "CommandLine.h"
#include "FitSettings.h"
#include "MeasurementFile.h"
#include "PresetData.h"

class CTALVRoute;

// The whole text as a finite number (a leading '+' allowed).
bool ParseNumber(const std::string& s, double& d);

// --smooth N and --average A into settings; EXIT_OK, or the failure already
// reported.
int ParseSmoothingOption(const CommandLine& cl, FitSettings& settings);

// Every --measurement read into the channel's measurement, taken with the
// channel's response adSumAtLoad; notes of the reader go to the error
// stream. EXIT_OK, or the failure already reported.
int LoadMeasurements(const CommandLine& cl, const double (&adSumAtLoad)[GRID_POINTS], CChannelMeasurement& measurement);

// The name a failure of the measurements is told under: the file, or "the
// measurements" when there are several.
std::string MeasurementsName(const CommandLine& cl);

// --range LO-HI into dLowHz and dHighHz (left as they are without it);
// EXIT_OK, or the failure already reported.
int ParseRangeOption(const CommandLine& cl, double& dLowHz, double& dHighHz);

// --target, --tilt, --range, --max-boost, --max-cut, --smooth and --average into
// settings; EXIT_OK, or the failure already reported (a target file that
// cannot be read is EXIT_IO, a wrong value EXIT_USAGE).
int ParseFitOptions(const CommandLine& cl, FitSettings& settings);

// The preset fit and align start from: OUT checked first (an answer that
// cannot be written is no answer, so none is worked out), then IN read into
// data and into route, through which the measurements were taken. EXIT_OK,
// or the failure already reported.
int ReadPresetToTune(const CommandLine& cl, const std::string& strIn, const std::string& strOut, PresetData& data,
                     CTALVRoute& route);

// data, tuned, written to OUT, and then strReport (what was tuned, in lines)
// and the file told; EXIT_OK, or the failure already reported.
int WriteTunedPreset(const CommandLine& cl, const std::string& strOut, const PresetData& data,
                     const std::string& strReport);
