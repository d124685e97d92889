// Preset names at the edges: the device and the files hold Windows-1252,
// the terminal and JSON speak UTF-8.
#pragma once

#include <string>

// UTF-8 text as Windows-1252; false with a message for text that is not
// UTF-8 or has a character the code page has no byte for.
bool Utf8ToWindows1252(const std::string& strUtf8, std::string& strName, std::string& strError);

// A name the user typed, as the device keeps it: at most eight printable
// Windows-1252 characters (PresetNameRule.h), not all of them blanks.
bool NameFromTerminal(const std::string& strUtf8, std::string& strName, std::string& strError);

// A name from a device or a file, fit for the terminal, the same way in
// every command: UTF-8, with control characters, the backslash and the
// double quote written as \xNN.
std::string NameForTerminal(const std::string& strName);

// The same in double quotes, for messages and listings.
std::string QuotedName(const std::string& strName);

// Text for the terminal with every control character (a newline in a file
// name, an escape) written as \xNN, so a message is one line that cannot
// steer the terminal.
std::string EscapeControls(const std::string& strText);
