// A measurement with its phase, on the graph's grid as complex values: what
// aligning channels adds up. Programs export the phase wrapped to +-180
// degrees; it is unwrapped along the rows first.
#pragma once

#include <string>
#include <vector>

#include "ComplexResponse.h"
#include "MeasurementData.h"

struct ComplexLevels {
    ComplexGrid h{};
    bool abValid[GRID_POINTS] = {};
};

// Each step between neighbours taken as the shortest turn: a jump of more
// than 180 degrees is a wrap.
std::vector<double> UnwrapDegrees(const std::vector<double>& adDegrees);

// The level smoothed over 1/nFraction octave as MeasurementOnGrid does, the
// unwrapped phase straight between rows on a linear frequency axis (so a
// pure delay stays one). False, with the file named by strName and the
// reason, when the measurement holds no phase.
bool ComplexOnGrid(const MeasurementData& data, int nFraction, const std::string& strName, ComplexLevels& out,
                   std::string& strError);
