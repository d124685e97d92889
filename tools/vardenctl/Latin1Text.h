// Preset names are 8-bit Latin-1 text on the device and in .dia files; JSON
// files and terminals speak UTF-8. These convert at those edges.
#pragma once

#include <string>

std::string Latin1ToUtf8(const std::string& s);

// s must be valid UTF-8 (the JSON parser has checked it). A character beyond
// Latin-1 fails with "character U+0416 has no 8-bit code" in strError.
bool Utf8ToLatin1(const std::string& s, std::string& out, std::string& strError);

// A name for a message or a listing: in double quotes, as UTF-8, with control
// characters, quotes and backslashes escaped so nothing raw reaches a terminal.
std::string QuotedName(const std::string& strLatin1);
