#include "NumEditParse.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

// Skips blanks and reads one sign; returns -1 or +1.
int SkipBlanksAndSign(std::string_view& text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    int nSign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        nSign = text[i] == '-' ? -1 : 1;
        ++i;
    }
    text.remove_prefix(i);
    return nSign;
}

// from_chars reports a number beyond double's range without its value; tell
// an overflow from an underflow by the decimal order of the matched text:
// the place of its first nonzero digit plus its exponent.
bool IsOverflow(std::string_view number)
{
    long long nIntDigits = 0;
    long long nDigits = 0;
    long long nFirstNonZero = -1;  // among all mantissa digits, from the left
    bool bFraction = false;
    std::size_t i = 0;
    for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
        if (number[i] == '.') {
            bFraction = true;
            continue;
        }
        if (nFirstNonZero < 0 && number[i] != '0')
            nFirstNonZero = nDigits;
        ++nDigits;
        if (!bFraction)
            ++nIntDigits;
    }
    if (nFirstNonZero < 0)
        return false;
    long long nOrder = nIntDigits - 1 - nFirstNonZero;
    if (i < number.size()) {
        ++i;
        int nExpSign = 1;
        if (i < number.size() && (number[i] == '+' || number[i] == '-'))
            nExpSign = number[i++] == '-' ? -1 : 1;
        long long nExp = 0;
        for (; i < number.size() && IsDigit(number[i]); ++i)
            if (nExp < 1'000'000'000)
                nExp = nExp * 10 + (number[i] - '0');
        nOrder += nExpSign * nExp;
    }
    return nOrder >= 0;
}

}  // namespace

double ParseLeadingDouble(std::string_view strText)
{
    const int nSign = SkipBlanksAndSign(strText);
    // A second sign ("--5") is no number for atof either; from_chars would
    // take the minus.
    if (strText.empty() || strText[0] == '-' || strText[0] == '+')
        return 0.0;
    double d = 0.0;
    const char* pBegin = strText.data();
    const auto [pEnd, ec] = std::from_chars(pBegin, pBegin + strText.size(), d, std::chars_format::general);
    if (ec == std::errc::invalid_argument)
        return 0.0;
    if (ec == std::errc::result_out_of_range)
        d = IsOverflow(std::string_view(pBegin, static_cast<std::size_t>(pEnd - pBegin)))
                ? std::numeric_limits<double>::infinity()
                : 0.0;
    if (std::isnan(d))
        return 0.0;
    return nSign * d;
}

bool HasLeadingNumber(std::string_view strText)
{
    SkipBlanksAndSign(strText);
    if (!strText.empty() && IsDigit(strText[0]))
        return true;
    return strText.size() >= 2 && strText[0] == '.' && IsDigit(strText[1]);
}

long long ParseLeadingInt(std::string_view strText)
{
    const int nSign = SkipBlanksAndSign(strText);
    long long n = 0;
    for (char ch : strText) {
        if (!IsDigit(ch))
            break;
        n = n * 10 + (ch - '0');
        if (n >= NUMEDIT_INT_LIMIT) {
            n = NUMEDIT_INT_LIMIT;
            break;
        }
    }
    return nSign * n;
}
