// How far the fitted equaliser (the 31 bands summed) may lift and lower the
// channel at each point of the grid, from 19.7 Hz to 20 kHz:
// - never beyond the largest boost and cut;
// - outside the fit range no higher than the bands were there before (or
//   0 dB where that was lower), with 1 dB of room for the skirts of bands
//   inside the range, so nothing is driven where the speaker is not fitted;
// - inside the range no higher than the response, smoothed over 1/3 octave,
//   lies below the target, plus 1 dB: a narrow dip (a room null that moves
//   with the microphone) is not filled with headroom.
// Where bands the fit leaves alone already go beyond these, the limit gives
// way to them: the fit cannot undo them.
#pragma once

#include "FitRange.h"

inline constexpr double LIMIT_ROOM_DB = 1.0;
// The equaliser is within a limit when it passes it by no more than this
// (its sums carry rounding of about 1e-13 dB).
inline constexpr double LIMIT_SLACK_DB = 1e-9;
// The smoothing of the response that bounds a boost: 1/3 octave.
inline constexpr int BOOST_GUIDE_SMOOTHING = 3;

// How far beyond an edge of the range the limit inside passes into the one
// outside.
inline constexpr double EDGE_BLEND_OCTAVES = 1.0 / 6.0;

struct FitLimits {
    double adLow[GRID_POINTS] = {};
    double adHigh[GRID_POINTS] = {};
};

// guide: the predicted response smoothed over 1/3 octave (predicted where
// it is not valid); adEqBefore: the bands' sum before the fit; adFixed: the
// sum of the bands the fit leaves alone.
FitLimits ResolveFitLimits(const FitRange& range, const GridLevels& target, const GridLevels& guide,
                           const GridLevels& predicted, const double (&adEqBefore)[GRID_POINTS],
                           const double (&adFixed)[GRID_POINTS], double dMaxBoostDb, double dMaxCutDb);
