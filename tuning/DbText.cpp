#include "DbText.h"

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
