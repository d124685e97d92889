// The one rule for preset names, wherever a name comes from (a typed name, a
// JSON or .dia file, the window's name fields): the device keeps eight 8-bit
// characters, and only printable Latin-1 ones survive its display and ours.
#pragma once

#include <string>

// Printable Latin-1: 0x20..0x7E and 0xA0..0xFF; no NUL, no C0 or C1 control
// character, no DEL.
bool IsPresetNameChar(unsigned char c);

// Empty when strLatin1 is a name the device can keep; otherwise what is wrong
// with it: "the name has a control character (U+0000)", "the name has 9
// characters; the device keeps 8".
std::string CheckPresetName(const std::string& strLatin1);

// strLatin1 made to pass the rule: every character the rule refuses becomes
// '?', and only the first eight are kept. A name read from a device can break
// the rule; a file saved with it must still open.
std::string KeepablePresetName(const std::string& strLatin1);
