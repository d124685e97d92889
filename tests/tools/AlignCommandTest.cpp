// vardenctl align, run in-process on a two-way preset and its drivers
// measured with phase, in the text forms measurement programs write.
#include <regex>

#include "PresetAlignChannels.h"
#include "PresetIo.h"
#include "SyntheticDrivers.h"
#include "VardenctlRun.h"

namespace {
class AlignCommandTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        // Channel 1 the woofer, channel 2 the tweeter, Linkwitz-Riley 24 at
        // 2 kHz; channel 3 with values of its own; channel 4 a second woofer.
        CTALVRoute route;
        ApplyChannelSetting(synthetic::WooferSetting(), route.GetChannel(0));
        ApplyChannelSetting(synthetic::TweeterSetting(), route.GetChannel(1));
        ApplyChannelSetting(synthetic::WooferSetting(), route.GetChannel(3));
        route.GetChannel(2).SetDelay(480);
        route.GetChannel(2).SetChannelGain(570);
        route.SetName("2WAY");
        in = SavePreset("in.dia", route);
        WriteText(woofer = Path("woofer.frd"),
                  synthetic::FrdText(synthetic::Measure(synthetic::Woofer(), synthetic::WooferSetting())));
        WriteText(woofer2 = Path("woofer2.frd"),
                  synthetic::FrdText(synthetic::Measure(synthetic::Woofer(), synthetic::WooferSetting())));
        WriteText(tweeter = Path("tweeter.txt"),
                  synthetic::RewText(synthetic::Measure(synthetic::Tweeter(), synthetic::TweeterSetting())));
        WriteText(plain = Path("plain.txt"), "* no phase\n20 80\n20000 80\n");
    }

    PresetData Read(const std::string& path)
    {
        PresetData data;
        std::string error;
        EXPECT_EQ(ReadPreset(path, data, error), PresetFault::None) << error;
        return data;
    }

    std::string in, woofer, woofer2, tweeter, plain;
};
}  // namespace

TEST_F(AlignCommandTest, AlignsChangingOnlyTheChannelSectionsAndRefusesWhatCannotBeAligned)
{
    const std::string out = Path("out.json");
    const Result r = Ctl({"align", in, "--measurement", "1=" + woofer, "--measurement=2=" + tweeter, out});
    ASSERT_EQ(r.code, EXIT_OK) << r.err;
    const std::regex report(
        "channel 1: delay 0\\.00 ms \\(0 samples\\), polarity normal, gain 0\\.0 dB\n"
        "channel 2: delay 0\\.3[0-9] ms \\(1[4-8] samples\\), polarity normal, gain \u2212[23]\\.[0-9] dB\n"
        "flatness before ([0-9.]+) dB, after ([0-9.]+) dB \\(rms about its mean over "
        "1414\u20132828 Hz\\); deepest notch before \u2212[0-9.]+ dB at 1\\.[0-9] kHz, after "
        "(\u2212)?[0-9.]+ dB\nWrote .*out\\.json\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(r.out, match, report)) << r.out;
    EXPECT_GT(std::stod(match[1]), 2.0);
    EXPECT_LT(std::stod(match[2]), 0.1);
    // Only channel 2's gain and delay differ from IN.
    PresetData expected = Read(in);
    const PresetData after = Read(out);
    expected.aChannel[1].nGain = after.aChannel[1].nGain;
    expected.aChannel[1].nDelay = after.aChannel[1].nDelay;
    EXPECT_EQ(after.aChannel, expected.aChannel);
    EXPECT_EQ(after.strName, "2WAY");
    // With the crossovers free over a range of its own, the others still stay.
    const Result moved = Ctl({"align", in, "--measurement", "2=" + tweeter, "--measurement", "1=" + woofer,
                              "--crossover", "--range", "700-6000", Path("moved.dia")});
    ASSERT_EQ(moved.code, EXIT_OK) << moved.err;
    EXPECT_NE(moved.out.find("over 700\u20136000 Hz"), std::string::npos) << moved.out;
    EXPECT_EQ(Read(Path("moved.dia")).aChannel[2], expected.aChannel[2]);

    // Channels 2 and 3 linked: channel 2's measurement stands for both, and
    // what is set on it goes to channel 3 too. OUT's name prints escaped.
    const Result linked = Ctl({"align", in, "--measurement", "1=" + woofer, "--measurement", "2=" + tweeter, "--links",
                               "1,2,2,4", Path("linked\x1b.dia")});
    ASSERT_EQ(linked.code, EXIT_OK) << linked.err;
    EXPECT_TRUE(linked.out.ends_with("\nWrote " + Path("linked\\x1B.dia") + "\n")) << linked.out;
    const PresetData both = Read(Path("linked\x1b.dia"));
    EXPECT_EQ(both.aChannel[1].nDelay, after.aChannel[1].nDelay);
    EXPECT_EQ(both.aChannel[2].nDelay, after.aChannel[1].nDelay);
    EXPECT_EQ(both.aChannel[2].nGain, after.aChannel[1].nGain);
    EXPECT_NE(linked.out.find("\nchannel 3 (linked with 2, whose measurement stands for it): delay 0.3"),
              std::string::npos)
        << linked.out;

    // Refused, with the reason, and nothing written.
    const std::string none = Path("none.dia");
    const struct {
        std::vector<std::string> args;
        int nCode;
        std::string strError;
    } refusals[] = {
        {{"--measurement", "1=" + woofer, "--measurement", "2=" + plain},
         EXIT_IO,
         plain + ": the file holds no phase; aligning channels needs a measurement with phase"},
        {{"--measurement", "1=" + woofer, "--measurement", "2=" + tweeter, "--links", "1,1,3,4"},
         EXIT_USAGE,
         "channels 1 and 2 are linked (Linking) and align as one; choose a channel that is not linked with them too"},
        {{"--measurement", "1=" + woofer, "--measurement", "2=" + woofer},
         EXIT_USAGE,
         "channels 1 and 2 are given the same file, " + woofer},
        {{"--measurement", "1=" + woofer, "--measurement", "4=" + woofer2},
         EXIT_IO,
         "channels 1 and 4 have no crossover between them to align about; give the range to align over (--range "
         "LO-HI)"},
        {{"--measurement", "1=" + woofer, "--measurement", "5=" + tweeter},
         EXIT_USAGE,
         "--measurement 5=" + tweeter + ": the preset has channels 1 to 4, no channel 5"},
        {{"--measurement", "1=" + woofer}, EXIT_USAGE, "align takes two to four channels"},
    };
    for (const auto& refusal : refusals) {
        std::vector<std::string> args{"align", in};
        args.insert(args.end(), refusal.args.begin(), refusal.args.end());
        args.push_back(none);
        const Result refused = Ctl(args);
        EXPECT_EQ(refused.code, refusal.nCode) << refused.err;
        EXPECT_EQ(refused.err.rfind("vardenctl align: " + refusal.strError, 0), 0u) << refused.err;
        EXPECT_FALSE(std::filesystem::exists(none));
    }
}

// --measurement K=FILE at the edges of what it takes: channels 1 to 4, each
// once, a file behind the sign; anything else refused before a file is read.
TEST_F(AlignCommandTest, MeasurementOptionsOutsideTheChannelsAreRefusedInWords)
{
    const std::string none = Path("none.dia");
    const struct {
        std::string strFirst;
        std::string strError;
    } refusals[] = {
        {"0=" + woofer, "--measurement 0=" + woofer + ": the preset has channels 1 to 4, no channel 0"},
        {"-1=" + woofer, "--measurement -1=" + woofer + ": the preset has channels 1 to 4, no channel -1"},
        {"5=" + woofer, "--measurement 5=" + woofer + ": the preset has channels 1 to 4, no channel 5"},
        {"2=" + woofer, "channel 2 is measured twice"},
        {"1=", "--measurement takes K=FILE, a channel and its measurement, not '1='"},
        {"=" + woofer, "--measurement takes K=FILE, a channel and its measurement, not '=" + woofer + "'"},
        {"x=" + woofer, "--measurement takes K=FILE, a channel and its measurement, not 'x=" + woofer + "'"},
        {woofer, "--measurement takes K=FILE, a channel and its measurement, not '" + woofer + "'"},
    };
    for (const auto& refusal : refusals) {
        const Result r = Ctl({"align", in, "--measurement", refusal.strFirst, "--measurement", "2=" + tweeter, none});
        EXPECT_EQ(r.code, EXIT_USAGE) << refusal.strFirst << ": " << r.err;
        EXPECT_EQ(r.err.rfind("vardenctl align: " + refusal.strError, 0), 0u) << r.err;
        EXPECT_FALSE(std::filesystem::exists(none));
    }
    // Channels 3 and 4 are channels too.
    const Result r = Ctl(
        {"align", in, "--measurement", "4=" + woofer, "--measurement", "3=" + tweeter, "--range", "1000-4000", none});
    EXPECT_EQ(r.code, EXIT_OK) << r.err;
}
