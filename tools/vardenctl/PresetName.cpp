#include "PresetName.h"

#include <cstdint>
#include <cstdio>

#include "PresetNameRule.h"
#include "Windows1252.h"

namespace {
std::string CodePoint(std::uint32_t cp)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

std::string Escaped(unsigned char c)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02X", c);
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

bool Utf8ToWindows1252(const std::string& strUtf8, std::string& strName, std::string& strError)
{
    std::string out;
    for (std::size_t i = 0; i < strUtf8.size();) {
        std::uint32_t cp = 0;
        if (!DecodeOne(strUtf8, i, cp)) {
            strError = "the name is not valid UTF-8 text";
            return false;
        }
        unsigned char c = 0;
        if (!UnicodeToWindows1252(cp, c)) {
            strError = "the name has a character the device cannot keep (" + CodePoint(cp) +
                       "): only Windows-1252 letters, digits and signs";
            return false;
        }
        out.push_back(static_cast<char>(c));
    }
    strName = std::move(out);
    return true;
}

bool NameFromTerminal(const std::string& strUtf8, std::string& strName, std::string& strError)
{
    std::string out;
    if (!Utf8ToWindows1252(strUtf8, out, strError))
        return false;
    strError = CheckDeviceName(out);
    // The device pads a name with blanks and gives it back without them.
    if (strError.empty() && NameAsDeviceKeepsIt(out).empty())
        strError = "the name is only blanks; the device would keep no name";
    if (!strError.empty())
        return false;
    strName = std::move(out);
    return true;
}

std::string NameForTerminal(const std::string& strName)
{
    std::string out;
    for (unsigned char c : strName) {
        // The quote too, so a quoted name is never ambiguous.
        if (!IsPresetNameChar(c) || c == '\\' || c == '"')
            out += Escaped(c);
        else
            out += Windows1252ToUtf8(std::string(1, static_cast<char>(c)));
    }
    return out;
}

std::string QuotedName(const std::string& strName)
{
    return "\"" + NameForTerminal(strName) + "\"";
}

std::string EscapeControls(const std::string& strText)
{
    std::string out;
    for (unsigned char c : strText) {
        if (c < 0x20 || c == 0x7F)
            out += Escaped(c);
        else
            out.push_back(static_cast<char>(c));
    }
    return out;
}
