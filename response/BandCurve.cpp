#include "BandCurve.h"

#include <algorithm>
#include <iterator>

#include "BandResponse.h"
#include "GridKernels.h"

void PeakingCurve(int nFreq, double dGain, double dBandwidth, double (&dB)[GRID_POINTS])
{
    if (dGain == 0.0) {
        std::fill(std::begin(dB), std::end(dB), 0.0);
        return;
    }
    double ratio[GRID_POINTS];
    std::fill(std::begin(ratio), std::end(ratio), 1.0);
    MultiplyPowerRatio(PeakingSection(nFreq, dGain, dBandwidth), ratio);
    PowerRatioToDb(ratio, dB);
}
