// The one loader of whole preset files, used by the window and vardenctl
// alike. A file is a preset only when it holds exactly one preset, every
// value is inside the device's ranges (a gate byte or an input level beyond
// them is clamped, as the format always did) and its name has no control
// character; anything else is refused with what is wrong in words, and
// nothing is loaded from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PresetRecord.h"

class CTALVRoute;

enum class PresetFault {
    None,
    Unreadable,  // the file could not be read at all
    NotAPreset,  // the bytes are not one preset: short, too long, a value out of range
    BadName,     // a preset whose name breaks the name rule
};

// Takes bytes as one preset. On failure strError says what is wrong:
// "channel 2 band 7 gain is 713, outside 0..400", "it ends after 100 of 1125
// bytes", "3 bytes after the preset", "the name has a control character
// (U+0007)".
PresetFault ParsePresetBytes(const std::vector<std::uint8_t>& bytes, PresetRecord& preset, std::string& strError);

// Loads route from bytes, as a preset file is loaded, only when they are one
// preset; otherwise route is left as it was.
PresetFault LoadPresetBytes(const std::vector<std::uint8_t>& bytes, CTALVRoute& route, std::string& strError);

// The file read and taken as one preset. strError starts with the path:
// "g.dia: not a preset file: ..." or why it could not be read.
PresetFault ReadPresetFile(const std::string& strPath, PresetRecord& preset, std::string& strError);
