// Reading and writing preset files on disk. Saving never truncates the old
// file: the new bytes go to a temporary file in the same folder, which then
// replaces the target in one rename, so a failed save leaves the old file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CTALVRoute;

// Larger files are refused before reading: a preset is about 1.1 KB.
inline constexpr std::uintmax_t MAX_PRESET_FILE_SIZE = 16u << 20;

// The whole file into out. On failure returns false with a message naming
// the file and the reason in strError.
bool ReadFileBytes(const std::string& strPath, std::vector<std::uint8_t>& out, std::string& strError);
// The same for files of another kind: larger than nMaxBytes is refused as
// "PATH: strTooLarge".
bool ReadFileBytes(const std::string& strPath, std::vector<std::uint8_t>& out, std::string& strError,
                   std::uintmax_t nMaxBytes, const std::string& strTooLarge);

// Whether WriteFileAtomically may replace strPath: its folder exists and
// takes new files, and what is already there, directly or through a symbolic
// link, is a regular file the user may write (a read-only file is refused, as
// cp refuses it; a FIFO, a device or a folder is never replaced). A link to
// nothing yet is written through: the file is made where it points. False
// with the reason.
bool CheckWritable(const std::string& strPath, std::string& strError);

// Every byte to fd, through interrupted and partial writes; false with errno
// set when a write fails (a full disk, a closed pipe).
bool WriteAllBytes(int fd, const std::uint8_t* p, std::size_t n);

// Replaces strPath with exactly these bytes, or leaves it untouched.
bool WriteFileAtomically(const std::string& strPath, const std::vector<std::uint8_t>& bytes, std::string& strError);

// The bytes of the preset file for route (saving ends crossover ramps).
std::vector<std::uint8_t> StorePresetBytes(CTALVRoute& route);

// Loads route from a preset file when it is one whole preset (see
// PresetLoader.h); otherwise false with strError, and route as it was.
bool LoadPresetFile(const std::string& strPath, CTALVRoute& route, std::string& strError);
bool SavePresetFile(const std::string& strPath, CTALVRoute& route, std::string& strError);
