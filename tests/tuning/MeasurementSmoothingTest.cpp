// A measurement onto the grid: straight between rows on a log frequency
// axis, nothing outside the measured span, and smoothing as the mean over
// the octave fraction, whatever the rows' spacing.
#include <gtest/gtest.h>

#include <cmath>

#include "MeasurementSmoothing.h"
#include "SyntheticSpeaker.h"

namespace {
// Rows every dStepOctaves (log spacing) or every dStepHz (linear spacing).
MeasurementData Rows(double dLowHz, double dHighHz, double dStepOctaves, double dStepHz, double (*pfn)(double))
{
    MeasurementData data;
    for (double f = dLowHz; f <= dHighHz * (1 + 1e-12); f = dStepHz > 0 ? f + dStepHz : f * std::exp2(dStepOctaves)) {
        data.adFreq.push_back(f);
        data.adLevel.push_back(pfn(f));
    }
    return data;
}

double Slope(double f)
{
    return 3.0 * std::log2(f / 1000.0) + 80.0;
}

// Ripple with exactly three periods to the octave.
double Ripple(double f)
{
    return 2.0 * std::sin(2.0 * M_PI * 3.0 * std::log2(f));
}
}  // namespace

TEST(MeasurementSmoothing, StraightInLogFrequencyMeanOverTheWindowNothingOutsideTheSpan)
{
    // Sparse rows on a straight line in log frequency: any grid point inside
    // the span lies on the line; with smoothing too, as long as the window
    // fits inside the span.
    const MeasurementData line = Rows(100.0, 10000.0, 1.0 / 3.0, 0.0, Slope);
    for (const int n : SMOOTHING_CHOICES) {
        const GridLevels grid = MeasurementOnGrid(line, n);
        for (int i = 0; i < GRID_POINTS; ++i) {
            const double f = g_dFreqGrid[i];
            ASSERT_EQ(grid.abValid[i], f >= 100.0 && f <= line.GetHighHz()) << f;
            const double dWindow = n > 0 ? std::exp2(0.5 / n) : 1.0;
            if (f / dWindow >= 100.0 && f * dWindow <= line.GetHighHz()) {
                EXPECT_NEAR(grid.adLevel[i], Slope(f), 1e-9) << "1/" << n << " at " << f;
            }
        }
    }

    // Three ripple periods to the octave vanish under 1/3 octave smoothing
    // and stay under 1/48; the rows' spacing makes no difference.
    const MeasurementData log = Rows(20.0, 20000.0, 1.0 / 400.0, 0.0, Ripple);
    const MeasurementData fft = Rows(0.5, 20000.0, 0.0, 0.5, Ripple);
    const GridLevels third = MeasurementOnGrid(log, 3);
    const GridLevels thirdFft = MeasurementOnGrid(fft, 3);
    const GridLevels fine = MeasurementOnGrid(log, 48);
    double dFinePeak = 0.0;
    for (int i = 40; i < 220; ++i) {
        EXPECT_NEAR(third.adLevel[i], 0.0, 0.01) << g_dFreqGrid[i];
        if (g_dFreqGrid[i] > 200.0) {  // where the FFT rows are dense enough to draw the ripple
            EXPECT_NEAR(thirdFft.adLevel[i], 0.0, 0.01) << g_dFreqGrid[i];
        }
        dFinePeak = std::max(dFinePeak, std::fabs(fine.adLevel[i]));
    }
    EXPECT_GT(dFinePeak, 1.8);

    // Noise is averaged, never amplified: a smoothed point lies within the
    // levels of the rows around it.
    synthetic::Speaker s;
    s.dNoiseDb = 3.0;
    s.dRippleDb = 0.0;
    const MeasurementData noisy = synthetic::FftBins(s, 48000.0 / 65536.0, 24000.0);
    const GridLevels smooth = MeasurementOnGrid(noisy, 6);
    const GridLevels raw = MeasurementOnGrid(noisy, SMOOTHING_NONE);
    double dRough = 0.0, dSmooth = 0.0;
    for (int i = 100; i < 230; ++i) {
        const double dClean = synthetic::LevelAt(s, g_dFreqGrid[i]);
        dRough += std::fabs(raw.adLevel[i] - dClean);
        dSmooth += std::fabs(smooth.adLevel[i] - dClean);
    }
    EXPECT_LT(dSmooth, dRough / 4);
}
