// The one rule for preset names, wherever a name comes from (a typed name, a
// JSON or .dia file, a backup's index, the window's name fields): Windows-1252
// text without NUL or control characters. A file may hold a name of any
// length; the device keeps eight characters of it.
#pragma once

#include <string>

// A printable Windows-1252 character: 0x20..0x7E and 0x80..0xFF, but not DEL
// and not the five bytes the code page leaves undefined (they stand for C1
// controls).
bool IsPresetNameChar(unsigned char c);

// Empty when strName is a name a file may hold; otherwise what is wrong with
// it: "the name has a control character (U+0000)".
std::string CheckPresetName(const std::string& strName);

// The same, and the device must be able to keep it whole: "the name has 9
// characters; the device keeps 8".
std::string CheckDeviceName(const std::string& strName);

// strName made to pass CheckPresetName: every character the rule refuses
// becomes '?'. A name read from a device can break the rule; a file saved
// with it must still open.
std::string KeepablePresetName(const std::string& strName);

// What the device keeps of strName and gives back: its first eight
// characters, without the space padding it stores them with.
std::string NameAsDeviceKeepsIt(const std::string& strName);
