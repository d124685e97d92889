// A measurement microphone's calibration as its maker ships it: rows of
// frequency and dB (and phase, in some), often after a first line such as
// "Sens Factor =-1.2dB, SERNO: 7001234". The microphone's own deviation is
// taken out of a measured response.
#pragma once

#include <string>
#include <string_view>

#include "MeasureTakes.h"
#include "MeasurementData.h"

struct MicCalibration {
    MeasurementData rows;
    bool bSensitivity = false;
    double dSensitivityDb = 0.0;  // the "Sens Factor": the level's offset, not the curve's shape
};

// False, with "NAME: reason" in strError, when the bytes are no calibration;
// out is then left as it was.
bool ParseMicCalibration(std::string_view bytes, const std::string& strName, MicCalibration& out,
                         std::string& strError);

// The calibration's dB (and phase, where it has one) taken from the
// response, straight between its rows on a log frequency axis and held at
// its ends beyond them.
void ApplyMicCalibration(const MicCalibration& calibration, MeasuredResponse& response);
