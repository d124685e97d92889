// A channel as the equaliser fit sees it: its bands with the frequency and Q
// the graph draws them at, their gains, and which the fit may change; and its
// crossover corners, where the fit's range runs by default.
#pragma once

#include "EqFit.h"

class CTALVData;
class CAudio_OutData;

// A band the user switched to bypass while it carried a gain is left as it
// is; every other band, flat ones included, takes part.
FitBands FitBandsOfChannel(const CTALVData& channel, const CAudio_OutData& display);

double HighPassCornerHz(const CAudio_OutData& display);
double LowPassCornerHz(const CAudio_OutData& display);
