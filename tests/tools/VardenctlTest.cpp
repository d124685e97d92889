#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "FdOutBuf.h"
#include "LinkState.h"
#include "PresetFile.h"
#include "PresetName.h"
#include "TALVRoute.h"
#include "VardenctlRun.h"

namespace fs = std::filesystem;

namespace {
class VardenctlTest : public CommandTest {
protected:
    // A preset with non-default values everywhere it matters, and a name
    // with a character outside ASCII.
    std::string WriteSample(const std::string& name)
    {
        CTALVRoute route;
        CTALVData& ch0 = route.GetChannel(0);
        ch0.SetGain(230, 5);
        ch0.SetQ(20, 5);
        ch0.SetLpfFreq(2000);
        ch0.SetLpfSlope(2);
        ch0.SetHpfType(2);
        CTALVData& ch1 = route.GetChannel(1);
        ch1.SetOutputOn(1);
        ch1.SetPolarity(1);
        ch1.SetChannelGain(570);
        ch1.SetDelay(24);
        ch1.SetGateThreshold(25);
        route.GetChannel(3).SetDelay(960);
        route.SetName("Caf\xE9");
        return SavePreset(name, route);
    }
};
}  // namespace

TEST_F(VardenctlTest, HelpAndUsageErrors)
{
    for (const char* cmd : {"show", "convert", "frames", "demo"}) {
        const Result r = Ctl({cmd, "--help"});
        EXPECT_EQ(r.code, EXIT_OK) << cmd;
        EXPECT_NE(r.out.find("usage: vardenctl"), std::string::npos) << cmd;
    }
    EXPECT_EQ(Ctl({"--help"}).code, EXIT_OK);
    EXPECT_EQ(Ctl({}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"explode"}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"show"}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"show", "a.dia", "b.dia"}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"frames", "--fast", "a.dia"}).code, EXIT_USAGE);
    const Result ext = Ctl({"convert", "a.dia", "b.txt"});
    EXPECT_EQ(ext.code, EXIT_USAGE);
    EXPECT_NE(ext.err.find("b.txt"), std::string::npos);

    // "--" ends the options; names print escaped.
    const Result dash = Ctl({"demo", "--", Path("-x\n.dia")});
    EXPECT_EQ(dash.code, EXIT_OK) << dash.err;
    EXPECT_EQ(dash.out, "Wrote " + Path("-x\\x0A.dia") + "\n");

    const Result version = Ctl({"--version"});
    EXPECT_EQ(version.code, EXIT_OK);
    EXPECT_EQ(version.out.rfind("vardenctl ", 0), 0u) << version.out;
    // An empty value is no value; a flag takes none.
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"names", "--port", ""},
                                               {"names", "--port="},
                                               {"read", "--port=p", "--slot=", "x.dia"},
                                               {"write", "--port=p", "--slot=1", "x.dia", "--verify=yes"},
                                               {"write", "--port=p", "--slot=1", "x.dia", "--name="}}) {
        const Result r = Ctl(args);
        EXPECT_EQ(r.code, EXIT_USAGE) << args[1];
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << r.err;
    }
}

// measure's arguments are checked before any sound server or device is
// touched: each wrong one is named.
TEST_F(VardenctlTest, MeasureRefusesWrongArgumentsFirst)
{
    const std::vector<std::array<std::string, 3>> cases = {
        {"--channel", "5", "--channel takes a channel from 1 to 4, not '5'"},
        {"--level", "-2", "the level must be between -120 and -3 dBFS"},
        {"--level", "loud", "--level takes dBFS, not 'loud'"},
        {"--sweep", "0.1", "the sweep must last 0.25 to 60 seconds"},
        {"--repeat", "17", "--repeat takes 1 to 16 sweeps, not '17'"},
        {"--output", "card:0", "--output takes a node's name and perhaps :N"},
        {"--reference", "other:2", "--reference takes a channel of the input's source, card:N, not 'other:2'"},
        {"--reference", "card:1", "--reference and --input name the same channel"},
        {"--calibration", Path("none.txt"), Path("none.txt")},
    };
    for (const auto& [option, value, message] : cases) {
        std::map<std::string, std::string> options = {
            {"--port", "p"}, {"--channel", "1"}, {"--output", "out"}, {"--input", "card"}};
        options[option] = value;
        std::vector<std::string> args = {"measure", Path("m.txt")};
        for (const auto& [o, v] : options)
            args.insert(args.end(), {o, v});
        const Result r = Ctl(args);
        EXPECT_EQ(r.code, option == "--calibration" ? EXIT_IO : EXIT_USAGE) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
}

TEST_F(VardenctlTest, ConvertRoundTripsFilesTheProgramWrites)
{
    const std::string dia = WriteSample("sample.dia");
    const std::string json = Path("sample.json");
    const std::string back = Path("back.dia");
    ASSERT_EQ(Ctl({"convert", dia, json}).code, EXIT_OK);
    ASSERT_EQ(Ctl({"convert", json, back}).code, EXIT_OK);
    EXPECT_EQ(ReadText(back), ReadText(dia));

    const std::string text = ReadText(json);
    EXPECT_NE(text.find("\"name\": \"Caf\xC3\xA9\""), std::string::npos);  // Windows-1252 as UTF-8
    EXPECT_NE(text.find("\"gate\": 55"), std::string::npos);
    EXPECT_NE(text.find("\"reserved\": 0"), std::string::npos);

    // The demo preset survives the trip too.
    const std::string demo = Path("demo.dia");
    ASSERT_EQ(Ctl({"demo", demo}).code, EXIT_OK);
    ASSERT_EQ(Ctl({"convert", demo, Path("demo.json")}).code, EXIT_OK);
    ASSERT_EQ(Ctl({"convert", Path("demo.json"), Path("demo2.dia")}).code, EXIT_OK);
    EXPECT_EQ(ReadText(Path("demo2.dia")), ReadText(demo));
}

TEST_F(VardenctlTest, BadJsonNamesTheFieldAndWritesNothing)
{
    const std::string dia = WriteSample("sample.dia");
    const std::string json = Path("sample.json");
    ASSERT_EQ(Ctl({"convert", dia, json}).code, EXIT_OK);
    const std::string good = ReadText(json);

    auto replaceOnce = [&](const std::string& from, const std::string& to) {
        std::string s = good;
        const auto pos = s.find(from);
        EXPECT_NE(pos, std::string::npos) << from;
        return s.replace(pos, from.size(), to);
    };
    struct Case {
        std::string text;
        std::string field;
    };
    const Case cases[] = {
        {good.substr(0, good.size() / 2), "not valid JSON"},
        {replaceOnce("\"gate\": 40,", ""), "channels[0].gate: missing"},
        {replaceOnce("\"gain\": 570", "\"gain\": 70000"), "channels[1].gain: 70000 is outside 0..800"},
        {replaceOnce("\"abFlag\": 1", "\"abFlag\": 9999999999"), "channels[0].abFlag"},
        {replaceOnce("\"type\": 2", "\"type\": 3"), "channels[0].hpf.type: 3 is outside 0..2"},
        {replaceOnce("\"q\": 20", "\"q\": 60"), "channels[0].bands[5].q"},
        {replaceOnce("\"reserved\": 0", "\"reserved\": 40000"), "channels[0].bands[0].reserved"},
        {replaceOnce("\"delay\": 24", "\"delay\": 2.5"), "channels[1].delay: expected a whole number"},
        // Numbers no double holds are refused by the parser itself.
        {replaceOnce("\"gain\": 570", "\"gain\": 1e400"), "in channels[1].gain: number overflow"},
        {replaceOnce("\"q\": 20", "\"q\": -2E+999"), "in channels[0].bands[5].q: number overflow"},
        {replaceOnce("\"name\": \"Caf\xC3\xA9\"", "\"name\": 5"), "name: expected a string"},
        {"[" + good + "]", "top level: expected an object"},
        // Two equal keys: which one was meant is not guessed.
        {replaceOnce("\"gain\": 570", "\"gain\": 570, \"gain\": 571"), "channels[1].gain: given twice"},
        {replaceOnce("\"q\": 20", "\"q\": 20, \"q\": 20"), "channels[0].bands[5].q: given twice"},
    };
    const std::string out = Path("out.dia");
    WriteText(out, "old contents");
    for (const Case& c : cases) {
        WriteText(Path("bad.json"), c.text);
        const Result r = Ctl({"convert", Path("bad.json"), out});
        EXPECT_EQ(r.code, EXIT_IO) << c.field;
        EXPECT_NE(r.err.find("bad.json"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.field), std::string::npos) << r.err;
        EXPECT_EQ(ReadText(out), "old contents");
    }
    // No channels list at all, or the wrong number of channels.
    WriteText(Path("bad.json"), "{\"name\": \"x\", \"channels\": []}");
    EXPECT_NE(Ctl({"convert", Path("bad.json"), out}).err.find("channels: expected a list of 4"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("never.dia")));
    EXPECT_EQ(Ctl({"convert", Path("bad.json"), Path("never.dia")}).code, EXIT_IO);
    EXPECT_FALSE(fs::exists(Path("never.dia")));
}

// A file is a preset only when it is exactly one, with every value in the
// device's ranges; what is wrong is said in words, and nothing is written.
TEST_F(VardenctlTest, FilesThatAreNotExactlyOnePresetAreRefusedInWords)
{
    const std::string good = ReadText(WriteSample("sample.dia"));
    const std::string size = std::to_string(good.size());
    std::string outOfRange = good;
    const std::size_t gain = 280 + 34 + 8 * 6;  // channel 2, band 7
    outOfRange[gain] = static_cast<char>(713 & 0xFF);
    outOfRange[gain + 1] = static_cast<char>(713 >> 8);
    std::mt19937 rng(16);
    std::string garbage(2000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng());
    const std::pair<std::string, std::string> cases[] = {
        {good.substr(0, 100), "it ends after 100 of at least 1121 bytes"},
        {good.substr(0, good.size() - 2),
         "it ends after " + std::to_string(good.size() - 2) + " of " + size + " bytes"},
        {good + good, size + " bytes after the preset"},
        {outOfRange, "channel 2 band 7 gain is 713, outside 0..400"},
        {garbage, "not a preset file: channel 1 "},
    };
    for (const auto& [bytes, error] : cases) {
        WriteText(Path("bad.dia"), bytes);
        Result r = Ctl({"show", Path("bad.dia")});
        EXPECT_EQ(r.code, EXIT_IO) << error;
        EXPECT_NE(r.err.find("bad.dia: not a preset file: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(error), std::string::npos) << r.err;
        r = Ctl({"convert", Path("bad.dia"), Path("bad.json")});
        EXPECT_EQ(r.code, EXIT_IO);
        EXPECT_FALSE(fs::exists(Path("bad.json")));
    }

    const Result missing = Ctl({"show", Path("missing.dia")});
    EXPECT_EQ(missing.code, EXIT_IO);
    EXPECT_NE(missing.err.find("missing.dia"), std::string::npos);
    EXPECT_EQ(Ctl({"frames", m_dir.string()}).code, EXIT_IO);
}

// One rule for a preset's name wherever it comes from (--name, JSON, .dia):
// printable Windows-1252 characters, no NUL, no control character (DEL
// included); eight at most where the name goes to the device. Anything else
// is refused with exit 2 naming the field, before any port is opened; names
// print alike in every command.
TEST_F(VardenctlTest, PresetNamesFollowOneRuleEverywhere)
{
    const std::string dia = WriteSample("sample.dia");
    const std::string json = Path("sample.json");
    ASSERT_EQ(Ctl({"convert", dia, json}).code, EXIT_OK);
    const std::string good = ReadText(json);
    const std::string port = Path("no-such-port");
    const std::pair<std::string, std::string> names[] = {
        {"2W\\u0000AY", "name: the name has a control character (U+0000)"},
        {"A\\u007FB", "name: the name has a control character (U+007F)"},
        {"\xD0\x96", "name: the name has a character the device cannot keep (U+0416)"},
        {"NINECHARS", "the name has 9 characters; the device keeps 8; give --name"},
    };
    for (const auto& [name, error] : names) {
        std::string text = good;
        text.replace(text.find("Caf\xC3\xA9"), 5, name);
        WriteText(Path("named.json"), text);
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"show", Path("named.json")},
                 {"write", "--port", port, "--slot", "2", Path("named.json"), "--verify"}}) {
            const Result r = Ctl(args);
            if (name == "NINECHARS" && args[0] == "show") {
                EXPECT_EQ(r.code, EXIT_OK) << "a file may hold a longer name" << r.err;
                continue;
            }
            EXPECT_EQ(r.code, EXIT_USAGE) << args[0] << " " << name;
            EXPECT_NE(r.err.find("named.json: " + error), std::string::npos) << r.err;
            EXPECT_EQ(r.err.find("Unable to Open"), std::string::npos) << r.err;
        }
    }
    for (const char* name : {"A\tB", "A\x7F", "123456789", "\xD0\x96", " ", "        "}) {
        const Result r = Ctl({"write", "--port", port, "--slot", "2", json, "--name", name});
        EXPECT_EQ(r.code, EXIT_USAGE) << name;
        EXPECT_NE(r.err.find(*name == ' ' ? "--name: the name is only blanks" : "--name: the name has"),
                  std::string::npos)
            << r.err;
    }
    EXPECT_EQ(Ctl({"write", "--port", port, "--slot", "2", json, "--name",
                   "\xC3\x84\xC3\x96\xE2\x82\xAC\xE2\x80\x9E\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9"})
                  .code,
              EXIT_IO)
        << "eight Windows-1252 letters are a name; the port is what fails";

    // Older files open: a long Windows-1252 name round-trips byte for byte,
    // a gate byte and an input level beyond their ranges load clamped.
    CTALVRoute route;
    route.SetName(std::string(300, 'n') + "\x80\x84");
    std::string bytes = ReadText(SavePreset("old.dia", route));
    bytes[22] = 0;
    bytes[23] = 5;
    WriteText(Path("old.dia"), bytes);
    ASSERT_EQ(Ctl({"convert", Path("old.dia"), Path("old.json")}).code, EXIT_OK);
    EXPECT_NE(ReadText(Path("old.json")).find("n\xE2\x82\xAC\xE2\x80\x9E\""), std::string::npos);
    ASSERT_EQ(Ctl({"convert", Path("old.json"), Path("back.dia")}).code, EXIT_OK);
    bytes[22] = 40;
    bytes[23] = 1;
    EXPECT_EQ(ReadText(Path("back.dia")), bytes);

    // Names the device already holds print alike, quoted or not.
    const std::string odd = "\xD6/..\\x\x07\"\x80\x81";
    EXPECT_EQ(NameForTerminal(odd), "\xC3\x96/..\\x5Cx\\x07\\x22\xE2\x82\xAC\\x81");
    EXPECT_EQ(QuotedName(odd), "\"" + NameForTerminal(odd) + "\"");
}

TEST_F(VardenctlTest, ShowSpeaksTheUsersUnits)
{
    const Result r = Ctl({"show", WriteSample("sample.dia")});
    ASSERT_EQ(r.code, EXIT_OK) << r.err;
    for (const char* text :
         {"Preset \"Caf\xC3\xA9\"", "Channel 2", "inverted", "-3.0 dB", "0.500 ms (24 samples)", "-95 dBu", "-110 dBu",
          "20.0 ms", "2000 Hz  Link_Ril 24dB/Oct", "20 Hz (off)", "63 Hz    3.0 dB   5.76", "28.9  bypassed"}) {
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    }
}

TEST_F(VardenctlTest, FramesListsWhatWouldBeSent)
{
    const Result r = Ctl({"frames", WriteSample("sample.dia")});
    ASSERT_EQ(r.code, EXIT_OK) << r.err;
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u * 33 + 4);
    // Checked by hand: channel 0 band 5, 63 Hz, +3.0 dB, Q index 20.
    EXPECT_EQ(lines[5], "FF FF FF 52 00 05 3F 00 E6 00 14 00 00 00 00 05 3A AA");
    // Channel 1 section: on, inverted, gain 570, delay 24, gate byte 55.
    EXPECT_EQ(lines[33 + 32], "FF FF FF 52 01 20 01 01 3A 02 18 00 37 00 01 20 E0 AA");
    // Crossover of channel 0 at its target, not ramping.
    EXPECT_EQ(lines[31].substr(0, 47), "FF FF FF 52 00 1F 14 00 02 00 D0 07 00 02 00 1F");
    const std::string& block3 = lines.back();
    EXPECT_EQ(block3.size(), 274u * 3 - 1);
    EXPECT_EQ(block3.substr(0, 17), "FF FF FF 54 03 00");
}

namespace {
std::vector<std::vector<double>> ParseCurve(const std::string& text)
{
    std::vector<std::vector<double>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<double> row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');)
            row.push_back(std::stod(cell));
        rows.push_back(row);
    }
    return rows;
}
}  // namespace

// The curve is what the graph draws: the sum of every element, the bands
// placed by the channel's band-frequency flag.
TEST_F(VardenctlTest, CurvePrintsTheChannelsResponse)
{
    CTALVRoute route;
    route.GetChannel(1).SetGain(320, 2);  // band 3: +12 dB
    route.GetChannel(1).SetQ(0, 2);
    route.GetChannel(1).SetHpfFreq(200);
    route.GetChannel(1).SetHpfSlope(6);
    std::string error;
    const std::string dia = Path("curve.dia");
    ASSERT_TRUE(SavePresetFile(dia, route, error)) << error;

    const Result plain = Ctl({"curve", dia, "--channel", "2"});
    ASSERT_EQ(plain.code, EXIT_OK) << plain.err;
    EXPECT_EQ(Ctl({"curve", dia, "--channel=2"}).out, plain.out);
    const auto rows = ParseCurve(plain.out);
    ASSERT_EQ(rows.size(), 241u);
    EXPECT_EQ(plain.out.substr(0, plain.out.find('\n')).substr(0, 5), "19.7,");
    EXPECT_EQ(rows[136][0], 1000);
    EXPECT_EQ(rows[240][0], 20000);
    // Band 3 sits at 32 Hz with the flag set, under the high-pass's cut.
    EXPECT_LT(rows[0][1], -100);
    EXPECT_NEAR(rows[240][1], 0.0, 1e-3);
    const std::string::size_type dot = plain.out.find('.', plain.out.find('\n', 1000));
    EXPECT_EQ(plain.out.find_first_of(",\n", dot) - dot - 1, 6u) << "six decimals";

    const Result wide = Ctl({"curve", dia, "--channel", "2", "--elements"});
    const auto cols = ParseCurve(wide.out);
    ASSERT_EQ(cols.size(), 241u);
    for (const auto& row : cols) {
        ASSERT_EQ(row.size(), 35u);
        double sum = 0;
        for (std::size_t e = 2; e < row.size(); ++e)
            sum += row[e];
        ASSERT_NEAR(sum, row[1], 2e-5);
    }
    int nPeak = 0;
    for (int i = 0; i < 241; ++i)
        if (cols[i][4] > cols[nPeak][4])
            nPeak = i;
    EXPECT_EQ(cols[nPeak][0], 32.2);  // the grid point nearest 32 Hz
    EXPECT_NEAR(cols[nPeak][4], 12.0, 0.05);

    // With the flag cleared the first fifteen bands move: band 3 to 30 Hz.
    const std::string json = Path("curve.json");
    ASSERT_EQ(Ctl({"convert", dia, json}).code, EXIT_OK);
    std::string text = ReadText(json);
    for (std::string::size_type at = 0; (at = text.find("\"abFlag\": 1", at)) != std::string::npos;)
        text.replace(at, 11, "\"abFlag\": 0");
    WriteText(json, text);
    const auto moved = ParseCurve(Ctl({"curve", json, "--channel", "2", "--elements"}).out);
    nPeak = 0;
    for (int i = 0; i < 241; ++i)
        if (moved[i][4] > moved[nPeak][4])
            nPeak = i;
    EXPECT_EQ(moved[nPeak][0], 30.4);

    EXPECT_EQ(Ctl({"curve", dia, "--channel", "0"}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"curve", dia, "--channel", "5"}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"curve", dia, "--channel", "two"}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"curve", dia}).code, EXIT_USAGE);
    EXPECT_EQ(Ctl({"curve", Path("missing.dia"), "--channel", "1"}).code, EXIT_IO);
    WriteText(Path("short.dia"), "\x01\x02");
    const Result bad = Ctl({"curve", Path("short.dia"), "--channel", "1"});
    EXPECT_EQ(bad.code, EXIT_IO);
    EXPECT_TRUE(bad.out.empty());
}

namespace {
// Runs vardenctl as an ordinary user, as the permission checks are meant
// for: as root in a child that gives up root first. Returns the exit code.
int CtlAsUser(const std::vector<std::string>& args)
{
    if (geteuid() != 0)
        return Ctl(args).code;
    constexpr uid_t NOBODY = 65534;
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgid(NOBODY) != 0 || setuid(NOBODY) != 0)
            _exit(99);
        std::ostringstream out, err;
        _exit(RunVardenctl(args, out, err));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

// A file the user may not write is not replaced, as cp would not; a FIFO is
// not waited on; a path that is not a file is refused before it is opened.
TEST_F(VardenctlTest, TargetsAndSourcesThatAreNotOrdinaryFilesAreRefused)
{
    const std::string dia = WriteSample("sample.dia");
    const std::string ro = Path("ro.json");
    WriteText(ro, "kept");
    ASSERT_EQ(chmod(ro.c_str(), 0444), 0);
    ASSERT_EQ(chmod(m_dir.c_str(), 0777), 0);
    ASSERT_EQ(chmod(dia.c_str(), 0644), 0);
    EXPECT_EQ(CtlAsUser({"convert", dia, ro}), EXIT_IO);
    EXPECT_EQ(ReadText(ro), "kept");
    const Result r = geteuid() == 0 ? Result{} : Ctl({"convert", dia, ro});
    if (geteuid() != 0) {
        EXPECT_NE(r.err.find("ro.json: cannot replace it: Permission denied"), std::string::npos) << r.err;
    }
    // A writable one is replaced as before.
    const std::string rw = Path("rw.json");
    WriteText(rw, "old");
    ASSERT_EQ(chmod(rw.c_str(), 0666), 0);
    EXPECT_EQ(CtlAsUser({"convert", dia, rw}), EXIT_OK);
    EXPECT_NE(ReadText(rw).find("\"channels\""), std::string::npos);

    // Saving over a file keeps its permissions.
    ASSERT_EQ(chmod(rw.c_str(), 0640), 0);
    EXPECT_EQ(Ctl({"convert", dia, rw}).code, EXIT_OK);
    struct stat st {};
    EXPECT_TRUE(stat(rw.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640) << std::oct << st.st_mode;

    const std::string fifo = Path("pipe.json");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const Result show = Ctl({"show", fifo});
    EXPECT_EQ(show.code, EXIT_IO);
    EXPECT_NE(show.err.find("pipe.json: not a regular file"), std::string::npos) << show.err;
    // No output replaces what is not a file, directly or through a link, and
    // it is refused before anything else (fit's measurement is not read).
    fs::create_symlink(fifo, Path("link.json"));
    fs::create_directory(Path("folder.dia"));
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"convert", dia, fifo},
             {"demo", Path("link.json")},
             {"read", "--port", Path("none"), "--slot", "1", fifo},
             {"fit", dia, "--channel", "1", "--measurement", Path("none.txt"), Path("folder.dia")}}) {
        const Result r = Ctl(args);
        EXPECT_EQ(r.code, EXIT_IO) << args[0];
        EXPECT_NE(
            r.err.find(args.back() + (args[0] == "fit" ? ": is a folder" : " is not a regular file: not replaced")),
            std::string::npos)
            << r.err;
    }
    EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
}

// Output that does not reach its place (a full disk, a pipe nobody reads) is
// a failure with the reason, whatever the command printed it for.
TEST_F(VardenctlTest, OutputThatCannotBeWrittenIsAFailure)
{
    const std::string dia = WriteSample("sample.dia");
    WriteText(Path("m.txt"), "20 80\n1000 83\n20000 79\n");
    const std::vector<std::vector<std::string>> commands = {
        {"show", dia},
        {"frames", dia},
        {"curve", dia, "--channel", "1"},
        {"fit", dia, "--channel", "1", "--measurement", Path("m.txt"), Path("fit.dia")},
        {"--help"}};
    const int fdFull = open("/dev/full", O_WRONLY | O_CLOEXEC);
    int afdPipe[2];
    ASSERT_GE(fdFull, 0);
    ASSERT_EQ(pipe2(afdPipe, O_CLOEXEC), 0);
    close(afdPipe[0]);
    // As under a shell that ignores SIGPIPE: the write fails with EPIPE.
    const auto oldPipe = signal(SIGPIPE, SIG_IGN);
    for (const auto& [fd, reason] :
         {std::pair{fdFull, "No space left on device"}, std::pair{afdPipe[1], "Broken pipe"}}) {
        for (const std::vector<std::string>& args : commands) {
            CFdOutBuf buf(fd);
            std::ostream out(&buf);
            std::ostringstream err;
            EXPECT_EQ(RunVardenctl(args, out, err), EXIT_IO) << args[0];
            EXPECT_NE(err.str().find(std::string("write error: ") + reason), std::string::npos) << err.str();
        }
    }
    signal(SIGPIPE, oldPipe);
    close(fdFull);
    close(afdPipe[1]);

    // Where it can be written it arrives whole.
    const int fdFile = open(Path("shown.txt").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    {
        CFdOutBuf buf(fdFile);
        std::ostream out(&buf);
        std::ostringstream err;
        EXPECT_EQ(RunVardenctl({"curve", dia, "--channel", "1", "--elements"}, out, err), EXIT_OK) << err.str();
    }
    close(fdFile);
    EXPECT_EQ(ReadText(Path("shown.txt")), Ctl({"curve", dia, "--channel", "1", "--elements"}).out);
}
