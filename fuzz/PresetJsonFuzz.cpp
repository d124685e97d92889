// The JSON preset reader on any text: it refuses with a message or reads a
// preset that writes, reads and writes again to the same text.
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "PresetJson.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string text(reinterpret_cast<const char*>(pData), nSize);
    PresetData data;
    std::string error;
    if (!PresetFromJson(text, data, error)) {
        FuzzCheck(!error.empty(), "a refused file has a message");
        return 0;
    }
    const std::string written = PresetToJson(data);
    PresetData back;
    FuzzCheck(PresetFromJson(written, back, error), "what was written reads again");
    FuzzCheck(back.aChannel == data.aChannel && back.strName == data.strName, "parse, write, parse is stable");
    FuzzCheck(PresetToJson(back) == written, "write, parse, write gives the same text");
    return 0;
}
