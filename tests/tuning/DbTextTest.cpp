// Numbers as reports and files write them: the same in every locale, and a
// value that rounds to zero never reads as below zero.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "DbText.h"

TEST(DbText, RoundedZeroHasNoSignAndNoLocaleChangesTheDecimalPoint)
{
    // The window runs in the user's locale; a decimal comma one, where the
    // machine has it, must change nothing.
    const std::string strOld = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* pszLocale : {"C", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
        if (!std::setlocale(LC_NUMERIC, pszLocale))
            continue;
        SCOPED_TRACE(pszLocale);
        EXPECT_EQ(FormatFixed(12.5, 2), "12.50");
        EXPECT_EQ(FormatFixed(-0.04, 1), "0.0");
        EXPECT_EQ(FormatFixed(-0.0, 3), "0.000");
        EXPECT_EQ(FormatFixed(-0.06, 1), "-0.1");
        EXPECT_EQ(FormatFixed(-2.0, 0), "-2");
        EXPECT_EQ(FormatFixed(1e300, 1).size(), 303u);  // the largest values fit whole
        EXPECT_EQ(FormatDb(-14.24), "\u221214.2 dB");
        EXPECT_EQ(FormatDb(-0.04), "0.0 dB");
        EXPECT_EQ(FormatDb(7.26), "7.3 dB");
    }
    std::setlocale(LC_NUMERIC, strOld.c_str());
}
