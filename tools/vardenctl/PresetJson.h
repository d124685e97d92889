// The JSON form of a preset: every stored field in the model's own encoding,
// so a preset survives .dia -> .json -> .dia byte for byte. The name's 8-bit
// characters are Windows-1252, written as UTF-8; it may be of any length.
#pragma once

#include <string>

#include "PresetData.h"
#include "PresetLoader.h"

std::string PresetToJson(const PresetData& data);

// Parses and checks text. On failure returns false and says which field is
// wrong in strError ("channels[2].hpf.type: 7 is outside 0..2"); *pFault
// tells a name that breaks the name rule from any other fault.
bool PresetFromJson(const std::string& strText, PresetData& data, std::string& strError, PresetFault* pFault = nullptr);
