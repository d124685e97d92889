#include "MeasurementFile.h"

#include <string_view>
#include <vector>

#include "MeasurementReader.h"
#include "MeasurementSmoothing.h"
#include "PresetFile.h"

bool ReadMeasurementFile(const std::string& strPath, MeasurementData& data, std::string& strError)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(strPath, bytes, strError, MEASUREMENT_MAX_FILE_SIZE,
                       "too large for a measurement export (at most 64 MiB, about a million rows)"))
        return false;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    MeasurementData read;
    if (!ParseMeasurement(text, strPath, read, strError) || !ReachesGrid(read, strPath, strError))
        return false;
    data = std::move(read);
    return true;
}
