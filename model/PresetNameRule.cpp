#include "PresetNameRule.h"

#include <cstdio>

#include "Frame.h"
#include "Windows1252.h"

namespace {
constexpr unsigned char PRINTABLE_FIRST = 0x20;
constexpr unsigned char DEL = 0x7F;
}  // namespace

bool IsPresetNameChar(unsigned char c)
{
    return c >= PRINTABLE_FIRST && c != DEL && Windows1252ToUnicode(c) != 0;
}

std::string KeepablePresetName(const std::string& strName)
{
    std::string strKept = strName;
    for (char& c : strKept)
        if (!IsPresetNameChar(static_cast<unsigned char>(c)))
            c = '?';
    return strKept;
}

std::string CheckPresetName(const std::string& strName)
{
    for (unsigned char c : strName) {
        if (!IsPresetNameChar(c)) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
            return std::string("the name has a control character (") + buf + ")";
        }
    }
    return std::string();
}

std::string CheckDeviceName(const std::string& strName)
{
    std::string strError = CheckPresetName(strName);
    if (strError.empty() && strName.size() > PRESET_NAME_LEN)
        strError = "the name has " + std::to_string(strName.size()) + " characters; the device keeps " +
                   std::to_string(PRESET_NAME_LEN);
    return strError;
}

std::string NameAsDeviceKeepsIt(const std::string& strName)
{
    std::string strKept = strName.substr(0, PRESET_NAME_LEN);
    while (!strKept.empty() && strKept.back() == ' ')
        strKept.pop_back();
    return strKept;
}
