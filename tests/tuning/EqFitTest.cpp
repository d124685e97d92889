// The equaliser fit: as good as a slow, plainly correct solver on
// loudspeaker-like measurements, within the range, bounds and bands it is
// given, and predicting exactly what the channel's curve will be.
#include <gtest/gtest.h>

#include <random>

#include "EQ.h"
#include "FitReport.h"
#include "FreqTables.h"
#include "SlowFit.h"
#include "SyntheticSpeaker.h"

TEST(EqFit, ComesWithinFivePercentOfTheBestFitTheRulesAllow)
{
    for (const synthetic::Case& c : synthetic::Cases()) {
        // The wide-band case takes the slow solver long; the benchmark holds
        // it against it.
        if (c.request.aBand[0].nQIndex > 30)
            continue;
        SCOPED_TRACE(c.pszName);
        const FitOutcome outcome = FitEq(c.request);
        ASSERT_TRUE(outcome.bOk) << outcome.strError;
        FitProblem problem;
        ASSERT_TRUE(reference::ProblemOf(c.request, problem));
        EXPECT_NEAR(reference::RmsOfIndices(problem, outcome.anGain), outcome.dRmsAfter, 1e-9);
        EXPECT_LE(outcome.dRmsAfter, 1.05 * reference::SlowBestRms(problem) + 0.05);
        EXPECT_LT(outcome.dRmsAfter, outcome.dRmsBefore);
    }
}

TEST(EqFit, KeepsToItsRangeBoundsAndTheBandsLeftAlone)
{
    const synthetic::Case c = synthetic::Cases()[2];  // 50-10000 Hz, +3/-10 dB, bands 10 and 17 left alone
    FitRequest request = c.request;
    request.aBand[9].nGainIndex = 200;  // bypassed, so its word is 0 dB
    request.aBand[16].nGainIndex = 200;
    request.aBand[20].nGainIndex = 320;  // a band far beyond the bounds now
    const FitOutcome outcome = FitEq(request);
    ASSERT_TRUE(outcome.bOk) << outcome.strError;
    EXPECT_EQ(outcome.range.dLowHz, 50.0);
    EXPECT_EQ(outcome.range.dHighHz, 10000.0);
    EXPECT_EQ(FormatFitSummary(outcome).substr(FormatFitSummary(outcome).find(" over ")), " over 50\u201310000 Hz");
    for (int i = 0; i < GRID_POINTS; ++i)
        EXPECT_EQ(outcome.range.abIn[i], g_dFreqGrid[i] >= 50.0 && g_dFreqGrid[i] <= 10000.0) << i;
    for (int b = 0; b < EQ_BANDS; ++b) {
        if (b == 9 || b == 16) {
            EXPECT_EQ(outcome.anGain[b], 200) << b;
            continue;
        }
        // Bands centred more than an octave outside the range stay.
        const bool bNear = g_nGraphicEqFreq[b] >= 25 && g_nGraphicEqFreq[b] <= 20000;
        EXPECT_EQ(outcome.anHighIndex[b], bNear ? 230 : 200) << b;
        EXPECT_EQ(outcome.anLowIndex[b], bNear ? 100 : 200) << b;
        EXPECT_GE(outcome.anGain[b], 100) << b;
        EXPECT_LE(outcome.anGain[b], outcome.anHighIndex[b]) << b;
    }
    EXPECT_NE(FormatFitBands(request, outcome).find("band 10    160 Hz   +0.0 dB  (bypassed, left as it is)"),
              std::string::npos)
        << FormatFitBands(request, outcome);

    // Bands octaves below the range hardly reach it and stay flat.
    FitRequest high = request;
    high.settings.dLowHz = 400.0;
    const FitOutcome above = FitEq(high);
    for (int b = 0; b < 6; ++b)
        EXPECT_EQ(above.anGain[b], 200) << b;

    // An open range runs from the crossover's corners, clipped to the span.
    request.settings.dLowHz = 0.0;
    request.settings.dHighHz = 0.0;
    request.dCornerLowHz = 80.0;
    request.dCornerHighHz = 30000.0;
    FitOutcome open = FitEq(request);
    EXPECT_EQ(open.range.dLowHz, 80.0);
    EXPECT_EQ(open.range.dHighHz, 24000.0);

    // A range the measurement does not reach, and bounds beyond the device's.
    request.settings.dLowHz = 20000.0;
    request.settings.dHighHz = 30000.0;
    request.dSpanHighHz = 15000.0;
    open = FitEq(request);
    EXPECT_FALSE(open.bOk);
    EXPECT_EQ(open.strError,
              "the measurement (0.732422\u201315000 Hz) does not reach into the range 20000\u201330000 Hz");
    request = c.request;
    request.settings.dMaxBoostDb = 25.0;
    EXPECT_FALSE(FitEq(request).bOk);
}

// Whatever the channel, measurement and settings: gains within bounds, bands
// left alone untouched, no worse than the gains the channel has (when they
// are within bounds), and the predicted response is exactly the measurement
// less the channel's curve now plus its curve with the fitted gains, as the
// graph will compute it.
TEST(EqFit, RandomChannelsPredictWhatTheGraphWillDraw)
{
    std::mt19937 rng(20260517);
    const auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    const auto integer = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int nRun = 0; nRun < 40; ++nRun) {
        SCOPED_TRACE(nRun);
        CEQ eq;
        eq.Create(0, EQ_ELEMENTS);
        eq.SetDefaultFrequencies(integer(0, 1));
        FitSettings settings;
        settings.nSmoothing = SMOOTHING_CHOICES[integer(0, 5)];
        settings.dMaxBoostDb = integer(0, 80) * 0.25;
        settings.dMaxCutDb = integer(0, 80) * 0.25;
        settings.target.eKind = integer(0, 1) ? TargetKind::Tilt : TargetKind::Flat;
        settings.target.dTiltDbPerOctave = uniform(-2, 2);
        int nLow = 0, nHigh = 0;
        ASSERT_TRUE(FitGainBounds(settings, nLow, nHigh));
        FitBands bands;
        for (int b = 0; b < EQ_BANDS; ++b) {
            CFilter& band = eq.GetAt(b);
            const int nQ = integer(0, 59);
            const int nGain = integer(0, 3) == 0 ? integer(0, 400) : 200;
            band.SetQIndex(nQ);
            band.SetGainIndex(nGain);
            bands[b] = {band.GetFrequency(), nQ, nGain, integer(0, 9) != 0};
        }
        eq.GetAt(EQ_HIGH_PASS).SetFrequency(integer(20, 200));
        eq.SumCurve();

        synthetic::Speaker s;
        s.dHighPassHz = uniform(25, 120);
        for (int k = 0; k < 5; ++k)
            s.aMode.push_back({uniform(30, 5000), uniform(-12, 12), uniform(1, 8)});
        s.dNoiseDb = uniform(0, 3);
        s.nSeed = static_cast<std::uint32_t>(nRun);
        const MeasurementData data = synthetic::LogSweep(s, uniform(10, 300), uniform(2000, 30000), integer(6, 96));

        FitRequest request;
        request.settings = settings;
        request.smoothed = MeasurementOnGrid(data, settings.nSmoothing);
        request.predicted = request.smoothed;  // measured through the channel as it is
        request.guide = MeasurementOnGrid(data, BOOST_GUIDE_SMOOTHING);
        request.dSpanLowHz = data.GetLowHz();
        request.dSpanHighHz = data.GetHighHz();
        request.aBand = bands;
        request.dCornerLowHz = eq.GetAt(EQ_HIGH_PASS).GetFrequency();
        const FitOutcome outcome = FitEq(request);
        ASSERT_TRUE(outcome.bOk) << outcome.strError;
        ASSERT_TRUE(std::isfinite(outcome.dRmsAfter));

        double adBefore[GRID_POINTS];
        std::copy(std::begin(eq.m_dSum), std::end(eq.m_dSum), adBefore);
        for (int b = 0; b < EQ_BANDS; ++b) {
            if (outcome.anLowIndex[b] != outcome.anHighIndex[b]) {
                EXPECT_GE(outcome.anGain[b], nLow);
                EXPECT_LE(outcome.anGain[b], nHigh);
            } else {
                EXPECT_EQ(outcome.anGain[b], bands[b].nGainIndex);
            }
            eq.GetAt(b).SetGainIndex(outcome.anGain[b]);
        }
        eq.SumCurve();
        for (int i = 0; i < GRID_POINTS; ++i) {
            ASSERT_EQ(outcome.after.abValid[i], request.predicted.abValid[i]);
            if (outcome.after.abValid[i]) {
                ASSERT_NEAR(outcome.after.adLevel[i], request.predicted.adLevel[i] - adBefore[i] + eq.m_dSum[i], 1e-9)
                    << i;
            }
        }
    }
}
