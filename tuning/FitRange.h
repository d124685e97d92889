// The frequencies a fit works over: the range chosen (by default the
// channel's high-pass to low-pass corner), clipped to the measured span, and
// the grid points in it where both the measurement and the target are known.
#pragma once

#include <string>

#include "FitSettings.h"
#include "HzText.h"

struct FitRange {
    double dLowHz = 0.0;
    double dHighHz = 0.0;
    bool abIn[GRID_POINTS] = {};
    int nPoints = 0;
    std::string strError;  // why there is no point to fit, when nPoints is 0
};

FitRange ResolveFitRange(const FitSettings& settings, double dCornerLowHz, double dCornerHighHz, double dSpanLowHz,
                         double dSpanHighHz, const GridLevels& measured, const GridLevels& shape);
