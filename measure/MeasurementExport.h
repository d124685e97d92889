// A measured response written as the measurement export this program reads
// (a header of lines starting with "*", then frequency, dB and phase in
// degrees), and its impulse response as a 32-bit float WAV file.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "MeasureTakes.h"

struct MeasurementHeader {
    std::time_t tWhen = 0;
    int nChannel = 0;
    std::string strPreset;
    std::string strOutput;  // the sound devices, as the user named them
    std::string strInput;
    std::string strReference;    // empty: measured without one
    std::string strCalibration;  // the calibration file, empty for none
};

// The response is one that was not refused.
std::string FormatMeasurementExport(const MeasuredResponse& response, const SweepSettings& sweep,
                                    const MeasurementHeader& header);

// A mono RIFF/WAVE file of 32-bit IEEE float samples.
std::string FormatFloatWav(const std::vector<float>& afSamples, int nRate);
