// Preset names in Windows-1252: every character the code page has goes to
// its one byte and back, C1 controls (U+0080..U+009F) and everything the
// page lacks have no byte, and the name rule takes exactly the printable
// bytes: not the controls, not DEL, not the five bytes the page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
#include <gtest/gtest.h>

#include <set>

#include "PresetNameRule.h"
#include "Windows1252.h"

TEST(Windows1252, EachCharacterHasOneByteControlsNoneAndNamesKeepThePrintable)
{
    std::set<char32_t> characters;
    for (int b = 0; b < 256; ++b) {
        const char32_t cp = Windows1252ToUnicode(static_cast<unsigned char>(b));
        const bool bUndefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        EXPECT_EQ(cp == 0 && b != 0, bUndefined) << b;
        EXPECT_EQ(IsPresetNameChar(static_cast<unsigned char>(b)), b >= 0x20 && b != 0x7F && !bUndefined) << b;
        if (b < 0x80 || b >= 0xA0) {
            EXPECT_EQ(cp, static_cast<char32_t>(b)) << "Latin-1 stays itself: " << b;
        }
        if (cp != 0 || b == 0)
            characters.insert(cp);
    }
    EXPECT_EQ(characters.size(), 251u);
    // A few of the page's own: the euro sign, S with caron, the trade mark,
    // Y with diaeresis at the very end of the extra range.
    const std::pair<unsigned char, char32_t> known[] = {{0x80, 0x20AC}, {0x8A, 0x0160}, {0x99, 0x2122}, {0x9F, 0x0178}};
    for (const auto& [b, cp] : known)
        EXPECT_EQ(Windows1252ToUnicode(b), cp) << static_cast<int>(b);

    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        unsigned char c = 0;
        const bool bMapped = UnicodeToWindows1252(cp, c);
        ASSERT_EQ(bMapped, characters.count(cp) == 1) << "U+" << std::hex << static_cast<unsigned>(cp);
        if (bMapped) {
            ASSERT_EQ(Windows1252ToUnicode(c), cp) << "U+" << std::hex << static_cast<unsigned>(cp);
        }
    }
    EXPECT_EQ(Windows1252ToUtf8("\x9F\x81\x80"), "\xC5\xB8\xC2\x81\xE2\x82\xAC");
    EXPECT_EQ(KeepablePresetName(std::string("A\x9F\x9D\x7F\x1F", 5)), "A\x9F???");

    // The device keeps eight characters and gives them back without the
    // spaces it pads them with.
    const std::pair<const char*, const char*> kept[] = {
        {"LIVE", "LIVE"}, {"AB   ", "AB"}, {"12345678", "12345678"}, {"ABC     XYZ", "ABC"}, {"        ", ""}};
    for (const auto& [pszName, pszKept] : kept)
        EXPECT_EQ(NameAsDeviceKeepsIt(pszName), pszKept) << pszName;
}
