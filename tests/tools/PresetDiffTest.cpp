// vardenctl diff: equal, slightly different and unreadable presets.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "PresetFile.h"
#include "TALVRoute.h"
#include "VardenctlRun.h"

namespace fs = std::filesystem;

namespace {
std::string Replace(std::string s, const std::string& from, const std::string& to)
{
    const auto pos = s.find(from);
    EXPECT_NE(pos, std::string::npos) << from;
    return pos == std::string::npos ? s : s.replace(pos, from.size(), to);
}

class PresetDiffTest : public CommandTest {};
}  // namespace

TEST_F(PresetDiffTest, EqualAndSlightlyDifferentPresets)
{
    CTALVRoute route;
    route.SetName("Caf\xE9");
    const std::string a = SavePreset("a.dia", route);
    // The same preset in the other form compares equal, silently.
    ASSERT_EQ(Ctl({"convert", a, Path("a.json")}).code, 0);
    Result r = Ctl({"diff", a, Path("a.json")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "");

    route.GetChannel(1).SetGain(230, 4);  // +3.0 dB
    route.GetChannel(0).SetHpfFreq(80);
    route.GetChannel(0).SetHpfSlope(3);
    route.GetChannel(3).SetDelay(24);
    route.GetChannel(2).SetPolarity(1);
    route.SetName("Cl\"b\\2");
    const std::string b = SavePreset("b.dia", route);
    r = Ctl({"diff", a, b});
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_EQ(r.out,
              "name: \"Caf\xC3\xA9\" -> \"Cl\\x22b\\x5C2\"\n"
              "channel 1 high-pass frequency: 20 Hz (off) -> 80 Hz\n"
              "channel 1 high-pass slope: 12dB/Oct -> 30dB/Oct\n"
              "channel 2 band 5 gain: 0.0 dB -> 3.0 dB\n"
              "channel 3 polarity: normal -> inverted\n"
              "channel 4 delay: 0.000 ms -> 0.500 ms\n");

    // Fields only a file keeps are compared too; values that read alike
    // show their codes.
    const std::string json = ReadText(Path("a.json"));
    std::string edited = Replace(json, "\"hpfOff\": 0", "\"hpfOff\": 1");
    edited = Replace(edited, "\"reserved\": 0", "\"reserved\": 7");
    WriteText(Path("c.json"), edited);
    WriteText(Path("d.json"), Replace(edited, "\"hpfOff\": 1", "\"hpfOff\": 2"));
    r = Ctl({"diff", Path("a.json"), Path("c.json")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "channel 1 high-pass off flag: off -> on\nchannel 1 band 1 reserved word: 0 -> 7\n");
    r = Ctl({"diff", Path("c.json"), Path("d.json")});
    EXPECT_EQ(r.out, "channel 1 high-pass off flag: on (code 1) -> on (code 2)\n");
}

TEST_F(PresetDiffTest, UnreadableInputIsTroubleNotADifference)
{
    CTALVRoute route;
    const std::string a = SavePreset("a.dia", route);
    WriteText(Path("cut.dia"), ReadText(a).substr(0, 500));
    WriteText(Path("bad.json"), "{\"name\": ");
    for (const std::string& other : {Path("missing.dia"), Path("cut.dia"), Path("bad.json"), m_dir.string()}) {
        for (const auto& args : {std::vector<std::string>{"diff", a, other}, {"diff", other, a}}) {
            const Result r = Ctl(args);
            EXPECT_EQ(r.code, 2) << other;
            EXPECT_EQ(r.out, "") << other;
            EXPECT_NE(r.err.find(other), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(Ctl({"diff", a}).code, 2);
    EXPECT_EQ(Ctl({"diff", a, Path("a.txt")}).code, 2);
}
