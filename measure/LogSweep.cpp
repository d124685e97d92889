#include "LogSweep.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {
// The fade in is longer: the lowest octave carries the most excursion.
constexpr double FADE_IN_SECONDS = 0.05;
constexpr double FADE_OUT_SECONDS = 0.005;
constexpr double MIN_SECONDS = 0.25;
constexpr double MAX_SECONDS = 60.0;
constexpr double MIN_LEVEL_DBFS = -120.0;

// Seconds per factor e in frequency.
double SweepRate(const SweepSettings& s)
{
    return s.dSeconds / std::log(s.dHighHz / s.dLowHz);
}
}  // namespace

bool CheckSweepSettings(const SweepSettings& s, std::string& strError)
{
    if (s.nRate < 8000 || s.nRate > 384000)
        strError = "sample rate " + std::to_string(s.nRate) + " Hz is not between 8000 and 384000 Hz";
    else if (!(s.dSeconds >= MIN_SECONDS && s.dSeconds <= MAX_SECONDS))
        strError = "the sweep must last 0.25 to 60 seconds";
    else if (!(s.dLowHz > 0.0 && s.dLowHz < s.dHighHz && s.dHighHz <= 0.5 * s.nRate))
        strError = "the sweep's frequencies must rise from above 0 Hz to at most half the sample rate";
    else if (!(s.dLevelDbfs >= MIN_LEVEL_DBFS && s.dLevelDbfs <= SWEEP_MAX_LEVEL_DBFS))
        strError = "the level must be between -120 and -3 dBFS";
    else
        return true;
    return false;
}

std::vector<float> MakeLogSweep(const SweepSettings& s)
{
    const std::size_t nLength = static_cast<std::size_t>(std::lround(s.dSeconds * s.nRate));
    const double dRate = SweepRate(s);
    const double dAmplitude = std::pow(10.0, s.dLevelDbfs / 20.0);
    const std::size_t nFadeIn = std::min<std::size_t>(std::lround(FADE_IN_SECONDS * s.nRate), nLength / 10);
    const std::size_t nFadeOut = std::min<std::size_t>(std::lround(FADE_OUT_SECONDS * s.nRate), nLength / 10);
    std::vector<float> af(nLength);
    for (std::size_t n = 0; n < nLength; ++n) {
        const double t = static_cast<double>(n) / s.nRate;
        double dGain = dAmplitude;
        if (n < nFadeIn)
            dGain *= 0.5 - 0.5 * std::cos(std::numbers::pi * n / nFadeIn);
        if (nLength - n <= nFadeOut)
            dGain *= 0.5 - 0.5 * std::cos(std::numbers::pi * (nLength - 1 - n) / nFadeOut);
        af[n] = static_cast<float>(dGain * std::sin(2.0 * std::numbers::pi * s.dLowHz * dRate * std::expm1(t / dRate)));
    }
    return af;
}

double HarmonicOffsetSeconds(const SweepSettings& s, int nHarmonic)
{
    return -SweepRate(s) * std::log(static_cast<double>(nHarmonic));
}
