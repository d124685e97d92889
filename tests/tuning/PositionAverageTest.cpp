// Microphone positions averaged: the mean in dB, or the mean of power, with
// the answers worked out by hand (80 and 90 dB are 1e8 and 1e9 in power,
// their mean 5.5e8, which is 87.40 dB).
#include <gtest/gtest.h>

#include <vector>

#include "ChannelMeasurement.h"

TEST(PositionAverage, MeanOfDbOrOfPowerWhereEveryPositionIsMeasured)
{
    const struct {
        std::vector<double> adLevel;
        double dMeanDb, dMeanPower;
    } cases[] = {
        {{80.0, 90.0}, 85.0, 87.403627},   {{70.0, 76.0, 82.0}, 76.0, 78.415681},  {{-10.0, -20.0}, -15.0, -12.596373},
        {{0.0, -100.0}, -50.0, -3.010300}, {{80.0, 80.0, 80.0, 80.0}, 80.0, 80.0}, {{61.5}, 61.5, 61.5},
    };
    for (const auto& c : cases) {
        std::vector<GridLevels> positions(c.adLevel.size());
        for (std::size_t p = 0; p < positions.size(); ++p) {
            for (int i = 0; i < GRID_POINTS; ++i) {
                positions[p].adLevel[i] = c.adLevel[p];
                // Each position but the first misses a point of its own.
                positions[p].abValid[i] = p == 0 || i != static_cast<int>(p) * 10;
            }
        }
        for (const Averaging eAveraging : {Averaging::MeanDb, Averaging::MeanPower}) {
            const GridLevels average = AveragePositions(positions, eAveraging);
            for (int i = 0; i < GRID_POINTS; ++i) {
                const bool bMissed = i > 0 && i % 10 == 0 && i / 10 < static_cast<int>(positions.size());
                ASSERT_EQ(average.abValid[i], !bMissed) << i;
                if (!bMissed) {
                    ASSERT_NEAR(average.adLevel[i], eAveraging == Averaging::MeanDb ? c.dMeanDb : c.dMeanPower, 1e-5)
                        << c.adLevel.front() << " and more, point " << i;
                }
            }
        }
    }
    EXPECT_FALSE(AveragePositions({}, Averaging::MeanPower).abValid[100]);

    // Through a channel's measurement: two flat positions, averaged as power,
    // over the span both cover, with their spread and the prediction.
    const auto flat = [](double dLowHz, double dLevel) {
        MeasurementData data;
        data.adFreq = {dLowHz, 1000.0, 20000.0};
        data.adLevel = {dLevel, dLevel, dLevel};
        return MeasurementPosition{data, "m"};
    };
    double adSum[GRID_POINTS] = {}, adSumNow[GRID_POINTS];
    for (double& d : adSumNow)
        d = 2.0;
    CChannelMeasurement measurement;
    FitSettings settings;
    settings.eAveraging = Averaging::MeanPower;
    measurement.SetSettings(settings);
    std::string strError;
    ASSERT_TRUE(measurement.Load({flat(20.0, 80.0), flat(100.0, 90.0)}, adSum, strError)) << strError;
    EXPECT_EQ(measurement.GetLowHz(), 100.0);
    EXPECT_EQ(measurement.GetHighHz(), 20000.0);
    const GridLevels predicted = measurement.Predicted(adSumNow);
    for (int i = 0; i < GRID_POINTS; ++i) {
        ASSERT_EQ(measurement.GetSmoothed().abValid[i], g_dFreqGrid[i] >= 100.0) << i;
        if (g_dFreqGrid[i] < 100.0)
            continue;
        EXPECT_NEAR(measurement.GetSmoothed().adLevel[i], 87.403627, 1e-5) << i;
        EXPECT_NEAR(measurement.GetLowest().adLevel[i], 80.0, 1e-9) << i;
        EXPECT_NEAR(measurement.GetHighest().adLevel[i], 90.0, 1e-9) << i;
        EXPECT_NEAR(predicted.adLevel[i], 89.403627, 1e-5) << i;
    }
    // Positions that share no point of the grid are refused, and the
    // measurement stays as it was.
    MeasurementPosition low = flat(20.0, 80.0);
    low.data.adFreq = {20.0, 50.0, 60.0};
    EXPECT_FALSE(measurement.Load({low, flat(100.0, 90.0)}, adSum, strError));
    EXPECT_EQ(strError.rfind("the measurements share no point of the graph's grid:", 0), 0u) << strError;
    EXPECT_EQ(measurement.GetLowHz(), 100.0);
    settings.eAveraging = Averaging::MeanDb;
    measurement.SetSettings(settings);
    EXPECT_NEAR(measurement.GetSmoothed().adLevel[200], 85.0, 1e-9);
}
