#include "DbText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

std::string FormatDbChange(double dB)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%+.1f dB", dB);
    return buf;
}

std::string FormatDb(double dB)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", std::fabs(dB));
    const bool bNegative = dB < 0.0 && std::string(buf).find_first_not_of("0.") != std::string::npos;
    return (bNegative ? "\u2212" : "") + std::string(buf) + " dB";
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
