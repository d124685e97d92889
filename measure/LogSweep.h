// The exponential sine sweep a measurement plays: equal time per octave, so
// each octave gets the same energy and the distortion of each harmonic lands
// before the impulse response, apart from it.
#pragma once

#include <string>
#include <vector>

// The loudest sweep we play: loudspeakers take a measurement at a sane level
// before the input clips.
inline constexpr double SWEEP_MAX_LEVEL_DBFS = -3.0;

struct SweepSettings {
    double dSeconds = 2.0;
    double dLowHz = 10.0;
    double dHighHz = 24000.0;
    int nRate = 48000;
    double dLevelDbfs = -20.0;
};

// False with the reason when the settings make no sweep we would play.
bool CheckSweepSettings(const SweepSettings& settings, std::string& strError);

// The sweep's samples at the settings' level, faded in and out so that it
// starts and stops without a click. The settings pass CheckSweepSettings.
std::vector<float> MakeLogSweep(const SweepSettings& settings);

// How long after the impulse a sweep puts the k-th harmonic's response
// (negative: before it), in seconds.
double HarmonicOffsetSeconds(const SweepSettings& settings, int nHarmonic);
