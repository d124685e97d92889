// A check measurement held against the prediction: the rms difference over
// the fit's range, worked out from the curves' formulas on the grid.
#include <gtest/gtest.h>

#include <cmath>

#include "MeasurementCheck.h"

TEST(MeasurementCheck, RmsAgainstThePredictionOverTheFitsRangeOnly)
{
    // Measured flat at 80 dB; the channel has since gained 2 dB everywhere.
    MeasurementData flat;
    flat.adFreq = {20.0, 1000.0, 20000.0};
    flat.adLevel = {80.0, 80.0, 80.0};
    double adSumAtLoad[GRID_POINTS] = {}, adSumNow[GRID_POINTS];
    for (double& d : adSumNow)
        d = 2.0;
    CChannelMeasurement measurement;
    FitSettings settings;
    settings.nSmoothing = SMOOTHING_NONE;
    settings.dLowHz = 100.0;
    settings.dHighHz = 10000.0;
    measurement.SetSettings(settings);
    measurement.Load(flat, "m", adSumAtLoad);

    // The check tilts by a dB per octave about 1 kHz, straight on a log
    // axis as the rows are joined; its span is all or a part of the range.
    for (const double dCheckLowHz : {20.0, 1000.0}) {
        MeasurementData check;
        check.adFreq = {dCheckLowHz, 1000.0, 20000.0};
        for (const double f : check.adFreq)
            check.adLevel.push_back(82.0 + std::log2(f / 1000.0));
        double dSum = 0.0;
        int n = 0;
        for (const double f : g_dFreqGrid) {
            if (f >= std::max(100.0, dCheckLowHz) && f <= 10000.0) {
                dSum += std::log2(f / 1000.0) * std::log2(f / 1000.0);
                ++n;
            }
        }
        const MeasurementCheck result = CheckMeasurement(measurement, check, adSumNow, 20.0, 20000.0);
        ASSERT_TRUE(result.bOk) << result.strError;
        EXPECT_NEAR(result.dRmsDb, std::sqrt(dSum / n), 1e-9) << dCheckLowHz;
        EXPECT_NEAR(result.predicted.adLevel[NearestGridIndex(1000.0)], 82.0, 1e-9);
    }

    // A check that misses the range gives no figure.
    MeasurementData high;
    high.adFreq = {12000.0, 20000.0};
    high.adLevel = {82.0, 82.0};
    const MeasurementCheck missed = CheckMeasurement(measurement, high, adSumNow, 20.0, 20000.0);
    EXPECT_FALSE(missed.bOk);
    EXPECT_FALSE(missed.strError.empty());
}
