#include "MeasurementReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "MeasurementNumbers.h"
#include "MeasurementText.h"

namespace {
constexpr std::size_t MAX_FIELD_SHOWN = 24;
// What a room-EQ program writes in the level's place when it exports its
// filters as a table ("1,True,PK,50,-5.0,4.0").
constexpr std::string_view FILTER_WORDS[] = {"true", "false", "on", "off", "pk", "peq", "ls", "hs", "lsc", "hsc"};

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

std::string_view Trimmed(std::string_view line)
{
    while (!line.empty() && IsSpace(line.front()))
        line.remove_prefix(1);
    return line;
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

// A comment may hold a row commented out; it stays out.
bool IsComment(std::string_view line)
{
    line = Trimmed(line);
    return line.starts_with('*') || line.starts_with('#') || line.starts_with(';') || line.starts_with("//");
}

// "Filter  1: ON  PK  Fc 50.0 Hz  Gain -5.0 dB  Q 4.00", as room-EQ programs
// list their filters, or the title of such a list.
bool IsFilterLine(std::string_view line)
{
    line = Trimmed(line);
    if (line.size() < 6 || !EqualsNoCase(line.substr(0, 6), "filter"))
        return false;
    if (EqualsNoCase(line, "filter settings file"))
        return true;
    std::size_t i = 6;
    while (i < line.size() && IsSpace(line[i]))
        ++i;
    const std::size_t nDigits = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9')
        ++i;
    return i > nDigits && i < line.size() && line[i] == ':';
}

bool IsFilterWord(std::string_view field)
{
    for (const std::string_view w : FILTER_WORDS)
        if (EqualsNoCase(field, w))
            return true;
    return false;
}

// A field as it may be shown in a message: short, control characters escaped.
std::string Shown(std::string_view field)
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

// Why a phase column that ran down the rows so far ends at nLine; nothing
// when no row had one (a level-only export).
std::string NoPhaseAt(std::size_t nLine, const std::vector<std::string_view>& fields, std::size_t nColumn,
                      const NumberFormat& format, bool bEarlierRows)
{
    const std::string strAt = "line " + std::to_string(nLine) + ": ";
    if (fields.size() <= nColumn)
        return bEarlierRows ? strAt + "no phase" : std::string();
    double d = 0.0;
    if (!ReadNumber(fields[nColumn], format, d) || !std::isfinite(d))
        return strAt + "phase " + Shown(fields[nColumn]) + " is not a number";
    return strAt + "phase " + Number(d) + " degrees is beyond " + Number(MEASUREMENT_MAX_PHASE_DEGREES);
}

// The lines that may hold rows; false with the line of a list of filters.
bool CollectRows(std::string_view text, std::vector<RowLine>& rows, std::size_t& nFilterLine)
{
    std::size_t nLine = 0;
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
        if (IsFilterLine(line)) {
            nFilterLine = nLine;
            return false;
        }
        // Headers and words: anything whose first field is not a number.
        if (!IsComment(line) && StartsWithNumber(line))
            rows.push_back({nLine, line});
    }
    return true;
}

bool Contains(std::string_view text, std::string_view word)
{
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i)
        if (EqualsNoCase(text.substr(i, word.size()), word))
            return true;
    return false;
}

// The last line with words before line nFirstRow, without a comment's mark,
// when it names the columns (it speaks of frequency); else empty.
std::string_view ColumnHeader(std::string_view text, std::size_t nFirstRow)
{
    std::string_view header;
    std::size_t nLine = 0;
    std::size_t pos = 0;
    while (pos < text.size() && ++nLine < nFirstRow) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = Trimmed(text.substr(pos, end - pos));
        pos = end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? end + 2
                                                                                                       : end + 1;
        while (!line.empty() && (line.front() == '*' || line.front() == '#' || line.front() == ';' ||
                                 line.front() == '/' || IsSpace(line.front())))
            line.remove_prefix(1);
        if (!line.empty())
            header = line;
    }
    return Contains(header, "freq") || Contains(header, "hz") ? header : std::string_view();
}

// The header's names of the columns: split at tabs, else semicolons, else
// commas, else runs of spaces, a unit in brackets kept with its name ("SPL (dB)").
std::vector<std::string_view> ColumnNames(std::string_view header)
{
    const char* pszSeparators = header.find('\t') != std::string_view::npos  ? "\t"
                                : header.find(';') != std::string_view::npos ? ";"
                                : header.find(',') != std::string_view::npos ? ","
                                                                             : " \f\v";
    std::vector<std::string_view> names;
    std::size_t pos = 0;
    while (pos <= header.size()) {
        std::size_t end = header.find_first_of(pszSeparators, pos);
        if (end == std::string_view::npos)
            end = header.size();
        std::string_view name = Trimmed(header.substr(pos, end - pos));
        while (!name.empty() && IsSpace(name.back()))
            name.remove_suffix(1);
        if (!name.empty()) {
            if (!names.empty() && (name.front() == '(' || name.front() == '['))
                names.back() = std::string_view(names.back().data(), name.data() + name.size() - names.back().data());
            else
                names.push_back(name);
        }
        pos = end + 1;
    }
    return names;
}

// Why the third column holds no phase by its name where the file names its
// columns ("Phase(degrees)" and "deg" are phase; "Group Delay (sec)" and the
// levels of another curve are not), or empty: it is phase, or the file does
// not name its columns.
std::string NotPhaseByName(std::string_view header)
{
    if (header.empty())
        return {};
    const std::vector<std::string_view> names = ColumnNames(header);
    if (names.size() < 3)
        return Contains(header, "phase") ? std::string() : "the header " + Shown(header) + " names no phase";
    const std::string_view name = names[2];
    if (Contains(name, "phase") || Contains(name.substr(0, 4), "deg") || Contains(name.substr(0, 4), "(deg") ||
        Contains(name.substr(0, 4), "[deg") || Contains(name, "\xC2\xB0"))
        return {};
    return "the third column is " + Shown(name) + ", not phase";
}

// A phase that never changes is no measurement of phase (an export that
// writes 0 where it has none).
bool IsConstant(const std::vector<double>& ad)
{
    return std::all_of(ad.begin(), ad.end(), [&](double d) { return d == ad.front(); });
}
}  // namespace

bool ParseMeasurement(std::string_view bytes, const std::string& strName, MeasurementData& out, std::string& strError)
{
    std::string text;
    std::string strWhy;
    if (!DecodeMeasurementText(bytes, text, strWhy)) {
        strError = strName + ": " + strWhy;
        return false;
    }
    const auto fail = [&](std::size_t nAt, const std::string& strWhat) {
        strError = strName + ": line " + std::to_string(nAt) + ": " + strWhat;
        return false;
    };
    std::vector<RowLine> rows;
    std::size_t nFilterLine = 0;
    if (!CollectRows(text, rows, nFilterLine))
        return fail(nFilterLine, "a list of filters, not a measurement");
    NumberFormat format;
    if (!DecideNumberFormat(rows, format, strWhy)) {
        strError = strName + ": " + strWhy;
        return false;
    }
    const std::string strAsWritten =
        format.eComma == CommaUse::Thousands
            ? " as this file writes numbers (thousands as on " + format.strEvidence + ")"
        : format.eComma == CommaUse::Decimal
            ? " as this file writes numbers (a decimal comma as on " + format.strEvidence + ")"
            : "";

    MeasurementData data;
    bool bPhase = true;  // every row so far has a third column that is a number
    std::size_t nPrevLine = 0;
    for (const RowLine& row : rows) {
        const std::vector<std::string_view> fields = SplitFields(row.text, format);
        double dFreq = 0.0;
        if (fields.empty() || !ReadNumber(fields[0], format, dFreq))
            return fail(row.nLine, "frequency " + Shown(fields.empty() ? row.text : fields[0]) + " is not a number" +
                                       strAsWritten);
        if (fields.size() < 2)
            return fail(row.nLine, "a row needs a frequency and a level");
        double dLevel = 0.0;
        if (!ReadNumber(fields[1], format, dLevel)) {
            if (IsFilterWord(fields[1]))
                return fail(row.nLine, "a list of filters, not a measurement");
            return fail(row.nLine, "level " + Shown(fields[1]) + " is not a number" + strAsWritten);
        }
        // An FFT's first bin lies at 0 Hz, where nothing acoustic is measured.
        if (dFreq == 0.0 && data.adFreq.empty() && data.astrNote.empty()) {
            data.astrNote.push_back(strName + ": line " + std::to_string(row.nLine) +
                                    ": the row at 0 Hz is left out (no level is measured at 0 Hz)");
            continue;
        }
        if (!std::isfinite(dFreq) || dFreq <= 0.0)
            return fail(row.nLine, "frequency " + Number(dFreq) + " Hz is not above 0");
        if (!std::isfinite(dLevel) || std::fabs(dLevel) > MEASUREMENT_MAX_LEVEL_DB)
            return fail(row.nLine, "level " + Number(dLevel) + " dB is not a level");
        if (!data.adFreq.empty() && dFreq <= data.adFreq.back())
            return fail(row.nLine, "frequency " + Number(dFreq) + " Hz does not rise above " +
                                       Number(data.adFreq.back()) + " Hz of line " + std::to_string(nPrevLine));
        if (data.adFreq.size() >= MEASUREMENT_MAX_ROWS)
            return fail(row.nLine, "more than " + std::to_string(MEASUREMENT_MAX_ROWS) + " rows");
        data.adFreq.push_back(dFreq);
        data.adLevel.push_back(dLevel);
        double dPhase = 0.0;
        const bool bHadPhase = bPhase;
        bPhase = bPhase && fields.size() >= 3 && ReadNumber(fields[2], format, dPhase) &&
                 std::fabs(dPhase) <= MEASUREMENT_MAX_PHASE_DEGREES;
        if (bPhase)
            data.adPhase.push_back(dPhase);
        else if (bHadPhase)
            data.strNoPhase = NoPhaseAt(row.nLine, fields, 2, format, !data.adPhase.empty());
        nPrevLine = row.nLine;
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
    if (bPhase && data.strNoPhase.empty())
        data.strNoPhase = NotPhaseByName(ColumnHeader(text, rows.front().nLine));
    if (bPhase && data.strNoPhase.empty() && IsConstant(data.adPhase))
        data.strNoPhase = "the phase is " + Number(data.adPhase.front()) + " degrees on every row";
    if (!bPhase || !data.strNoPhase.empty())
        data.adPhase.clear();  // a level-only export, or one whose third column is something else
    out = std::move(data);
    return true;
}
