#include "HzText.h"

#include <cstdio>

std::string FormatHz(double dHz)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", dHz);
    return buf;
}

std::string FormatHzRounded(double dHz)
{
    char buf[40];
    if (dHz >= 1000.0)
        std::snprintf(buf, sizeof buf, "%.1f kHz", dHz / 1000.0);
    else
        std::snprintf(buf, sizeof buf, "%.0f Hz", dHz);
    return buf;
}

std::string FormatHzRange(double dLowHz, double dHighHz)
{
    return FormatHzSpan(dLowHz, dHighHz) + " Hz";
}

std::string FormatHzSpan(double dLowHz, double dHighHz)
{
    return FormatHz(dLowHz) + "\u2013" + FormatHz(dHighHz);
}
