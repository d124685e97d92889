// A known system (cookbook biquads, a polarity flip, a delay and one
// reflection) run sample by sample over the sweep, then measured: the
// response must be the system's written out in closed form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "MeasureTakes.h"
#include "MeasurementSmoothing.h"

namespace {
using Complex = std::complex<double>;
constexpr double RATE = 48000.0;
constexpr int DELAY = 37, REFLECTION = 113, LATENCY = 517;
constexpr double POLARITY = -1.0, REFLECTION_GAIN = 0.4;

struct Biquad {
    double b0, b1, b2, a1, a2;  // a0 = 1
};

Biquad Normalised(double b0, double b1, double b2, double a0, double a1, double a2)
{
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

// The audio EQ cookbook's high-pass and peaking sections.
Biquad HighPass(double f, double q)
{
    const double w = 2 * std::numbers::pi * f / RATE, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    return Normalised((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Peak(double f, double q, double db)
{
    const double w = 2 * std::numbers::pi * f / RATE, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    const double a = std::pow(10.0, db / 40);
    return Normalised(1 + alpha * a, -2 * c, 1 - alpha * a, 1 + alpha / a, -2 * c, 1 - alpha / a);
}

const Biquad SECTIONS[] = {HighPass(40, 0.707), Peak(1000, 2, 6), Peak(6000, 3, -8)};

Complex TrueResponse(double f, int nDelay)
{
    const Complex z1 = std::polar(1.0, -2 * std::numbers::pi * f / RATE);
    Complex h = POLARITY * std::pow(z1, nDelay) * (1.0 + REFLECTION_GAIN * std::pow(z1, REFLECTION));
    for (const Biquad& s : SECTIONS)
        h *= (s.b0 + s.b1 * z1 + s.b2 * z1 * z1) / (1.0 + s.a1 * z1 + s.a2 * z1 * z1);
    return h;
}

struct Recording {
    std::vector<std::vector<float>> takes, references;
};

// nTakes recordings as a sound card brings them, LATENCY samples late, with
// white noise at dNoiseDbfs on the microphone; the references are the sweep
// as it came back over a cable.
Recording Record(const std::vector<float>& sweep, int nTakes, double dGain, double dNoiseDbfs)
{
    std::vector<double> filtered(sweep.begin(), sweep.end());
    filtered.resize(sweep.size() + 48000, 0.0);
    for (const Biquad& s : SECTIONS) {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double& v : filtered) {
            const double y = s.b0 * v + s.b1 * x1 + s.b2 * x2 - s.a1 * y1 - s.a2 * y2;
            x2 = x1, x1 = v, y2 = y1, y1 = y, v = y;
        }
    }
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, std::pow(10.0, dNoiseDbfs / 20));
    Recording r;
    for (int t = 0; t < nTakes; ++t) {
        std::vector<float> take(LATENCY + filtered.size()), reference(take.size());
        for (std::size_t n = 0; n < take.size(); ++n) {
            const auto At = [&](int nLate) {
                const long i = static_cast<long>(n) - LATENCY - nLate;
                return i >= 0 && i < static_cast<long>(filtered.size()) ? filtered[i] : 0.0;
            };
            const double d = POLARITY * (At(DELAY) + REFLECTION_GAIN * At(DELAY + REFLECTION));
            take[n] = static_cast<float>(dGain * d + noise(random));
            const long i = static_cast<long>(n) - LATENCY;
            reference[n] = i >= 0 && i < static_cast<long>(sweep.size()) ? sweep[i] : 0.0f;
        }
        r.takes.push_back(take);
        r.references.push_back(reference);
    }
    return r;
}

double PhaseError(double dMeasured, const Complex& h)
{
    return std::fabs(std::remainder(dMeasured - std::arg(h) * 180 / std::numbers::pi, 360.0));
}
}  // namespace

TEST(MeasureTakes, AKnownSystemMeasuresAsWrittenWithAndWithoutAReference)
{
    const MeasureSettings settings;
    const std::vector<float> sweep = MakeLogSweep(settings.sweep);
    // At its level, and half way through at the geometric mean of its ends:
    // some 490 Hz, 20 sign changes in 20 ms.
    EXPECT_NEAR(*std::max_element(sweep.begin(), sweep.end()), std::pow(10.0, -20.0 / 20), 1e-4);
    const std::size_t nHalf = sweep.size() / 2;
    int nChanges = 0;
    for (std::size_t n = nHalf - 480; n < nHalf + 480; ++n)
        nChanges += (sweep[n] < 0) != (sweep[n + 1] < 0);
    EXPECT_NEAR(nChanges, 2 * std::sqrt(10.0 * 24000) * 0.02, 1.5);
    const Recording rec = Record(sweep, 1, 1.0, -400);
    for (const bool bReference : {true, false}) {
        const MeasuredResponse r =
            MeasureTakes(sweep, settings, rec.takes, bReference ? rec.references : Recording{}.references);
        ASSERT_FALSE(r.IsRefused()) << r.strRefused;
        const int nDelay = bReference ? DELAY : DELAY + LATENCY;
        EXPECT_NEAR(r.dArrivalMs, nDelay * 1000 / RATE, 1000 / RATE) << bReference;
        EXPECT_GT(r.dSignalToNoiseDb, 60);
        const auto itPeak = std::max_element(r.afImpulse.begin(), r.afImpulse.end(),
                                             [](float a, float b) { return std::fabs(a) < std::fabs(b); });
        EXPECT_EQ(itPeak - r.afImpulse.begin(), nDelay);
        double dMax = -1e9;
        for (std::size_t k = 0; k < r.adFreq.size(); ++k)
            dMax = std::max(dMax, 20 * std::log10(std::abs(TrueResponse(r.adFreq[k], nDelay))));
        for (std::size_t k = 0; k < r.adFreq.size(); ++k) {
            const double f = r.adFreq[k];
            const Complex h = TrueResponse(f, nDelay);
            const double dTrueDb = 20 * std::log10(std::abs(h));
            if (f < 30 || f > 18000)
                continue;
            EXPECT_NEAR(r.adLevel[k], dTrueDb, 0.1) << f << " Hz, reference " << bReference;
            if (dTrueDb > dMax - 30) {
                EXPECT_LT(PhaseError(r.adPhase[k], h), 2.0) << f << " Hz, reference " << bReference;
            }
        }
    }
}

TEST(MeasureTakes, FourNoisyTakesAverageWithinHalfADecibelEvenWhenTheSoundServerDelayChanges)
{
    const MeasureSettings settings;
    const std::vector<float> sweep = MakeLogSweep(settings.sweep);
    Recording rec = Record(sweep, 4, 1.0, -50);
    // The second take came back 30 samples later, its reference with it.
    for (auto* pTake : {&rec.takes[1], &rec.references[1]}) {
        pTake->insert(pTake->begin(), 30, 0.0f);
        pTake->resize(rec.takes[0].size());
    }
    for (const bool bReference : {true, false}) {
        const MeasuredResponse r =
            MeasureTakes(sweep, settings, rec.takes, bReference ? rec.references : Recording{}.references);
        ASSERT_FALSE(r.IsRefused()) << r.strRefused;
        EXPECT_EQ(r.nRepeats, 4);
        MeasurementData measured{r.adFreq, r.adLevel, {}, {}, {}}, truth = measured;
        for (std::size_t k = 0; k < truth.adFreq.size(); ++k)
            truth.adLevel[k] = 20 * std::log10(std::abs(TrueResponse(truth.adFreq[k], DELAY)));
        const GridLevels a = MeasurementOnGrid(measured, 6), b = MeasurementOnGrid(truth, 6);
        for (int i = 0; i < GRID_POINTS; ++i)
            if (b.abValid[i] && g_dFreqGrid[i] >= 40) {
                EXPECT_NEAR(a.adLevel[i], b.adLevel[i], 0.5) << g_dFreqGrid[i] << " Hz, reference " << bReference;
            }
    }
}

TEST(MeasureTakes, RefusesClippedQuietAndMismatchedRecordingsWithTheReason)
{
    MeasureSettings settings;
    settings.sweep.dSeconds = 1.0;
    settings.sweep.dLevelDbfs = -6;
    const std::vector<float> loud = MakeLogSweep(settings.sweep);
    settings.sweep.dLevelDbfs = -110;
    const std::vector<float> quiet = MakeLogSweep(settings.sweep);
    const Recording clipped = Record(loud, 1, 2.0, -400), drowned = Record(quiet, 2, 1.0, -50);
    const auto Refusal = [&](const std::vector<float>& sweep, const std::vector<std::vector<float>>& takes,
                             const std::vector<std::vector<float>>& references) {
        return MeasureTakes(sweep, settings, takes, references).strRefused;
    };
    EXPECT_EQ(Refusal(loud, clipped.takes, {}), "input clipped: lower --level or the input gain");
    EXPECT_EQ(Refusal(loud, clipped.references, clipped.takes),
              "reference input clipped: lower --level or the input gain");
    const std::string quietWhy = Refusal(quiet, drowned.takes, drowned.references);
    EXPECT_EQ(quietWhy.rfind("too quiet: signal-to-noise ", 0), 0u) << quietWhy;
    EXPECT_NE(quietWhy.find(" dB"), std::string::npos) << quietWhy;
    EXPECT_EQ(Refusal(quiet, {std::vector<float>(quiet.size())}, {}),
              "too quiet: the input is silent: check the input, its gain and its cable");
    EXPECT_EQ(Refusal(quiet, {std::vector<float>(10)}, {}), "a recording is shorter than the sweep or than the others");
    EXPECT_EQ(Refusal(quiet, drowned.takes, {drowned.references[0]}), "each take needs its reference");
    EXPECT_EQ(Refusal(quiet, {}, {}), "nothing was recorded");
    // Stopped before the sweep had all come back: 517 + 37 samples late at
    // the microphone, the loopback 517, less the 2 ms fade-out that may go.
    settings.sweep.dLevelDbfs = -20;
    const std::vector<float> plain = MakeLogSweep(settings.sweep);
    const Recording clean = Record(plain, 1, 1.0, -400);
    const auto Cut = [&](std::vector<float> af) {
        af.resize(plain.size());
        return std::vector<std::vector<float>>{af};
    };
    EXPECT_EQ(Refusal(plain, Cut(clean.takes[0]), {}),
              "the sound came back too late for the recording: the last 10 ms of the sweep were not recorded (the "
              "sound server's latency is longer than it says)");
    EXPECT_EQ(Refusal(plain, Cut(clean.takes[0]), Cut(clean.references[0])).substr(0, 65),
              "the sound came back too late for the recording: the last 10 ms of");
    // 50 ms lost from the middle of the recording, at the microphone and on
    // the loopback alike, as when the sound server skips a cycle unseen.
    Recording gap = clean;
    for (auto* pSignal : {&gap.takes[0], &gap.references[0]})
        std::fill_n(pSignal->begin() + LATENCY + static_cast<long>(plain.size() / 2), 2400, 0.0f);
    const std::string gapWhy = Refusal(plain, gap.takes, gap.references);
    EXPECT_EQ(gapWhy.rfind("the loopback did not bring the whole sweep back (", 0), 0u) << gapWhy;
    EXPECT_NE(gapWhy.find(" Hz): the reference is not a loopback of what was played, or the recording has a gap"),
              std::string::npos);
    std::vector<float> broken = drowned.takes[0];
    broken[1000] = std::nanf("");
    EXPECT_EQ(Refusal(quiet, {broken}, {}), "the recording holds samples that are not numbers");
}
