// Reading and writing a preset as .dia or .json, chosen by the file's
// extension. Errors name the file and what is wrong with it.
#pragma once

#include <string>

#include "PresetData.h"

enum class PresetFormat { Unknown, Dia, Json };

PresetFormat FormatOfPath(const std::string& strPath);

// A .dia goes through the model's loader (with its clamps); a .json is
// checked field by field.
bool ReadPreset(const std::string& strPath, PresetData& data, std::string& strError);

// Writes the whole file or, on failure, leaves what was there.
bool WritePreset(const std::string& strPath, const PresetData& data, std::string& strError);
