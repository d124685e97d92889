// One number field read in each way a file can write numbers: what it is,
// or that it is no number that way (a thousands group has one to three
// digits first, then threes; a decimal comma stands alone).
#include <gtest/gtest.h>

#include <cmath>

#include "MeasurementNumbers.h"

TEST(MeasurementNumbers, FieldsReadOnlyAsTheFileWritesNumbers)
{
    const NumberFormat none{CommaUse::None, {}}, decimal{CommaUse::Decimal, {}}, thousands{CommaUse::Thousands, {}};
    const double NO = NAN, ANY = INFINITY;  // not a number that way; not asked
    const struct {
        const char* pszField;
        double dNone, dDecimal, dThousands;
    } cases[] = {
        {"1000.5", 1000.5, ANY, 1000.5},
        {"-3.25", -3.25, ANY, -3.25},
        {"+2e4", 20000.0, 20000.0, 20000.0},
        {"20,5", NO, 20.5, NO},
        {"-3,25", NO, -3.25, NO},
        {"1,000", NO, 1.0, 1000.0},
        {"1,000.49", NO, NO, 1000.49},
        {"12,345,678.5", NO, NO, 12345678.5},
        {"-999,999.5", NO, NO, -999999.5},
        {"1,000e3", NO, 1000.0, 1000000.0},
        {"1234,567.5", NO, NO, NO},  // four digits before the first comma
        {"1234,567", NO, 1234.567, NO},
        {"0,123.5", NO, NO, NO},
        {"1,00.5", NO, NO, NO},
        {"1,0000.5", NO, NO, NO},
        {"1,234,56.5", NO, NO, NO},
        {",123.5", NO, NO, NO},
        {"1.5,000", NO, NO, NO},
        {"1,2,3", NO, NO, NO},
        {"1,000.5,5", NO, NO, NO},
        {"12 3", NO, NO, NO},
        {"", NO, NO, NO},
    };
    for (const auto& c : cases) {
        const std::pair<const NumberFormat*, double> ways[] = {
            {&none, c.dNone}, {&decimal, c.dDecimal}, {&thousands, c.dThousands}};
        for (const auto& [pFormat, dExpected] : ways) {
            if (std::isinf(dExpected))
                continue;
            double d = -1.0;
            const bool bRead = ReadNumber(c.pszField, *pFormat, d);
            EXPECT_EQ(bRead, !std::isnan(dExpected))
                << "'" << c.pszField << "' with commas as " << static_cast<int>(pFormat->eComma) << " gave " << d;
            if (bRead && !std::isnan(dExpected)) {
                EXPECT_DOUBLE_EQ(d, dExpected) << c.pszField;
            }
        }
    }
}
