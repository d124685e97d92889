// The equaliser fit as numbers: the bands it may move, the error they leave
// at the grid points in range, and the limits of the whole equaliser at
// every grid point. Shared by the fitter, its steps and the tests' slow
// reference solver, so all of them solve the same problem.
#pragma once

#include <array>
#include <vector>

#include "EQ.h"
#include "FitLimits.h"

// A curve on the grid, as a value that vectors can hold.
struct GridCurve {
    double ad[GRID_POINTS];
};

struct FitterBand {
    int nBand;  // 0..30
    int nFreq;
    double dBandwidth;
    int nLowIndex;  // the gain indices the band may take (flat among them)
    int nHighIndex;
    int nStartIndex;  // where it stands before the fit
};

struct FitProblem {
    std::vector<FitterBand> aBand;  // the free bands, in band order
    std::vector<int> anPoint;       // grid indices in range
    std::vector<double> adBase;     // the error there with the free bands flat
    // The bands left alone, summed; and the limits of the whole equaliser.
    double adFixed[GRID_POINTS] = {};
    FitLimits limits;
    // Every band's gain index before the fit, and where a band stands in
    // aBand (-1: left alone).
    std::array<int, EQ_BANDS> anStartIndex{};
    std::array<int, EQ_BANDS> anFree{};
};

inline double SumOfSquares(const std::vector<double>& v)
{
    double s = 0.0;
    for (const double d : v)
        s += d * d;
    return s;
}

// The band's curve in dB at every grid point.
void FitterCurve(const FitterBand& band, double dGain, double (&adCurve)[GRID_POINTS]);

// How far band b of aBand stands above (> 0) or below (< 0) both its
// neighbours among all the bands, in gain indices: 0 when it lies between
// them. anIndex: the free bands' indices.
int StandOut(const FitProblem& problem, const std::vector<int>& anIndex, std::size_t b);
