#include "Latin1Text.h"

#include <cstdint>
#include <cstdio>

std::string Latin1ToUtf8(const std::string& s)
{
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool Utf8ToLatin1(const std::string& s, std::string& out, std::string& strError)
{
    out.clear();
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::uint32_t cp;
        int n;
        if (c < 0x80) {
            cp = c;
            n = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1Fu;
            n = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0Fu;
            n = 3;
        } else {
            cp = c & 0x07u;
            n = 4;
        }
        for (int k = 1; k < n && i + static_cast<std::size_t>(k) < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3Fu);
        if (cp > 0xFF) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "character U+%04X has no 8-bit code", cp);
            strError = buf;
            return false;
        }
        out.push_back(static_cast<char>(cp));
        i += static_cast<std::size_t>(n);
    }
    return true;
}

std::string QuotedName(const std::string& strLatin1)
{
    std::string escaped;
    for (unsigned char c : strLatin1) {
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            escaped += buf;
        } else {
            if (c == '"' || c == '\\')
                escaped.push_back('\\');
            escaped.push_back(static_cast<char>(c));
        }
    }
    return "\"" + Latin1ToUtf8(escaped) + "\"";
}
