// Two presets compared field by field, each difference one line in the
// user's units as `vardenctl show` speaks them:
//   channel 2 band 5 gain: 3.0 dB -> -1.5 dB
#pragma once

#include <string>
#include <vector>

#include "PresetData.h"

enum class PresetFields {
    File,    // everything a preset file keeps, the name included
    Stored,  // what the device keeps of a channel: no name, flags or reserved words
};

std::vector<std::string> DiffPresets(const PresetData& a, const PresetData& b, PresetFields fields);

// "FIELD: A -> B", the form of every line above.
std::string FieldChange(const std::string& strField, const std::string& strA, const std::string& strB);
