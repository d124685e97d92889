// Fitting the 31 band gains of a channel to a target: the bands keep their
// frequency and Q, and take the gains (in the device's 0.1 dB steps) that
// bring the predicted response closest to the target, as the RMS of the
// difference in dB over the fitting range, within the limits of FitLimits.h
// for the bands summed. Bands centred more than an octave outside the range
// keep their gains; with nothing to fit, nothing changes.
#pragma once

#include <array>
#include <string>

#include "EQ.h"
#include "FitLimits.h"
#include "FitProblem.h"
#include "FitRange.h"
#include "FitSettings.h"
#include "GridLevels.h"

struct FitBand {
    int nFreq = 1000;
    int nQIndex = 0;
    int nGainIndex = GAIN_INDEX_FLAT;
    bool bFree = true;  // false: the fit leaves the band as it is
};
using FitBands = std::array<FitBand, EQ_BANDS>;

struct FitRequest {
    // What the channel gives now: the measurement, less the channel's response
    // when it was measured, plus its response now.
    GridLevels predicted;
    // The same smoothed over 1/3 octave, which bounds a boost (predicted
    // stands in where it is not valid).
    GridLevels guide;
    // The smoothed measurement itself, whose mean places the target.
    GridLevels smoothed;
    double dSpanLowHz = 0.0;  // the measured span
    double dSpanHighHz = 0.0;
    FitBands aBand;
    FitSettings settings;
    // Where the range runs when the settings leave it open.
    double dCornerLowHz = HIGH_PASS_OFF_HZ;
    double dCornerHighHz = LOW_PASS_OFF_HZ;
};

struct FitOutcome {
    bool bOk = false;
    bool bNothingToFit = false;  // with bOk false: nothing would change, and strError says why
    std::string strError;
    std::string strNothingWhy;           // with bNothingToFit: the why alone, for a caller that words it itself
    std::array<int, EQ_BANDS> anGain{};  // gain indices; bands left alone keep theirs
    // The gain indices each band was free to take: within the boost and cut,
    // only its own gain for one left alone.
    std::array<int, EQ_BANDS> anLowIndex{};
    std::array<int, EQ_BANDS> anHighIndex{};
    int nBandsChanged = 0;
    double dRmsBefore = 0.0;
    double dRmsAfter = 0.0;
    double dRmsBest = 0.0;     // the least error found within the limits
    double dRmsAllowed = 0.0;  // what the fit allowed itself to save gain
    FitRange range;
    FitLimits limits;
    GridLevels target;  // at its level
    GridLevels after;   // the predicted response with the fitted gains
    // The 31 bands summed before and after, at every grid point.
    double adEqBefore[GRID_POINTS] = {};
    double adEqAfter[GRID_POINTS] = {};
};

// Fewer points in range than this are nothing to fit.
inline constexpr int MIN_FIT_POINTS = 3;
// A response this close to the target (it shows as 0.00) is nothing to fit.
inline constexpr double NOTHING_TO_FIT_RMS_DB = 0.005;

// The bounds of a fit as gain indices; false when a bound is not 0..20 dB.
bool FitGainBounds(const FitSettings& settings, int& nLowIndex, int& nHighIndex);

// Whether band b may move in a fit over range: not left alone by the user,
// and centred within an octave of the range.
bool IsBandFitted(const FitBand& band, const FitRange& range);

FitOutcome FitEq(const FitRequest& request);

// The rms of response less target over the points in abIn where both hold a
// level; 0 with no such point.
double RmsDifference(const GridLevels& response, const GridLevels& target, const bool (&abIn)[GRID_POINTS]);

// The target and range a fit of request would use, without fitting.
FitOutcome FitFrame(const FitRequest& request);

// The fit of request as numbers, given its frame out (which takes the bands'
// bounds and the limits); false, with out saying why, when there is nothing
// to fit or the bounds are wrong. The tests' reference solver starts here.
bool MakeFitProblem(const FitRequest& request, FitOutcome& out, FitProblem& problem);
