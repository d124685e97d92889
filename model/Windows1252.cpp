#include "Windows1252.h"

#include <array>

namespace {
constexpr unsigned char EXTRA_FIRST = 0x80;
constexpr unsigned char EXTRA_LAST = 0x9F;

// 0x80..0x9F; 0 where the code page defines nothing.
constexpr std::array<char32_t, 32> EXTRA = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}
}  // namespace

char32_t Windows1252ToUnicode(unsigned char c)
{
    if (c >= EXTRA_FIRST && c <= EXTRA_LAST)
        return EXTRA[c - EXTRA_FIRST];
    return c;
}

bool UnicodeToWindows1252(char32_t cp, unsigned char& c)
{
    if (cp < EXTRA_FIRST || (cp > EXTRA_LAST && cp <= 0xFF)) {
        c = static_cast<unsigned char>(cp);
        return true;
    }
    for (std::size_t i = 0; i < EXTRA.size(); ++i) {
        if (EXTRA[i] != 0 && EXTRA[i] == cp) {
            c = static_cast<unsigned char>(EXTRA_FIRST + i);
            return true;
        }
    }
    return false;
}

std::string Windows1252ToUtf8(const std::string& strText)
{
    std::string out;
    for (unsigned char c : strText) {
        const char32_t cp = Windows1252ToUnicode(c);
        AppendUtf8(out, cp != 0 || c == 0 ? cp : c);
    }
    return out;
}
