#include "MeasureTakes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "DbText.h"
#include "Deconvolver.h"

namespace {
constexpr double GRID_LOW_HZ = 10.0;
constexpr double GRID_HIGH_HZ = 24000.0;
// Before the arrival the window rises over FADE_MS and is flat for the last
// FADE_MS: a loudspeaker's low end starts some milliseconds before its peak.
constexpr double FADE_MS = 5.0;
// The window falls over the last part of its length.
constexpr double FALL_SHARE = 0.2;
constexpr double MAX_WINDOW_MS = 10000.0;
// The noise is taken before the arrival, ending FADE_MS before it and reaching
// back at most this far, and never as far as the second harmonic.
constexpr double NOISE_MAX_MS = 100.0;
constexpr double NOISE_MIN_MS = 10.0;
constexpr double SILENT_DBFS = -200.0;
constexpr double NO_NOISE_DB = 200.0;
constexpr std::size_t LANES = 8;
// The sweep's fade-out may be missing from a recording: it carries nothing
// of the top of the band.
constexpr double SWEEP_END_SLACK = 0.002;
// Over this band a loopback's response is flat within a fraction of a
// decibel, even through a sound card's DC filter; a dip deeper than this is
// sound that went missing. The loopback's impulse is looked at this long.
constexpr double LOOP_LOW_HZ = 50.0;
constexpr double LOOP_HIGH_HZ = 16000.0;
constexpr double LOOP_MAX_DIP_DB = 3.0;
constexpr double LOOP_WINDOW_MS = 20.0;

double PeakDbfs(const std::vector<std::vector<float>>& aSignals)
{
    float fPeak = 0.0f;
    for (const auto& af : aSignals)
        for (const float f : af)
            fPeak = std::max(fPeak, std::fabs(f));
    return fPeak > 0.0f ? std::max(20.0 * std::log10(fPeak), SILENT_DBFS) : SILENT_DBFS;
}

std::size_t PeakIndex(const std::vector<double>& ad)
{
    std::size_t nPeak = 0;
    for (std::size_t i = 1; i < ad.size(); ++i)
        if (std::fabs(ad[i]) > std::fabs(ad[nPeak]))
            nPeak = i;
    return nPeak;
}

std::string InputsError(const std::vector<float>& afSweep, const MeasureSettings& settings,
                        const std::vector<std::vector<float>>& aTakes,
                        const std::vector<std::vector<float>>& aReferences)
{
    std::string strError;
    if (!CheckSweepSettings(settings.sweep, strError))
        return strError;
    if (afSweep.empty() || aTakes.empty())
        return "nothing was recorded";
    if (!(settings.dWindowMs > 2.0 * FADE_MS && settings.dWindowMs <= MAX_WINDOW_MS))
        return "the window must be longer than 10 ms and at most 10 s";
    if (!aReferences.empty() && aReferences.size() != aTakes.size())
        return "each take needs its reference";
    for (const auto& af : aTakes)
        if (af.size() != aTakes.front().size() || af.size() < afSweep.size())
            return "a recording is shorter than the sweep or than the others";
    for (const auto& af : aReferences)
        if (af.size() != aTakes.front().size())
            return "a reference recording is not as long as its take";
    for (const auto* pSignals : {&aTakes, &aReferences})
        for (const auto& af : *pSignals)
            if (!std::all_of(af.begin(), af.end(), [](float f) { return std::isfinite(f); }))
                return "the recording holds samples that are not numbers";
    return {};
}

// The time of circle index i, in samples.
long Signed(std::size_t i, std::size_t nSize)
{
    return i < nSize / 2 ? static_cast<long>(i) : static_cast<long>(i) - static_cast<long>(nSize);
}

// The spectrum of the impulse response's nLength samples from nStart on
// (times on its circle) at each of adFreq, under a window that rises over
// nRise and falls over the last part of its length: levels in dB, and, when
// padPhase is given, phases in degrees against time zero. Summed directly:
// exact at any frequency, where an FFT would only give its own bins; LANES
// frequencies at a time, so that their rotations run side by side.
void SpectrumOnGrid(const std::vector<double>& adIr, long nStart, long nLength, long nRise, double dRate,
                    const std::vector<double>& adFreq, std::vector<double>& adLevel, std::vector<double>* padPhase)
{
    const auto nSize = static_cast<long>(adIr.size());
    const long nFall = static_cast<long>(FALL_SHARE * static_cast<double>(nLength - 2 * nRise));
    std::vector<double> adWindowed(static_cast<std::size_t>(nLength));
    for (long i = 0; i < nLength; ++i) {
        double w = 1.0;
        if (i < nRise)
            w = 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(i) / nRise);
        else if (i >= nLength - nFall)
            w = 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(nLength - i) / nFall);
        adWindowed[static_cast<std::size_t>(i)] = w * adIr[static_cast<std::size_t>((nStart + i + nSize) % nSize)];
    }
    adLevel.clear();
    if (padPhase)
        padPhase->clear();
    const std::size_t nFreqs = adFreq.size();
    for (std::size_t k0 = 0; k0 < nFreqs; k0 += LANES) {
        double adStepRe[LANES], adStepIm[LANES], adRe[LANES] = {}, adIm[LANES] = {};
        double adTurnRe[LANES], adTurnIm[LANES] = {};
        for (std::size_t j = 0; j < LANES; ++j) {
            const double dOmega = 2.0 * std::numbers::pi * adFreq[std::min(k0 + j, nFreqs - 1)] / dRate;
            adStepRe[j] = std::cos(dOmega);
            adStepIm[j] = -std::sin(dOmega);
            adTurnRe[j] = 1.0;
        }
        for (const double d : adWindowed) {
            for (std::size_t j = 0; j < LANES; ++j) {
                adRe[j] += d * adTurnRe[j];
                adIm[j] += d * adTurnIm[j];
                const double dNextRe = adTurnRe[j] * adStepRe[j] - adTurnIm[j] * adStepIm[j];
                adTurnIm[j] = adTurnRe[j] * adStepIm[j] + adTurnIm[j] * adStepRe[j];
                adTurnRe[j] = dNextRe;
            }
        }
        for (std::size_t j = 0; j < LANES && k0 + j < nFreqs; ++j) {
            adLevel.push_back(20.0 * std::log10(std::max(std::hypot(adRe[j], adIm[j]), 1e-15)));
            if (padPhase) {
                const double dOmega = 2.0 * std::numbers::pi * adFreq[k0 + j] / dRate;
                const double dRadians = std::atan2(adIm[j], adRe[j]) - dOmega * static_cast<double>(nStart);
                padPhase->push_back(std::remainder(dRadians * 180.0 / std::numbers::pi, 360.0));
            }
        }
    }
}
}  // namespace

std::vector<double> MeasurementGridHz()
{
    std::vector<double> ad;
    for (int k = 0;; ++k) {
        const double f = GRID_LOW_HZ * std::exp2(static_cast<double>(k) / MEASUREMENT_STEPS_PER_OCTAVE);
        if (f >= GRID_HIGH_HZ * (1.0 - 1e-9))
            break;
        ad.push_back(f);
    }
    ad.push_back(GRID_HIGH_HZ);
    return ad;
}

MeasuredResponse MeasureTakes(const std::vector<float>& afSweep, const MeasureSettings& settings,
                              const std::vector<std::vector<float>>& aTakes,
                              const std::vector<std::vector<float>>& aReferences)
{
    MeasuredResponse result;
    result.strRefused = InputsError(afSweep, settings, aTakes, aReferences);
    if (result.IsRefused())
        return result;
    result.bReference = !aReferences.empty();
    result.nRepeats = static_cast<int>(aTakes.size());
    result.dPeakDbfs = PeakDbfs(aTakes);
    if (result.dPeakDbfs >= CLIPPING_DBFS) {
        result.strRefused = "input clipped: lower --level or the input gain";
        return result;
    }
    if (PeakDbfs(aReferences) >= CLIPPING_DBFS) {
        result.strRefused = "reference input clipped: lower --level or the input gain";
        return result;
    }

    // The takes' responses averaged. Without a reference each take is moved
    // onto the first one's peak, in case the sound server's delay changed.
    const double dRate = settings.sweep.nRate;
    CDeconvolver deconvolver(afSweep, settings.sweep, aTakes.front().size());
    const std::size_t nSize = deconvolver.GetSize();
    const auto Samples = [dRate](double dMs) { return static_cast<long>(std::lround(dMs * dRate / 1000.0)); };
    const long nRise = Samples(FADE_MS);
    std::vector<double> adSum(nSize, 0.0), adIr, adLoop, adLoopLevel;
    std::vector<double> adLoopFreq = MeasurementGridHz();
    std::erase_if(adLoopFreq, [&](double f) {
        return f < std::max(LOOP_LOW_HZ, 4.0 * settings.sweep.dLowHz) ||
               f > std::min(LOOP_HIGH_HZ, settings.sweep.dHighHz / 1.5);
    });
    std::size_t nFirstPeak = 0;
    long nLatestArrival = 0;
    for (std::size_t t = 0; t < aTakes.size(); ++t) {
        // Where the sweep came back in the recording: through the loopback,
        // or, without it, at the microphone.
        long nArrival = 0;
        if (result.bReference) {
            deconvolver.Deconvolve(aReferences[t].data(), nullptr, adLoop);
            nArrival = Signed(PeakIndex(adLoop), nSize);
            // A loopback brings the sweep back as it was played; a gap in
            // the recording shows as the part of the band it took away, the
            // same at the microphone, and dividing one by the other would
            // hide it.
            SpectrumOnGrid(adLoop, nArrival - 2 * nRise, 2 * nRise + Samples(LOOP_WINDOW_MS), nRise, dRate, adLoopFreq,
                           adLoopLevel, nullptr);
            std::vector<double> adSorted = adLoopLevel;
            std::nth_element(adSorted.begin(), adSorted.begin() + static_cast<long>(adSorted.size() / 2),
                             adSorted.end());
            const double dMedian = adSorted.empty() ? 0.0 : adSorted[adSorted.size() / 2];
            const auto itLow = std::min_element(adLoopLevel.begin(), adLoopLevel.end());
            if (itLow != adLoopLevel.end() && *itLow < dMedian - LOOP_MAX_DIP_DB) {
                result.strRefused = "the loopback did not bring the whole sweep back (" +
                                    FormatFixed(dMedian - *itLow, 1) + " dB missing at " +
                                    FormatFixed(adLoopFreq[static_cast<std::size_t>(itLow - adLoopLevel.begin())], 0) +
                                    " Hz): the reference is not a loopback of what was played, or the recording "
                                    "has a gap; check the reference and measure again";
                return result;
            }
        }
        deconvolver.Deconvolve(aTakes[t].data(), result.bReference ? aReferences[t].data() : nullptr, adIr);
        const std::size_t nPeak = PeakIndex(adIr);
        nArrival += Signed(nPeak, nSize);
        nLatestArrival = std::max({nLatestArrival, nArrival, nArrival - Signed(nPeak, nSize)});
        if (t == 0)
            nFirstPeak = nPeak;
        const std::size_t nShift = result.bReference ? 0 : (nPeak + nSize - nFirstPeak) % nSize;
        for (std::size_t i = 0; i < nSize; ++i)
            adSum[i] += adIr[(i + nShift) % nSize] / static_cast<double>(aTakes.size());
    }
    // A sweep that came back later than the recording lasted lost its top
    // octaves, and what the division makes of them is noise, not a response.
    const long nMissing = nLatestArrival + static_cast<long>(afSweep.size()) -
                          static_cast<long>(aTakes.front().size()) - static_cast<long>(SWEEP_END_SLACK * dRate);
    if (nMissing > 0) {
        result.strRefused = "the sound came back too late for the recording: the last " +
                            FormatFixed(1000.0 * static_cast<double>(nMissing) / dRate, 0) +
                            " ms of the sweep were not recorded (the sound server's latency is longer than it says)";
        return result;
    }
    const std::vector<double>& adH = adSum;

    // The arrival: the peak, placed between samples by the parabola through
    // it and its neighbours.
    const std::size_t nPeak = PeakIndex(adH);
    const double a = std::fabs(adH[(nPeak + nSize - 1) % nSize]), b = std::fabs(adH[nPeak]),
                 c = std::fabs(adH[(nPeak + 1) % nSize]);
    const double dBend = a - 2.0 * b + c;
    const double dOffset = dBend < 0.0 ? std::clamp(0.5 * (a - c) / dBend, -0.5, 0.5) : 0.0;
    const long nArrival = Signed(nPeak, nSize);
    result.dArrivalMs = (static_cast<double>(nArrival) + dOffset) * 1000.0 / dRate;

    const double dNoiseMs =
        std::clamp(-0.6 * 1000.0 * HarmonicOffsetSeconds(settings.sweep, 2), NOISE_MIN_MS, NOISE_MAX_MS);
    double dNoise = 0.0;
    const long nNoiseFrom = nArrival - Samples(dNoiseMs), nNoiseTo = nArrival - Samples(FADE_MS);
    for (long i = nNoiseFrom; i < nNoiseTo; ++i) {
        const double d = adH[static_cast<std::size_t>(i + static_cast<long>(nSize)) % nSize];
        dNoise += d * d;
    }
    dNoise = std::sqrt(dNoise / static_cast<double>(nNoiseTo - nNoiseFrom));
    result.dSignalToNoiseDb = dNoise > 0.0 ? std::min(20.0 * std::log10(b / dNoise), NO_NOISE_DB) : NO_NOISE_DB;
    // Nothing at all came back: no figure would mean anything.
    if (b == 0.0) {
        result.dSignalToNoiseDb = 0.0;
        result.strRefused = "too quiet: the input is silent: check the input, its gain and its cable";
        return result;
    }
    if (result.dSignalToNoiseDb < MIN_SIGNAL_TO_NOISE_DB) {
        result.strRefused = "too quiet: signal-to-noise " + FormatFixed(result.dSignalToNoiseDb, 1) +
                            " dB, needs 20 dB: raise --level or the input gain";
        return result;
    }

    // The window: rising before the arrival, flat, falling to its end.
    const long nLength = std::min(2 * nRise + Samples(settings.dWindowMs), static_cast<long>(nSize / 2));
    const long nStart = nArrival - 2 * nRise;
    result.adFreq = MeasurementGridHz();
    SpectrumOnGrid(adH, nStart, nLength, nRise, dRate, result.adFreq, result.adLevel, &result.adPhase);

    const long nEnd = nStart + nLength;
    for (long i = 0; i < nEnd; ++i)
        result.afImpulse.push_back(static_cast<float>(adH[static_cast<std::size_t>(i) % nSize]));
    return result;
}
