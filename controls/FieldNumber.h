// A numeric field's values as the numbers its text shows. Accessibility
// tools read and set numbers, so a field and the fader beside it both speak
// in the field's units (dB, Hz, Q, ms) and take a number as typed text.
#pragma once

#include <string>

class CNumEditFormat;
class QVariant;

// The number the field shows for one of its values: what the user reads.
double ShownNumber(const CNumEditFormat& format, int nValue);
// The ends of the scale as numbers; some scales fall as the value rises (Q).
double LowestNumber(const CNumEditFormat& format);
double HighestNumber(const CNumEditFormat& format);
// How far one value step from nValue moves the number, towards the end that
// has room; 0 when the range has a single value.
double NumberStep(const CNumEditFormat& format, int nValue);
// The text a user would type for a number a tool asks for: beyond the ends
// is the nearer end, as a drag there would be; a frequency is whole hertz,
// rounded. Empty when the value is no number (text, NaN).
std::string TypedNumber(const CNumEditFormat& format, const QVariant& value);
