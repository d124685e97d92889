// The numeric field's parsing and formatting: any mode, range, step and text.
// Stored values always lie in the range, text without a number stores nothing,
// the parsers never leave their limits, and a whole number shown by an integer
// field reads back as itself.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "NumEditFormat.h"
#include "NumEditParse.h"

namespace {
constexpr int MODES[] = {NUMEDIT_DELAY_MS, NUMEDIT_DELAY_CM, NUMEDIT_DELAY_INCH, NUMEDIT_CENTRED,
                         NUMEDIT_INTEGER,  NUMEDIT_SCALED,   NUMEDIT_Q,          NUMEDIT_SCALED_WHOLE};
// The header taken from the input before the text.
struct Setup {
    std::uint8_t nMode;
    std::int16_t nMin, nMax, nValue;
    std::uint8_t nStep, nOffset, bModified;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    Setup s{};
    if (nSize < sizeof s)
        return 0;
    std::memcpy(&s, pData, sizeof s);
    const std::string text(reinterpret_cast<const char*>(pData) + sizeof s, nSize - sizeof s);

    const double d = ParseLeadingDouble(text);
    FuzzCheck(!std::isnan(d), "no NaN from the double parser");
    const long long n = ParseLeadingInt(text);
    FuzzCheck(n >= -NUMEDIT_INT_LIMIT && n <= NUMEDIT_INT_LIMIT, "whole numbers saturate at the limit");

    CNumEditFormat fmt;
    fmt.SetMode(MODES[s.nMode % (sizeof MODES / sizeof MODES[0])]);
    fmt.SetRange(s.nMin, s.nMax);
    fmt.SetStep(s.nStep / 10.0);
    fmt.SetOffset(s.nOffset);
    // A field always holds a value of its range.
    s.nValue = static_cast<std::int16_t>(std::clamp<int>(s.nValue, fmt.GetMin(), fmt.GetMax()));
    const std::string shown = fmt.Text(s.nValue);
    FuzzCheck(shown.size() < 64, "shown text is short");

    const NumEditCommit commit = fmt.Commit(text, s.nValue, s.bModified & 1);
    FuzzCheck(!commit.bStore || fmt.InRange(commit.nValue), "a committed value lies in the range");
    FuzzCheck(HasLeadingNumber(text) || (commit.bRefused && !commit.bStore), "text without a number stores nothing");
    const NumEditSilent silent = fmt.Silent(text, s.nValue);
    FuzzCheck(silent.nValue == s.nValue || fmt.InRange(silent.nValue), "a silent read lies in the range");

    if (fmt.GetMode() == NUMEDIT_INTEGER && fmt.InRange(s.nValue)) {
        const NumEditCommit back = fmt.Commit(shown, s.nValue, true);
        FuzzCheck(back.bStore && back.nValue == s.nValue, "an integer field reads its own text back");
    }
    return 0;
}
