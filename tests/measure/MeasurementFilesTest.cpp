// What a measurement reads and writes: the microphone's calibration taken
// out, the export read back by our own reader, the impulse response's WAV.
#include <gtest/gtest.h>

#include <cmath>

#include "MeasurementExport.h"
#include "MeasurementReader.h"
#include "MicCalibration.h"

namespace {
MeasuredResponse Flat(const std::vector<double>& adFreq, double dDb, double dDegrees)
{
    MeasuredResponse r;
    r.adFreq = adFreq;
    r.adLevel.assign(adFreq.size(), dDb);
    r.adPhase.assign(adFreq.size(), dDegrees);
    return r;
}
}  // namespace

TEST(MicCalibration, IsTakenOutBetweenAndBeyondItsRowsAndBadFilesAreRefused)
{
    // 20 -> 80 Hz is two octaves: 40 Hz lies halfway on a log axis. The phase
    // wraps between 1 and 4 kHz and is unwrapped before it is interpolated.
    const std::string file =
        "\"Sens Factor =-.7dB, AGain =0dB, SERNO: 7001234\"\n20 2.0 10\n80 -2.0 30\n1000 0 170\n4000 1 -170\n";
    MicCalibration cal;
    std::string error;
    ASSERT_TRUE(ParseMicCalibration(file, "mic.txt", cal, error)) << error;
    EXPECT_TRUE(cal.bSensitivity);
    EXPECT_DOUBLE_EQ(cal.dSensitivityDb, -0.7);
    MeasuredResponse r = Flat({10, 40, 80, 2000, 20000}, 5, 0);
    ApplyMicCalibration(cal, r);
    const double expectDb[] = {3, 5, 7, 4.5, 4}, expectDegrees[] = {-10, -20, -30, 180, 170};
    for (std::size_t k = 0; k < r.adFreq.size(); ++k) {
        EXPECT_NEAR(r.adLevel[k], expectDb[k], 1e-9) << r.adFreq[k];
        EXPECT_NEAR(std::fabs(std::remainder(r.adPhase[k] - expectDegrees[k], 360)), 0, 1e-9) << r.adFreq[k];
    }

    MicCalibration kept = cal;
    const std::pair<std::string, std::string> bad[] = {
        {"Sens Factor =loud\n20 1\n30 2\n", "mic.txt: line 1: Sens Factor 'loud' is not a number of dB"},
        {"Sens Factor =-1dB\n", "mic.txt: no rows of frequency and level"},
        {"20 1\n30 x\n", "mic.txt: line 2: level 'x' is not a number"},
    };
    for (const auto& [text, why] : bad) {
        EXPECT_FALSE(ParseMicCalibration(text, "mic.txt", kept, error)) << text;
        EXPECT_EQ(error, why);
        EXPECT_EQ(kept.rows.adFreq, cal.rows.adFreq);
    }
}

TEST(MeasurementExport, IsReadBackByTheReaderAndTheWavHeaderIsFloat)
{
    MeasuredResponse r = Flat({10, 1000.123456, 24000}, 0, 0);
    r.adLevel = {-3.14159, 0.5, -60.25};
    r.adPhase = {179.9991, -45.5, 0.001};
    r.nRepeats = 4;
    r.dSignalToNoiseDb = 61.23;
    MeasurementHeader h;
    h.tWhen = 86400 * 365;  // 1971-01-01
    h.nChannel = 2;
    h.strPreset = "Main\n100 5 0";  // a line break in a name must not make a row
    h.strOutput = "varden-sim-in";
    h.strInput = "varden-sim-mic:1";
    const std::string text = FormatMeasurementExport(r, SweepSettings{}, h);
    EXPECT_NE(text.find("* Date: 1971-01-01 00:00:00 UTC\n"), std::string::npos) << text;
    EXPECT_NE(text.find("* Signal-to-noise: 61.2 dB\n"), std::string::npos) << text;
    EXPECT_NE(text.find("only within one run"), std::string::npos) << text;
    MeasurementData data;
    std::string error;
    ASSERT_TRUE(ParseMeasurement(text, "out.txt", data, error)) << error << text;
    ASSERT_EQ(data.adFreq.size(), 3u);
    ASSERT_TRUE(data.HasPhase());
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(data.adFreq[k], r.adFreq[k], 1e-4);
        EXPECT_NEAR(data.adLevel[k], r.adLevel[k], 1e-4);
        EXPECT_NEAR(data.adPhase[k], r.adPhase[k], 1e-3);
    }

    const std::string wav = FormatFloatWav({1.0f, -0.5f}, 48000);
    const std::string expected(
        "RIFF\x3a\0\0\0WAVEfmt \x12\0\0\0\x03\0\x01\0\x80\xbb\0\0\0\xee\x02\0\x04\0\x20\0\0\0"
        "fact\x04\0\0\0\x02\0\0\0data\x08\0\0\0\0\0\x80\x3f\0\0\0\xbf",
        66);
    EXPECT_EQ(wav, expected);
}
