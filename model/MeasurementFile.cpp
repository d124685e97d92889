#include "MeasurementFile.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "MeasurementReader.h"
#include "PresetFile.h"

bool ReadMeasurementFile(const std::string& strPath, MeasurementData& data, std::string& strError)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(strPath, bytes, strError))
        return false;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return ParseMeasurement(text, strPath, data, strError);
}
