#include "PresetNameRule.h"

#include <cstdio>

#include "Frame.h"

namespace {
constexpr unsigned char PRINTABLE_FIRST = 0x20;
constexpr unsigned char PRINTABLE_LAST = 0x7E;          // 0x7F is DEL
constexpr unsigned char LATIN1_PRINTABLE_FIRST = 0xA0;  // 0x80..0x9F are C1 controls
}  // namespace

bool IsPresetNameChar(unsigned char c)
{
    return (c >= PRINTABLE_FIRST && c <= PRINTABLE_LAST) || c >= LATIN1_PRINTABLE_FIRST;
}

std::string KeepablePresetName(const std::string& strLatin1)
{
    std::string strName = strLatin1.substr(0, PRESET_NAME_LEN);
    for (char& c : strName)
        if (!IsPresetNameChar(static_cast<unsigned char>(c)))
            c = '?';
    return strName;
}

std::string CheckPresetName(const std::string& strLatin1)
{
    for (unsigned char c : strLatin1) {
        if (!IsPresetNameChar(c)) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
            return std::string("the name has a control character (") + buf + ")";
        }
    }
    if (strLatin1.size() > PRESET_NAME_LEN)
        return "the name has " + std::to_string(strLatin1.size()) + " characters; the device keeps " +
               std::to_string(PRESET_NAME_LEN);
    return std::string();
}
