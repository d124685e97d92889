// Reading and writing a preset as .dia or .json, chosen by the file's
// extension. Errors name the file and what is wrong with it.
#pragma once

#include <string>

#include "CommandLine.h"
#include "PresetData.h"
#include "PresetLoader.h"

enum class PresetFormat { Unknown, Dia, Json };

PresetFormat FormatOfPath(const std::string& strPath);

// A .dia goes through the model's whole-file loader, a .json is checked
// field by field; either way every value must be in range and the name one
// the device can keep.
PresetFault ReadPreset(const std::string& strPath, PresetData& data, std::string& strError);

// The exit status for a preset that could not be read: a name the device
// cannot keep is refused like a wrong --name (2), anything else is 1.
inline int ExitForPresetFault(PresetFault fault)
{
    return fault == PresetFault::BadName ? EXIT_USAGE : EXIT_IO;
}

// Writes the whole file or, on failure, leaves what was there.
bool WritePreset(const std::string& strPath, const PresetData& data, std::string& strError);
