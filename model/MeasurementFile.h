// A measurement (or target) export read from disk, with the preset files'
// care: only regular files, nothing absurdly large, errors naming the file.
#pragma once

#include <cstdint>
#include <string>

#include "MeasurementData.h"

// A million rows of frequency, level and phase fit in this with room to
// spare; a larger file is no measurement export.
inline constexpr std::uintmax_t MEASUREMENT_MAX_FILE_SIZE = 64u << 20;

// The file's rows; false with the file, line and reason in strError. A file
// whose span holds no point of the graph's grid is refused too: nothing of
// it could be shown or fitted.
bool ReadMeasurementFile(const std::string& strPath, MeasurementData& data, std::string& strError);
