// Fitting the 31 band gains of a channel to a target: the bands keep their
// frequency and Q, and take the gains (in the device's 0.1 dB steps, within
// the chosen boost and cut) that bring the predicted response closest to the
// target, as the RMS of the difference in dB over the fitting range.
#pragma once

#include <array>
#include <string>

#include "EQ.h"
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
    std::string strError;
    std::array<int, EQ_BANDS> anGain{};  // gain indices; bands left alone keep theirs
    // The gain indices each band was free to take: the bounds, no boost for
    // a band centred outside the range, only its own gain for one left alone.
    std::array<int, EQ_BANDS> anLowIndex{};
    std::array<int, EQ_BANDS> anHighIndex{};
    double dRmsBefore = 0.0;
    double dRmsAfter = 0.0;
    FitRange range;
    GridLevels target;  // at its level
    GridLevels after;   // the predicted response with the fitted gains
};

// The bounds of a fit as gain indices; false when a bound is not 0..20 dB.
bool FitGainBounds(const FitSettings& settings, int& nLowIndex, int& nHighIndex);

FitOutcome FitEq(const FitRequest& request);

// The target and range a fit of request would use, without fitting.
FitOutcome FitFrame(const FitRequest& request);
