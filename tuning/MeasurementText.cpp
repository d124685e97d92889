#include "MeasurementText.h"

#include <algorithm>
#include <cstdint>

namespace {
constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";
constexpr std::string_view UTF16LE_BOM = "\xFF\xFE";
constexpr std::string_view UTF16BE_BOM = "\xFE\xFF";
// A text file in UTF-8 holds no NUL bytes; UTF-16 of plain digits holds one
// in every pair. This many leading pairs tell them apart.
constexpr std::size_t NUL_PAIRS_LOOKED_AT = 16;

void AppendUtf8(std::string& s, std::uint32_t c)
{
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool DecodeUtf16(std::string_view bytes, bool bLittleEndian, std::string& strText, std::string& strWhy)
{
    if (bytes.size() % 2 != 0) {
        strWhy = "UTF-16 text that ends within a character";
        return false;
    }
    const auto unit = [&](std::size_t k) {
        const auto a = static_cast<unsigned char>(bytes[2 * k]);
        const auto b = static_cast<unsigned char>(bytes[2 * k + 1]);
        return static_cast<std::uint32_t>(bLittleEndian ? a | (b << 8) : (a << 8) | b);
    };
    const std::size_t n = bytes.size() / 2;
    std::string text;
    text.reserve(n);
    for (std::size_t k = 0; k < n; ++k) {
        std::uint32_t c = unit(k);
        // A surrogate pair is one character; a lone half stands for itself
        // as the replacement character, which no number holds.
        if (c >= 0xD800 && c < 0xDC00 && k + 1 < n && unit(k + 1) >= 0xDC00 && unit(k + 1) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(k + 1) - 0xDC00);
            ++k;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        AppendUtf8(text, c);
    }
    strText = std::move(text);
    return true;
}

// UTF-16 of ASCII without a byte-order mark: every other byte NUL.
bool LooksLikeBareUtf16(std::string_view bytes)
{
    const std::size_t nPairs = std::min(bytes.size() / 2, NUL_PAIRS_LOOKED_AT);
    if (nPairs < 2)
        return false;
    std::size_t nEven = 0, nOdd = 0;
    for (std::size_t k = 0; k < nPairs; ++k) {
        nEven += bytes[2 * k] == '\0' ? 1 : 0;
        nOdd += bytes[2 * k + 1] == '\0' ? 1 : 0;
    }
    return nEven == nPairs || nOdd == nPairs;
}
}  // namespace

bool DecodeMeasurementText(std::string_view bytes, std::string& strText, std::string& strWhy)
{
    if (bytes.starts_with(UTF16LE_BOM))
        return DecodeUtf16(bytes.substr(UTF16LE_BOM.size()), true, strText, strWhy);
    if (bytes.starts_with(UTF16BE_BOM))
        return DecodeUtf16(bytes.substr(UTF16BE_BOM.size()), false, strText, strWhy);
    if (LooksLikeBareUtf16(bytes)) {
        strWhy = "UTF-16 text without a byte-order mark; save it as UTF-8, or as UTF-16 with the mark";
        return false;
    }
    if (bytes.starts_with(UTF8_BOM))
        bytes.remove_prefix(UTF8_BOM.size());
    strText.assign(bytes);
    return true;
}
