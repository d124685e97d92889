// Reads the text a measurement program exports: header and comment lines
// (any line whose first field is not a number), then rows of frequency in
// Hz, level in dB, phase in degrees when every row has a third column that
// is a number, and columns we ignore (coherence), separated by spaces, tabs,
// commas or semicolons. How the file writes its numbers (decimal comma or
// point, thousands separators) is decided once for the whole file, never row
// by row; UTF-8 and UTF-16 with a byte-order mark are read.
#pragma once

#include <string>
#include <string_view>

#include "MeasurementData.h"

// More rows than any export holds: the file is refused rather than held.
inline constexpr std::size_t MEASUREMENT_MAX_ROWS = 1u << 20;
// Levels beyond this are not acoustic levels; refusing them keeps every sum
// and mean finite.
inline constexpr double MEASUREMENT_MAX_LEVEL_DB = 1000.0;
// Beyond this a third column is no phase (20 ms at 20 kHz unwrapped is some
// 144000 degrees), and every step between rows stays finite.
inline constexpr double MEASUREMENT_MAX_PHASE_DEGREES = 1e7;

// Fills out with the rows of text. On failure returns false and says in
// strError what is wrong, as "NAME: line N: reason" where a line is at fault;
// out is then left as it was. Rows read past (a first row at 0 Hz) leave a
// note in out.astrNote.
bool ParseMeasurement(std::string_view text, const std::string& strName, MeasurementData& out, std::string& strError);
