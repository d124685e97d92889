// The 8-bit text of preset names: Windows-1252, the code page the device's
// own software and older preset files were written in. Bytes below 0x80 and
// from 0xA0 on are Latin-1; 0x80..0x9F hold the extra letters and signs
// (€, „, Š …), five of them undefined.
#pragma once

#include <string>

// The character byte c stands for; 0 for the five undefined bytes.
char32_t Windows1252ToUnicode(unsigned char c);

// The byte that stands for character cp; false when the code page has none.
bool UnicodeToWindows1252(char32_t cp, unsigned char& c);

// Windows-1252 text as UTF-8; an undefined byte becomes its C1 control
// (U+0081 …), as Windows converts it, so nothing is lost.
std::string Windows1252ToUtf8(const std::string& strText);
