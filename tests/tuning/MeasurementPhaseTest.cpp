// Measurements with phase: the third column read, unwrapped from the ±180
// degrees exports wrap it to, and put on the grid; a file without it is
// refused for aligning, by name.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "ChannelAlignment.h"
#include "MeasurementReader.h"

TEST(MeasurementPhase, APureDelayComesBackAsThatDelayAndAFileWithoutPhaseIsRefused)
{
    // (No delay at all is a phase of 0 on every row: what an export writes
    // where it has no phase.)
    for (const int nDelay : {1, 13, 480, 960}) {
        // An FFT export at 2 Hz steps: 80 dB, phase wrapped, a coherence column.
        std::string text = "Freq(Hz) SPL(dB) Phase(degrees) Coherence\n";
        for (double f = 10.0; f <= 24000.0; f += 2.0) {
            const double dTurns = -f * DelaySeconds(nDelay);
            char buf[80];
            std::snprintf(buf, sizeof buf, "%.1f 80.0 %.5f 0.99\n", f, 360.0 * (dTurns - std::round(dTurns)));
            text += buf;
        }
        MeasurementData data;
        ComplexLevels onGrid;
        std::string error;
        ASSERT_TRUE(ParseMeasurement(text, "d.txt", data, error)) << error;
        ASSERT_TRUE(ComplexOnGrid(data, ALIGN_SMOOTHING, "d.txt", onGrid, error)) << error;
        EXPECT_NEAR(UnwrapDegrees(data.adPhase).back(), -360.0 * 24000.0 * DelaySeconds(nDelay), 1e-3);
        // What the device's delay of that many samples does.
        ChannelSetting setting;
        setting.nDelay = nDelay;
        ComplexGrid delay = UnityGrid();
        MultiplyChannelSection(setting, delay);
        for (int i = 0; i < GRID_POINTS; ++i) {
            ASSERT_TRUE(onGrid.abValid[i]) << i;
            const auto p = static_cast<std::size_t>(i);
            EXPECT_NEAR(LevelDb(onGrid.h[p]), 80.0, 1e-9) << i;
            EXPECT_NEAR(std::arg(onGrid.h[p] / delay[p]), 0.0, 1e-6) << nDelay << " samples, " << g_dFreqGrid[i];
        }
    }

    // No third column: no phase. One that stops short (missing, not a number,
    // NaN, beyond any phase) on some row: no phase, and where it stopped. One
    // whose header names something else, or one that never changes: no phase.
    const std::string strNeeds = "; aligning channels needs a measurement with phase (a third column, in degrees)";
    const std::pair<const char*, std::string> cases[] = {
        {"20 80\n1000 81\n20000 80\n", "m.txt: the file holds no phase"},
        {"20 80 10\n1000 81\n20000 80 5\n", "m.txt: line 2: no phase"},
        {"20 80 10\n1000 81 -\n20000 80 5\n", "m.txt: line 2: phase '-' is not a number"},
        {"# f spl phase\n20 80 10\n1000 81 10\n2000 81 nan\n20000 80 5\n",
         "m.txt: line 4: phase 'nan' is not a number"},
        {"20 80 1e300\n1000 81 0\n20000 80 5\n", "m.txt: line 1: phase 1e+300 degrees is beyond 10000000"},
        {"Frequency (Hz), Magnitude (dB), Group Delay (sec)\n20, 80, 0.002\n1000, 81, 0.0003\n20000, 80, 1e-05\n",
         "m.txt: the third column is 'Group Delay (sec)', not phase"},
        {"* Freq [Hz]\tOn Axis [dB]\tListening Window [dB]\n20\t80\t79.5\n1000\t81\t80.2\n20000\t80\t77\n",
         "m.txt: the third column is 'Listening Window [dB]', not phase"},
        {"* freq mag phase\n20 80 0\n1000 81 0\n20000 80 0\n", "m.txt: the phase is 0 degrees on every row"},
    };
    for (const auto& [pszText, strWhy] : cases) {
        MeasurementData data;
        ComplexLevels onGrid;
        std::string error;
        ASSERT_TRUE(ParseMeasurement(pszText, "m.txt", data, error)) << error;
        EXPECT_FALSE(data.HasPhase()) << pszText;
        EXPECT_FALSE(ComplexOnGrid(data, ALIGN_SMOOTHING, "m.txt", onGrid, error));
        EXPECT_EQ(error, strWhy + strNeeds);
    }
}
