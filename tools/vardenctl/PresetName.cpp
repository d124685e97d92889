#include "PresetName.h"

#include <cstdint>
#include <cstdio>

#include "PresetNameRule.h"

namespace {
constexpr std::uint32_t LATIN1_LAST = 0xFF;

std::string CodePoint(std::uint32_t cp)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

// One UTF-8 sequence at s[i]; false for a malformed, overlong or surrogate one.
bool DecodeOne(const std::string& s, std::size_t& i, std::uint32_t& cp)
{
    const auto c = static_cast<unsigned char>(s[i]);
    int n;
    std::uint32_t min;
    if (c < 0x80) {
        cp = c;
        ++i;
        return true;
    } else if ((c & 0xE0) == 0xC0) {
        cp = c & 0x1Fu;
        n = 1;
        min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        cp = c & 0x0Fu;
        n = 2;
        min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        cp = c & 0x07u;
        n = 3;
        min = 0x10000;
    } else {
        return false;
    }
    if (s.size() - i - 1 < static_cast<std::size_t>(n))
        return false;
    for (int k = 1; k <= n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80)
            return false;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
    i += static_cast<std::size_t>(n) + 1;
    return true;
}
}  // namespace

std::string Latin1ToUtf8(const std::string& strLatin1)
{
    std::string out;
    for (unsigned char c : strLatin1) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool Utf8ToLatin1(const std::string& strUtf8, std::string& strLatin1, std::string& strError)
{
    std::string out;
    for (std::size_t i = 0; i < strUtf8.size();) {
        std::uint32_t cp = 0;
        if (!DecodeOne(strUtf8, i, cp)) {
            strError = "the name is not valid UTF-8 text";
            return false;
        }
        if (cp > LATIN1_LAST) {
            strError = "the name has a character the device cannot keep (" + CodePoint(cp) +
                       "): only Latin-1 letters, digits and signs";
            return false;
        }
        out.push_back(static_cast<char>(cp));
    }
    strLatin1 = std::move(out);
    return true;
}

bool NameFromTerminal(const std::string& strUtf8, std::string& strLatin1, std::string& strError)
{
    std::string out;
    if (!Utf8ToLatin1(strUtf8, out, strError))
        return false;
    strError = CheckPresetName(out);
    if (!strError.empty())
        return false;
    strLatin1 = std::move(out);
    return true;
}

std::string NameForTerminal(const std::string& strLatin1)
{
    std::string out;
    for (unsigned char c : strLatin1) {
        // The quote too, so a quoted name is never ambiguous.
        if (!IsPresetNameChar(c) || c == '\\' || c == '"') {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += Latin1ToUtf8(std::string(1, static_cast<char>(c)));
        }
    }
    return out;
}

std::string QuotedName(const std::string& strLatin1)
{
    return "\"" + NameForTerminal(strLatin1) + "\"";
}
