#include "DbText.h"

#include <charconv>
#include <cstdio>

std::string FormatDbChange(double dB)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%+.1f dB", dB);
    return buf;
}

std::string FormatDb(double dB)
{
    std::string str = FormatFixed(dB, 1);
    if (str[0] == '-')
        str.replace(0, 1, "\u2212");
    return str + " dB";
}

std::string FormatFixed(double d, int nDecimals)
{
    char buf[400];  // room for the largest double in fixed notation
    const auto [pEnd, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed, nDecimals);
    if (ec != std::errc())
        return "0";
    std::string str(buf, pEnd);
    if (str[0] == '-' && str.find_first_not_of("0.", 1) == std::string::npos)
        str.erase(0, 1);
    return str;
}
