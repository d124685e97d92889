#include "FitProblem.h"

#include <algorithm>

#include "BandCurve.h"

void FitterCurve(const FitterBand& band, double dGain, double (&adCurve)[GRID_POINTS])
{
    PeakingCurve(band.nFreq, dGain, band.dBandwidth, adCurve);
}

int StandOut(const FitProblem& problem, const std::vector<int>& anIndex, std::size_t b)
{
    const int nBand = problem.aBand[b].nBand;
    const auto indexOf = [&](int n) {
        const int f = problem.anFree[static_cast<std::size_t>(n)];
        return f >= 0 ? anIndex[static_cast<std::size_t>(f)] : problem.anStartIndex[static_cast<std::size_t>(n)];
    };
    int nHighest = -1, nLowest = GAIN_INDEX_MAX + 1;
    for (const int n : {nBand - 1, nBand + 1}) {
        if (n < 0 || n >= EQ_BANDS)
            continue;
        nHighest = std::max(nHighest, indexOf(n));
        nLowest = std::min(nLowest, indexOf(n));
    }
    const int g = anIndex[b];
    if (nHighest >= 0 && g > nHighest)
        return g - nHighest;
    if (nHighest >= 0 && g < nLowest)
        return g - nLowest;
    return 0;
}
