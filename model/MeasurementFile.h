// A measurement (or target) export read from disk, with the preset files'
// care: only regular files, nothing absurdly large, errors naming the file.
#pragma once

#include <string>

#include "MeasurementData.h"

// The file's rows; false with the file, line and reason in strError.
bool ReadMeasurementFile(const std::string& strPath, MeasurementData& data, std::string& strError);
