// Reading the number at the start of a field's text the way the C library's
// atof and atoi do, but independent of the process locale (the window's
// fields always use a decimal point) and without undefined results for
// numbers that do not fit.
#pragma once

#include <string_view>

// Leading blanks, an optional sign, then a decimal number with an optional
// exponent, or "inf"/"infinity". Text without a number reads as 0, and so
// does "nan": a field has no use for it. Too large a number reads as an
// infinity of its sign, too small a one as 0. Hexadecimal is not taken.
double ParseLeadingDouble(std::string_view strText);

// Leading blanks, an optional sign and decimal digits; anything after them is
// ignored. The result saturates at +-NUMEDIT_INT_LIMIT, far outside any range
// a field is given, so callers can compare it with int limits safely.
long long ParseLeadingInt(std::string_view strText);

// Whether the text starts with a number someone typed: blanks, one sign, then
// a digit, or a point and a digit. "inf" and "nan" are words, not numbers.
bool HasLeadingNumber(std::string_view strText);

inline constexpr long long NUMEDIT_INT_LIMIT = 1'000'000'000'000LL;
