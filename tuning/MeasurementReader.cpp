#include "MeasurementReader.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {
constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";
constexpr std::size_t MAX_FIELD_SHOWN = 24;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

// A comment may hold a row commented out; it stays out.
bool IsComment(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && IsSpace(line[i]))
        ++i;
    line.remove_prefix(i);
    return line.starts_with('*') || line.starts_with('#') || line.starts_with(';') || line.starts_with("//");
}

// A line's fields. A semicolon-separated line may write its numbers with a
// decimal comma (as exports in many locales do); anywhere else a comma
// separates fields.
std::vector<std::string> SplitFields(std::string_view line)
{
    const bool bSemicolons = line.find(';') != std::string_view::npos;
    std::vector<std::string> fields;
    std::string field;
    for (const char c : line) {
        const bool bSeparator = IsSpace(c) || c == ';' || (c == ',' && !bSemicolons);
        if (bSeparator) {
            if (!field.empty())
                fields.push_back(std::move(field));
            field.clear();
        } else {
            field.push_back(c == ',' ? '.' : c);
        }
    }
    if (!field.empty())
        fields.push_back(std::move(field));
    return fields;
}

// The whole field as a number; words such as "inf" or "nan" do not start a row.
bool ParseNumber(const std::string& field, double& d)
{
    const char* pBegin = field.data();
    const char* pEnd = pBegin + field.size();
    if (pBegin != pEnd && *pBegin == '+')
        ++pBegin;
    const auto [p, ec] = std::from_chars(pBegin, pEnd, d);
    return ec == std::errc() && p == pEnd && pBegin != pEnd;
}

bool StartsLikeNumber(const std::string& field)
{
    std::size_t i = 0;
    if (i < field.size() && (field[i] == '+' || field[i] == '-'))
        ++i;
    if (i < field.size() && field[i] == '.')
        ++i;
    return i < field.size() && field[i] >= '0' && field[i] <= '9';
}

// A field as it may be shown in a message: short, control characters escaped.
std::string Shown(const std::string& field)
{
    std::string s;
    for (std::size_t i = 0; i < field.size() && i < MAX_FIELD_SHOWN; ++i) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (c < 0x20 || c == 0x7F || c >= 0x80) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            s += buf;
        } else {
            s += static_cast<char>(c);
        }
    }
    if (field.size() > MAX_FIELD_SHOWN)
        s += "...";
    return "'" + s + "'";
}

std::string Number(double d)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", d);
    return buf;
}
}  // namespace

bool ParseMeasurement(std::string_view text, const std::string& strName, MeasurementData& out, std::string& strError)
{
    if (text.substr(0, UTF8_BOM.size()) == UTF8_BOM)
        text.remove_prefix(UTF8_BOM.size());
    MeasurementData data;
    bool bPhase = true;  // every row so far has a third column that is a number
    std::size_t nLine = 0;
    std::size_t nPrevLine = 0;
    const auto fail = [&](std::size_t nAt, const std::string& strWhat) {
        strError = strName + ": line " + std::to_string(nAt) + ": " + strWhat;
        return false;
    };

    std::size_t pos = 0;
    while (pos < text.size()) {
        // Lines end in LF, CR LF or a lone CR.
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size())
            pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
        ++nLine;

        if (IsComment(line))
            continue;
        const std::vector<std::string> fields = SplitFields(line);
        double dFreq = 0.0;
        // Headers and words: anything whose first field is not a number.
        if (fields.empty() || !StartsLikeNumber(fields[0]) || !ParseNumber(fields[0], dFreq))
            continue;
        if (fields.size() < 2)
            return fail(nLine, "a row needs a frequency and a level");
        double dLevel = 0.0;
        if (!ParseNumber(fields[1], dLevel))
            return fail(nLine, "level " + Shown(fields[1]) + " is not a number");
        if (!std::isfinite(dFreq) || dFreq <= 0.0)
            return fail(nLine, "frequency " + Number(dFreq) + " Hz is not above 0");
        if (!std::isfinite(dLevel) || std::fabs(dLevel) > MEASUREMENT_MAX_LEVEL_DB)
            return fail(nLine, "level " + Number(dLevel) + " dB is not a level");
        if (!data.adFreq.empty() && dFreq <= data.adFreq.back())
            return fail(nLine, "frequency " + Number(dFreq) + " Hz does not rise above " + Number(data.adFreq.back()) +
                                   " Hz of line " + std::to_string(nPrevLine));
        if (data.adFreq.size() >= MEASUREMENT_MAX_ROWS)
            return fail(nLine, "more than " + std::to_string(MEASUREMENT_MAX_ROWS) + " rows");
        data.adFreq.push_back(dFreq);
        data.adLevel.push_back(dLevel);
        double dPhase = 0.0;
        bPhase = bPhase && fields.size() >= 3 && ParseNumber(fields[2], dPhase) &&
                 std::fabs(dPhase) <= MEASUREMENT_MAX_PHASE_DEGREES;
        if (bPhase)
            data.adPhase.push_back(dPhase);
        nPrevLine = nLine;
    }

    if (data.adFreq.empty()) {
        strError = strName + ": no rows of frequency and level";
        return false;
    }
    if (data.adFreq.size() < 2) {
        strError = strName + ": line " + std::to_string(nPrevLine) +
                   ": the only row of frequency and level; a response needs two or more";
        return false;
    }
    if (!bPhase)
        data.adPhase.clear();  // a level-only export, or one whose third column is something else
    out = std::move(data);
    return true;
}
