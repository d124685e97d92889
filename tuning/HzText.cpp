#include "HzText.h"

#include <cstdio>

std::string FormatHz(double dHz)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", dHz);
    return buf;
}

std::string FormatHzRange(double dLowHz, double dHighHz)
{
    return FormatHz(dLowHz) + "\u2013" + FormatHz(dHighHz) + " Hz";
}
