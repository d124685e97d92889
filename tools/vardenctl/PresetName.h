// Preset names at the edges: the device and the files hold Latin-1, the
// terminal speaks UTF-8.
#pragma once

#include <string>

// Latin-1 bytes as UTF-8 text.
std::string Latin1ToUtf8(const std::string& strLatin1);

// UTF-8 text as Latin-1; false with a message for text that is not UTF-8 or
// has a character beyond U+00FF.
bool Utf8ToLatin1(const std::string& strUtf8, std::string& strLatin1, std::string& strError);

// A name the user typed, as the device keeps it: at most eight printable
// Latin-1 characters (PresetNameRule.h).
bool NameFromTerminal(const std::string& strUtf8, std::string& strLatin1, std::string& strError);

// A name from a device or a file, fit for the terminal, the same way in
// every command: UTF-8, with control characters, the backslash and the
// double quote written as \xNN.
std::string NameForTerminal(const std::string& strLatin1);

// The same in double quotes, for messages and listings.
std::string QuotedName(const std::string& strLatin1);
