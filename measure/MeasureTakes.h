// One measurement from its takes: each recording of the sweep deconvolved,
// the impulse responses averaged, the figures that say whether to trust it,
// and the response with its phase on a fine grid. A measurement that cannot
// be trusted (the input clipped, or the sweep drowned in noise) is refused
// with the reason, for the caller to show.
#pragma once

#include <string>
#include <vector>

#include "LogSweep.h"

inline constexpr double CLIPPING_DBFS = -1.0;
inline constexpr double MIN_SIGNAL_TO_NOISE_DB = 20.0;
inline constexpr int MEASUREMENT_STEPS_PER_OCTAVE = 48;

struct MeasureSettings {
    SweepSettings sweep;
    // How much of the impulse response after its arrival the response is
    // taken from: longer resolves lower frequencies and more of the room.
    double dWindowMs = 500.0;
};

struct MeasuredResponse {
    std::string strRefused;  // empty when the response below holds
    bool bReference = false;
    int nRepeats = 0;
    double dPeakDbfs = 0.0;                        // the loudest sample recorded
    double dSignalToNoiseDb = 0.0;                 // the impulse's peak over the noise before it
    double dArrivalMs = 0.0;                       // after the reference, or after the sweep started in the recording
    std::vector<double> adFreq, adLevel, adPhase;  // Hz; dB; degrees, wrapped to +-180
    // The averaged impulse response from time zero to the window's end.
    std::vector<float> afImpulse;

    bool IsRefused() const { return !strRefused.empty(); }
};

// 1/48 octave from 10 Hz up, and 24 kHz last.
std::vector<double> MeasurementGridHz();

// aTakes: the recordings, each as long as the others and at least as long as
// the sweep, each starting where the sweep started to play. aReferences: none,
// or one beside each take, recorded with it.
MeasuredResponse MeasureTakes(const std::vector<float>& afSweep, const MeasureSettings& settings,
                              const std::vector<std::vector<float>>& aTakes,
                              const std::vector<std::vector<float>>& aReferences);
