// The preset in words and the user's units, as `vardenctl show` prints it.
#pragma once

#include <ostream>
#include <string>

#include "PresetData.h"

void PrintPreset(std::ostream& out, const PresetData& data, const std::string& strSource);

// Values as the window shows them.
std::string FormatBandGain(int nGain);     // "-3.5 dB"
std::string FormatQ(int nQIndex);          // "28.9", "4.97"
std::string FormatChannelGain(int nGain);  // "-60.0 dB"
std::string FormatDelay(int nSamples);     // "0.500 ms"
std::string FormatGate(int nGateByte);     // "-110 dBu"
const char* AlignmentName(int nType);      // "Link_Ril", "Bessel", "BTWorth"
const char* SlopeName(int nSlope);         // "12dB/Oct" .. "48dB/Oct"
