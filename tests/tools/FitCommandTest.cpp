// vardenctl fit and curve --measurement, run in-process on presets and on
// measurement exports made up by the tests.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "PresetFile.h"
#include "PresetIo.h"
#include "SyntheticSpeaker.h"
#include "TALVRoute.h"
#include "VardenctlRun.h"

namespace fs = std::filesystem;

namespace {
class FitCommandTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        // Channel 2 (index 1) is a woofer: 40 Hz to 16 kHz, third-octave bands,
        // one band already at +3 dB. The others carry values of their own.
        CTALVRoute route;
        for (int k = 0; k < NUM_CHANNELS; ++k)
            for (int b = 0; b < NUM_BANDS; ++b)
                route.GetChannel(k).SetQ(static_cast<short>(28 + k), b);
        route.GetChannel(1).SetGain(230, 5);
        route.GetChannel(1).SetHpfFreq(40);
        route.GetChannel(1).SetLpfFreq(16000);
        route.GetChannel(0).SetGain(150, 12);
        route.GetChannel(3).SetDelay(480);
        route.SetName("ROOM");
        in = SavePreset("in.dia", route);

        synthetic::Speaker s;
        s.aMode = {{48, 8, 5}, {96, -7, 5}, {190, 5, 4}, {900, -3, 2}};
        WriteText(measurement = Path("left.txt"), synthetic::ExportText(synthetic::LogSweep(s, 30, 15000, 48)));
    }

    PresetData Read(const std::string& path)
    {
        PresetData data;
        std::string error;
        EXPECT_EQ(ReadPreset(path, data, error), PresetFault::None) << error;
        return data;
    }

    std::string in, measurement;
};

// Rows of comma-separated numbers; an empty field is NaN.
std::vector<std::vector<double>> Rows(const std::string& text)
{
    std::vector<std::vector<double>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<double> row;
        std::string::size_type at = 0;
        while (true) {
            const auto comma = line.find(',', at);
            const std::string cell = line.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
            row.push_back(cell.empty() ? NAN : std::stod(cell));
            if (comma == std::string::npos)
                break;
            at = comma + 1;
        }
        rows.push_back(row);
    }
    return rows;
}
}  // namespace

TEST_F(FitCommandTest, FitChangesOnlyChannelKsGainsAndSaysHowWell)
{
    const std::string out = Path("out.json");
    const Result r = Ctl({"fit", in, "--channel", "2", "--measurement", measurement, out});
    ASSERT_EQ(r.code, EXIT_OK) << r.err;
    double dBefore = 0, dAfter = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "channel 2: rms error before %lf dB, after %lf dB", &dBefore, &dAfter), 2)
        << r.out;
    EXPECT_LT(dAfter, dBefore / 3);
    EXPECT_NE(r.out.find(" over 40\u201314922.7 Hz\n"), std::string::npos)
        << r.out;  // the crossover, clipped to the span
    EXPECT_NE(r.out.find("band  6     63 Hz"), std::string::npos);
    EXPECT_NE(r.out.find("Wrote " + out), std::string::npos);

    const PresetData before = Read(in);
    const PresetData after = Read(out);
    EXPECT_EQ(after.strName, before.strName);
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        ChannelRecord expected = before.aChannel[k];
        if (k == 1) {
            int nChanged = 0;
            for (int b = 0; b < NUM_BANDS; ++b) {
                const int g = after.aChannel[k].aBand[b].nGain;
                EXPECT_GE(g, 80);   // 12 dB of cut
                EXPECT_LE(g, 260);  // 6 dB of boost
                nChanged += g != expected.aBand[b].nGain;
                expected.aBand[b].nGain = after.aChannel[k].aBand[b].nGain;
            }
            EXPECT_GT(nChanged, 10);
        }
        EXPECT_EQ(after.aChannel[k], expected) << "channel " << k + 1;
    }

    // Every option, over the input itself; then a target file.
    const Result narrow = Ctl({"fit", in, "--channel", "2", "--measurement", measurement, "--range", "100-5000",
                               "--max-boost", "3", "--max-cut", "6", "--smooth", "12", "--tilt", "-1", in});
    ASSERT_EQ(narrow.code, EXIT_OK) << narrow.err;
    EXPECT_NE(narrow.out.find(" over 100\u20135000 Hz\n"), std::string::npos) << narrow.out;
    const PresetData narrowed = Read(in);
    for (const BandRecord& band : narrowed.aChannel[1].aBand) {
        EXPECT_GE(band.nGain, 140);
        EXPECT_LE(band.nGain, 230);
    }
    WriteText(Path("target.txt"), "# a house curve\n20 6\n200 2\n2000 0\n20000 -4\n");
    const Result target =
        Ctl({"fit", in, "--channel", "1", "--measurement", measurement, "--target", Path("target.txt"), Path("t.dia")});
    EXPECT_EQ(target.code, EXIT_OK) << target.err;
}

TEST_F(FitCommandTest, FitRefusesWhatItCannotUseAndWritesNothing)
{
    const std::string out = Path("out.dia");
    WriteText(out, "kept");
    WriteText(Path("bad.txt"), "* header\n20 80\n40 81\n30 82\n");
    const std::vector<std::string> base = {"fit", in, "--channel", "2", "--measurement"};
    const auto fit = [&](const std::string& strMeasurement, std::vector<std::string> extra) {
        std::vector<std::string> args = base;
        args.push_back(strMeasurement);
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(out);
        return Ctl(args);
    };

    const Result bad = fit(Path("bad.txt"), {});
    EXPECT_EQ(bad.code, EXIT_IO);
    EXPECT_EQ(bad.err,
              "vardenctl fit: " + Path("bad.txt: line 4: frequency 30 Hz does not rise above 40 Hz of line 3\n"));
    EXPECT_EQ(fit(Path("missing.txt"), {}).code, EXIT_IO);
    EXPECT_EQ(fit(measurement, {"--target", Path("bad.txt")}).code, EXIT_IO);
    const Result outside = fit(measurement, {"--range", "16000-20000"});
    EXPECT_EQ(outside.code, EXIT_IO);
    EXPECT_NE(outside.err.find("does not reach into the range 16000\u201320000 Hz"), std::string::npos) << outside.err;
    for (const std::vector<std::string>& wrong :
         std::vector<std::vector<std::string>>{{"--smooth", "5"},
                                               {"--smooth", "-3"},
                                               {"--tilt", "steep"},
                                               {"--tilt", "9"},
                                               {"--tilt", "nan"},
                                               {"--range", "500-100"},
                                               {"--range", "10-1000"},
                                               {"--range", "100"},
                                               {"--range", "a-b"},
                                               {"--max-boost", "30"},
                                               {"--max-cut", "-1"},
                                               {"--max-cut", "inf"},
                                               {"--tilt", "1", "--target", Path("bad.txt")},
                                               {"--channel", "5"}}) {
        std::vector<std::string> args = {"fit", in, "--channel", "2", "--measurement", measurement};
        if (wrong[0] == "--channel")
            args = {"fit", in, "--measurement", measurement};
        args.insert(args.end(), wrong.begin(), wrong.end());
        args.push_back(out);
        EXPECT_EQ(Ctl(args).code, EXIT_USAGE) << wrong[0] << " " << wrong[1];
    }
    EXPECT_EQ(Ctl({"fit", in, "--channel", "2", "--measurement", measurement, Path("out.txt")}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"fit", in, "--channel", "2", out}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"fit", Path("none.dia"), "--channel", "2", "--measurement", measurement, out}).code, EXIT_IO);
    EXPECT_EQ(ReadText(out), "kept");
    EXPECT_FALSE(fs::exists(Path("out.txt")));
}

TEST_F(FitCommandTest, CurveWithAMeasurementAddsTheSmoothedAndPredictedResponse)
{
    const Result plain = Ctl({"curve", in, "--channel", "2", "--measurement", measurement});
    ASSERT_EQ(plain.code, EXIT_OK) << plain.err;
    const auto rows = Rows(plain.out);
    ASSERT_EQ(rows.size(), 241u);
    for (const auto& row : rows) {
        ASSERT_EQ(row.size(), 4u);
        const bool bMeasured = row[0] >= 30 && row[0] <= 14922.7;
        EXPECT_EQ(!std::isnan(row[2]), bMeasured) << row[0];
        if (bMeasured) {
            EXPECT_EQ(row[3], row[2]);  // measured with FILE: nothing changes
        }
    }

    // Measured with a flat channel, FILE's response comes on top.
    CTALVRoute flat;
    std::string error;
    ASSERT_TRUE(SavePresetFile(Path("flat.dia"), flat, error)) << error;
    const auto with = Rows(Ctl({"curve", in, "--channel", "2", "--elements", "--measurement", measurement,
                                "--measured-with", Path("flat.dia"), "--smooth", "0"})
                               .out);
    ASSERT_EQ(with.size(), 241u);
    for (const auto& row : with) {
        ASSERT_EQ(row.size(), 37u);
        if (!std::isnan(row[35])) {
            EXPECT_NEAR(row[36] - row[35], row[1], 2e-5) << row[0];
        }
    }
    EXPECT_NE(with[150][35], rows[150][2]);  // unsmoothed

    EXPECT_EQ(Ctl({"curve", in, "--channel", "2", "--smooth", "6"}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"curve", in, "--channel", "2", "--measurement", measurement, "--smooth", "7"}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"curve", in, "--channel", "2", "--measurement", Path("none.txt")}).code, EXIT_IO);

    // A reader's note names the file as a failure would: escaped.
    WriteText(Path("odd\x1b.txt"), "0 70\n20 80\n20000 80\n");
    const Result noted = Ctl({"curve", in, "--channel", "2", "--measurement", Path("odd\x1b.txt")});
    EXPECT_EQ(noted.code, EXIT_OK) << noted.err;
    EXPECT_EQ(noted.err, "vardenctl curve: " + Path("odd\\x1B.txt") +
                             ": line 1: the row at 0 Hz is left out (no level is measured at 0 Hz)\n");
}

TEST_F(FitCommandTest, SeveralPositionsAreAveragedAndNothingToFitWritesNothing)
{
    synthetic::Speaker s;
    s.aMode = {{48, 4, 5}, {110, -9, 5}, {900, -3, 2}};
    const std::string other = Path("right.txt");
    WriteText(other, synthetic::ExportText(synthetic::LogSweep(s, 30, 15000, 48), "\t"));
    const std::string out = Path("out.dia");
    const Result two = Ctl(
        {"fit", in, "--channel", "2", "--measurement", measurement, "--measurement", other, "--average", "power", out});
    ASSERT_EQ(two.code, EXIT_OK) << two.err;
    EXPECT_NE(two.out.find("\nlargest boost +"), std::string::npos) << two.out;
    EXPECT_NE(two.out.find(" bands changed\n2 measurements averaged (mean of power), widest spread "),
              std::string::npos)
        << two.out;
    const auto rows =
        Rows(Ctl({"curve", in, "--channel", "2", "--measurement", measurement, "--measurement", other}).out);
    ASSERT_EQ(rows.size(), 241u);
    EXPECT_EQ(rows[150].size(), 6u);  // average, predicted, lowest, highest
    EXPECT_LE(rows[150][4], rows[150][2]);
    EXPECT_GE(rows[150][5], rows[150][2]);

    std::vector<std::string> many = {"fit", in, "--channel", "2"};
    for (int k = 0; k < 17; ++k)
        many.insert(many.end(), {"--measurement", measurement});
    many.push_back(out);
    EXPECT_EQ(Ctl(many).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"fit", in, "--channel", "2", "--measurement", measurement, "--average", "rms", out}).code,
              EXIT_USAGE);

    // Three rows around 1 kHz: nothing to fit, nothing written, exit 1.
    fs::remove(out);
    WriteText(Path("three.txt"), "990 80\n1000 81\n1010 80.5\n");
    const Result none = Ctl({"fit", in, "--channel", "2", "--measurement", Path("three.txt"), out});
    EXPECT_EQ(none.code, EXIT_IO);
    EXPECT_EQ(none.err, "vardenctl fit: " + Path("three.txt") +
                            ": nothing to fit: only 1 point of the graph's grid in 990\u20131010 Hz\n");
    EXPECT_FALSE(fs::exists(out));
}
