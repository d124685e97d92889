#include "MeasurementNumbers.h"

#include <charconv>
#include <string>

namespace {
// The ways a comma in a number reads, seen over the whole file.
struct CommaEvidence {
    std::string strDecimal;    // a comma that can only be a decimal mark
    std::string strThousands;  // a comma that can only group thousands
    std::string strPoint;      // a decimal point, so the comma is no decimal mark
    std::string strOpen;       // a comma before exactly three digits: either
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

// Spaces, tabs and semicolons always separate fields.
std::vector<std::string_view> SplitAt(std::string_view line, bool bCommas)
{
    std::vector<std::string_view> fields;
    std::size_t nStart = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        const bool bEnd = i == line.size();
        if (bEnd || IsBlank(line[i]) || line[i] == ';' || (bCommas && line[i] == ',')) {
            if (i > nStart)
                fields.push_back(line.substr(nStart, i - nStart));
            nStart = i + 1;
        }
    }
    return fields;
}

// Digits, points and commas with a sign in front and an exponent behind: a
// number in one way of writing or another.
bool LooksNumeric(std::string_view s)
{
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    bool bDigit = false;
    for (; i < s.size() && (IsDigit(s[i]) || s[i] == '.' || s[i] == ','); ++i)
        bDigit = bDigit || IsDigit(s[i]);
    if (!bDigit || (s[0] == ',' || (s.size() > 1 && (s[0] == '+' || s[0] == '-') && s[1] == ',')))
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        const std::size_t nExponent = i;
        while (i < s.size() && IsDigit(s[i]))
            ++i;
        if (i == nExponent)
            return false;
    }
    return i == s.size();
}

// The mantissa: the number without its sign and exponent.
std::string_view Mantissa(std::string_view s)
{
    if (!s.empty() && (s[0] == '+' || s[0] == '-'))
        s.remove_prefix(1);
    const std::size_t e = s.find_first_of("eE");
    return e == std::string_view::npos ? s : s.substr(0, e);
}

// 1,000 or 12,345,678.5: one to three digits, then groups of three.
bool GroupsThousands(std::string_view m)
{
    const std::string_view whole = m.substr(0, m.find('.'));
    const std::size_t nFirst = whole.find(',');
    if (nFirst == 0 || nFirst > 3 || (whole[0] == '0'))
        return false;
    for (std::size_t i = nFirst; i < whole.size(); i += 4) {
        if (whole[i] != ',' || i + 4 > whole.size())
            return false;
        for (std::size_t k = 1; k <= 3; ++k)
            if (!IsDigit(whole[i + k]))
                return false;
    }
    return m.find(',', whole.size()) == std::string_view::npos;
}

std::string Quote(const RowLine& row, std::string_view field)
{
    return "line " + std::to_string(row.nLine) + ": '" + std::string(field) + "'";
}

void Weigh(const RowLine& row, std::string_view field, CommaEvidence& ev)
{
    const std::string_view m = Mantissa(field);
    const std::size_t nComma = m.find(',');
    const auto note = [&](std::string& strSlot) {
        if (strSlot.empty())
            strSlot = Quote(row, field);
    };
    if (nComma == std::string_view::npos) {
        if (m.find('.') != std::string_view::npos)
            note(ev.strPoint);
        return;
    }
    if (m.find('.') != std::string_view::npos || m.find(',', nComma + 1) != std::string_view::npos) {
        // Both marks, or several commas: the commas group thousands (a
        // field that does not group them properly is refused when read).
        note(ev.strThousands);
        return;
    }
    const std::size_t nAfter = m.size() - nComma - 1;
    if (nAfter == 3 && GroupsThousands(m))
        note(ev.strOpen);
    else
        note(ev.strDecimal);
}

bool ParseWhole(const std::string& s, double& d)
{
    const char* pBegin = s.data();
    const char* pEnd = pBegin + s.size();
    if (pBegin != pEnd && *pBegin == '+')
        ++pBegin;
    const auto [p, ec] = std::from_chars(pBegin, pEnd, d);
    return ec == std::errc() && p == pEnd && pBegin != pEnd;
}
}  // namespace

bool StartsWithNumber(std::string_view line)
{
    const std::vector<std::string_view> fields = SplitAt(line, false);
    // "20000,-3.25,0" holds its first number before the first comma.
    return !fields.empty() && (LooksNumeric(fields[0]) || LooksNumeric(fields[0].substr(0, fields[0].find(','))));
}

std::vector<std::string_view> SplitFields(std::string_view line, const NumberFormat& format)
{
    return SplitAt(line, format.eComma == CommaUse::Separator);
}

bool DecideNumberFormat(const std::vector<RowLine>& rows, NumberFormat& format, std::string& strWhy)
{
    format = {};
    bool bSemicolons = false;
    const RowLine* pJoined = nullptr;
    for (const RowLine& row : rows) {
        bSemicolons = bSemicolons || row.text.find(';') != std::string_view::npos;
        // "20,80.5" or "20, 80.5": commas between the numbers.
        const std::vector<std::string_view> fields = SplitAt(row.text, false);
        const bool bJoined = (fields.size() == 1 && fields[0].find(',') != std::string_view::npos) ||
                             (!fields.empty() && fields[0].back() == ',');
        if (bJoined && !pJoined)
            pJoined = &row;
    }
    if (!bSemicolons && pJoined) {
        format.eComma = CommaUse::Separator;
        format.strEvidence = "line " + std::to_string(pJoined->nLine);
        return true;
    }

    CommaEvidence ev;
    for (const RowLine& row : rows)
        for (const std::string_view field : SplitAt(row.text, false))
            if (LooksNumeric(field))
                Weigh(row, field, ev);
    if (!ev.strDecimal.empty() && !(ev.strThousands.empty() && ev.strPoint.empty())) {
        strWhy = ev.strDecimal + " has a decimal comma, " +
                 (ev.strThousands.empty() ? ev.strPoint + " a decimal point"
                                          : ev.strThousands + " a comma between thousands") +
                 "; export the file with one way of writing numbers";
        return false;
    }
    if (!ev.strDecimal.empty()) {
        format = {CommaUse::Decimal, ev.strDecimal};
    } else if (!ev.strThousands.empty() || (!ev.strOpen.empty() && !ev.strPoint.empty())) {
        format = {CommaUse::Thousands, ev.strThousands.empty() ? ev.strPoint : ev.strThousands};
    } else if (!ev.strOpen.empty()) {
        // Between semicolons numbers are written the way of the locales
        // that need the semicolon: with a decimal comma.
        if (bSemicolons) {
            format = {CommaUse::Decimal, ev.strOpen};
            return true;
        }
        strWhy = ev.strOpen +
                 " may be a thousand or one with a decimal comma, and no number of the file tells which; "
                 "export it with a decimal point, or with a decimal part on some number";
        return false;
    }
    return true;
}

bool ReadNumber(std::string_view field, const NumberFormat& format, double& d)
{
    std::string s(field);
    const std::size_t nComma = s.find(',');
    if (nComma != std::string::npos) {
        if (format.eComma == CommaUse::Decimal) {
            if (s.find(',', nComma + 1) != std::string::npos || s.find('.') != std::string::npos)
                return false;
            s[nComma] = '.';
        } else if (format.eComma == CommaUse::Thousands) {
            if (!GroupsThousands(Mantissa(s)))
                return false;
            std::erase(s, ',');
        } else {
            return false;
        }
    }
    return ParseWhole(s, d);
}
