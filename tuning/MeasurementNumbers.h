// How a measurement export writes its numbers, decided once from all its
// rows: whether commas separate fields, mark decimals (20,5) or group
// thousands (1,000.49). A file that leaves it open is refused, never read
// one way on one row and another way on the next.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

enum class CommaUse { None, Separator, Decimal, Thousands };

struct NumberFormat {
    CommaUse eComma = CommaUse::None;
    // Where the decision came from, for messages: "line 7: '1,000.49'".
    std::string strEvidence;
};

// A line that may hold a row: its number in the file and its text.
struct RowLine {
    std::size_t nLine;
    std::string_view text;
};

// Whether the line's first field could be a number in some way of writing
// them; headers, dates and words cannot.
bool StartsWithNumber(std::string_view line);

// The fields of a line: split at spaces, tabs and semicolons, and at commas
// when they separate fields.
std::vector<std::string_view> SplitFields(std::string_view line, const NumberFormat& format);

// False with "line N: reason, hint" in strWhy when the rows contradict each
// other or leave the comma's meaning open.
bool DecideNumberFormat(const std::vector<RowLine>& rows, NumberFormat& format, std::string& strWhy);

// The whole field as a number written in the file's way. Words such as
// "nan" and "inf" are read too (the caller refuses what is not finite).
bool ReadNumber(std::string_view field, const NumberFormat& format, double& d);
