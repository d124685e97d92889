// vardenctl's device commands end to end: the real binary serving the
// virtual processor on a pseudo-terminal, and the real binary talking to it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace fs = std::filesystem;

namespace {

Result Ctl(std::vector<std::string> args)
{
    args.insert(args.begin(), VARDENCTL_PATH);
    return CChild(args).Finish();
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

class DeviceCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("varden-e2e-" + std::to_string(getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

TEST_F(DeviceCommandsTest, WriteThenReadGivesBackTheSamePresetAndNames)
{
    const std::string state = Path("device.vsim");
    CChild sim({VARDENCTL_PATH, "sim", "--fast", "--state", state});
    const std::string port = sim.ReadLine();
    ASSERT_FALSE(port.empty());

    ASSERT_EQ(Ctl({"demo", Path("demo.dia")}).code, 0);
    Result r = Ctl({"write", "--port", port, "--slot", "2", Path("demo.dia")});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Ctl({"read", "--port", port, "--slot", "2", Path("back.dia")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadBytes(Path("back.dia")), ReadBytes(Path("demo.dia")));

    r = Ctl({"write", "--port", port, "--slot", "4", Path("demo.dia"), "--name", "NEWNAME"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Ctl({"names", "--port", port});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("4         NEWNAME"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0 (live)"), std::string::npos) << r.out;
    // What could not be printed is no success.
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {VARDENCTL_PATH, "names", "--port", port},
             {VARDENCTL_PATH, "read", "--port", port, "--slot", "4", Path("r.dia")}}) {
        r = CChild(args, "/dev/full").Finish();
        EXPECT_EQ(r.code, 1) << args[1];
        EXPECT_NE(r.err.find("vardenctl " + args[1] + ": write error: No space left on device"), std::string::npos)
            << r.err;
    }

    // The state survives the simulator: stopped cleanly, started again.
    r = sim.Finish(SIGTERM);
    EXPECT_EQ(r.code, 0) << r.err;
    ASSERT_TRUE(fs::exists(state));
    CChild again({VARDENCTL_PATH, "sim", "--fast", "--state", state});
    const std::string port2 = again.ReadLine();
    r = Ctl({"read", "--port", port2, "--slot", "4", Path("again.json")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(ReadBytes(Path("again.json")).find("\"name\": \"NEWNAME\""), std::string::npos);
    EXPECT_EQ(again.Finish(SIGINT).code, 0);
}

TEST_F(DeviceCommandsTest, UnusablePortsAndArgumentsAreReported)
{
    Result r = Ctl({"names", "--port", Path("no-such-tty")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unable to Open COM-Port"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("No such file"), std::string::npos) << r.err;

    r = Ctl({"read", "--port", "/dev/null", "--slot", "9", Path("x.dia")});
    EXPECT_EQ(r.code, 2);
    r = Ctl({"read", "--port", "/dev/null", "--slot", "1", Path("x.txt")});
    EXPECT_EQ(r.code, 2);
    EXPECT_FALSE(fs::exists(Path("x.txt")));
    r = Ctl({"sim", "--fault", "sometimes"});
    EXPECT_EQ(r.code, 2);
    r = Ctl({"ports"});
    EXPECT_EQ(r.code, 0) << r.err;
}

TEST_F(DeviceCommandsTest, SilentDeviceEndsWithTheLinkMessage)
{
    CChild sim({VARDENCTL_PATH, "sim", "--fast", "--fault", "silent"});
    const std::string port = sim.ReadLine();
    ASSERT_FALSE(port.empty());
    // About 4.5 s: one resend after 100 ticks, giving up after 150.
    const Result r = Ctl({"names", "--port", port});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unable to Open COM-Port: the device did not answer"), std::string::npos) << r.err;
    // Said once while it waited, not left silent.
    EXPECT_NE(r.err.find("vardenctl names: waiting for the device"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("waiting"), r.err.rfind("waiting")) << r.err;
    EXPECT_EQ(sim.Finish(SIGTERM).code, 0);
}

// The reason after "Unable to Open COM-Port" tells these apart.
TEST_F(DeviceCommandsTest, DamagedAnswersAreToldFromSilence)
{
    CChild sim({VARDENCTL_PATH, "sim", "--fast", "--fault", "bad-trailer"});
    const std::string port = sim.ReadLine();
    ASSERT_FALSE(port.empty());
    const Result r = Ctl({"names", "--port", port});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unable to Open COM-Port: the device answered, but with damaged frames"), std::string::npos)
        << r.err;
    EXPECT_EQ(sim.Finish(SIGTERM).code, 0);
}

// Noise before every answer, ending in 0xFF right before the answer's own
// header, costs nothing.
TEST_F(DeviceCommandsTest, NoiseBeforeEveryAnswerLosesNone)
{
    CChild sim({VARDENCTL_PATH, "sim", "--fast", "--fault", "garbage"});
    const std::string port = sim.ReadLine();
    ASSERT_FALSE(port.empty());
    const Result r = Ctl({"read", "--port", port, "--slot", "3", Path("noisy.json")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err.find("waiting"), std::string::npos) << r.err;
    EXPECT_NE(ReadBytes(Path("noisy.json")).find("\"name\": \"SUB+SAT\""), std::string::npos);
    EXPECT_EQ(sim.Finish(SIGTERM).code, 0);
}

TEST_F(DeviceCommandsTest, HungUpLinesAndPathsThatAreNoPortsAreNamed)
{
    CChild sim({VARDENCTL_PATH, "sim", "--fast", "--fault", "hangup"});
    const std::string port = sim.ReadLine();
    ASSERT_FALSE(port.empty());
    Result r = Ctl({"names", "--port", port});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unable to Open COM-Port: the line was hung up"), std::string::npos) << r.err;
    // The port is gone: the virtual processor says so and ends by itself.
    EXPECT_TRUE(sim.WaitForErr(port + " is gone, ending"));
    EXPECT_EQ(sim.Finish(SIGTERM).code, 0);

    std::ofstream(Path("plain.txt")) << "not a port";
    for (const std::string& path : {std::string("/dev/null"), Path("plain.txt")}) {
        r = Ctl({"names", "--port", path});
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("Unable to Open COM-Port: " + path + " is not a serial port"), std::string::npos) << r.err;
    }
}

// A write is a success only when the device took every frame of it.
TEST_F(DeviceCommandsTest, WriteToADeviceThatGoesAwayFailsAndSaysHowFarItGot)
{
    CChild sim({VARDENCTL_PATH, "sim"});  // paced, so the write takes a while
    const std::string port = sim.ReadLine();
    ASSERT_FALSE(port.empty());
    ASSERT_EQ(Ctl({"demo", Path("demo.dia")}).code, 0);
    CChild write({VARDENCTL_PATH, "write", "--port", port, "--slot", "2", Path("demo.dia")});
    // The write's first block is in.
    ASSERT_TRUE(write.WaitForErr("writing slot 2: 25%"));
    sim.Signal(SIGKILL);
    const Result r = write.Finish();
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.find("Wrote"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("the line was hung up"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("slot 2 is left partly written: name and channel"), std::string::npos) << r.err;
}

// Ctrl-C, SIGTERM and SIGHUP alike, in every command that talks to the
// device: the first lets the slot in progress finish and stops before the
// next one, the second stops at once and says what is left; both exit 130.
TEST_F(DeviceCommandsTest, InterruptsFinishTheSlotInProgressOrStopAtOnce)
{
    CChild sim({VARDENCTL_PATH, "sim", "--state", Path("device.vsim")});  // paced: a slot takes 1.4 s
    const std::string port = sim.ReadLine();
    ASSERT_FALSE(port.empty());
    fs::create_directories(m_dir / "backup");
    ASSERT_EQ(Ctl({"demo", Path("backup/demo.dia")}).code, 0);
    std::ofstream(Path("backup/index.json"))
        << R"({"format": "varden backup", "version": 1, "slots": [)"
        << R"({"slot": 2, "name": "DEMO", "file": "demo.dia"}, {"slot": 3, "name": "DEMO", "file": "demo.dia"}]})";
    constexpr std::size_t RECORDS_LEN = 4 * 280;  // the four channel records, before the name

    // The first interrupt: slot 2 is finished whole, slot 3 is not begun.
    CChild finishing({VARDENCTL_PATH, "restore", "--port", port, Path("backup"), "--slots", "2-3"});
    ASSERT_TRUE(finishing.WaitForErr("writing slot 2: 25%"));
    finishing.Signal(SIGTERM);
    Result r = finishing.Finish();
    EXPECT_EQ(r.code, 130) << r.err;
    EXPECT_NE(r.err.find("interrupted: finishing the transfer to slot 2, about "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("stopped after the interrupt; slot 2 was written but not read back; not restored: 3"),
              std::string::npos)
        << r.err;
    r = Ctl({"read", "--port", port, "--slot", "2", Path("back.dia")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadBytes(Path("back.dia")).substr(0, RECORDS_LEN),
              ReadBytes(Path("backup/demo.dia")).substr(0, RECORDS_LEN));
    EXPECT_NE(r.out.find("\"DEMO\""), std::string::npos) << r.out;

    // A second interrupt stops at once and says what the slot is left with:
    // every channel the device holds is one said stored, or the one said to
    // have been on the line.
    ASSERT_EQ(Ctl({"read", "--port", port, "--slot", "3", Path("before.dia")}).code, 0);
    CChild stopped({VARDENCTL_PATH, "write", "--port", port, "--slot", "3", Path("backup/demo.dia"), "--verify"});
    ASSERT_TRUE(stopped.WaitForErr("writing slot 3: 25%"));
    stopped.Signal(SIGINT);
    ASSERT_TRUE(stopped.WaitForErr("interrupt again to stop at once and leave slot 3 partly written"));
    stopped.Signal(SIGHUP);
    r = stopped.Finish();
    EXPECT_EQ(r.code, 130) << r.err;
    const auto at = r.err.find("interrupted; slot 3 is left partly written: name and channel");
    ASSERT_NE(at, std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Wrote"), std::string::npos) << r.out;
    const std::string said = r.err.substr(at);
    const std::size_t dash = said.find("channels 1-");
    const int nStored = dash == std::string::npos ? 1 : said[dash + 11] - '0';
    const auto sent = said.find(" was being sent and may be stored too");
    const int nMaybe = sent == std::string::npos ? 0 : said[sent - 1] - '0';
    ASSERT_EQ(Ctl({"read", "--port", port, "--slot", "3", Path("after.dia")}).code, 0);
    const std::string before = ReadBytes(Path("before.dia")), after = ReadBytes(Path("after.dia"));
    const std::string written = ReadBytes(Path("backup/demo.dia"));
    for (int k = 0; k < 4; ++k) {
        auto rec = [k](const std::string& file) { return file.substr(280 * static_cast<std::size_t>(k), 280); };
        if (rec(before) == rec(written))
            continue;  // nothing to tell from it
        EXPECT_EQ(rec(after) == rec(written), k < nStored || (k + 1 == nMaybe && rec(after) == rec(written)))
            << "channel " << k + 1 << ": " << said;
    }

    // A write whose transfer finishes is not verified after an interrupt.
    CChild unverified({VARDENCTL_PATH, "write", "--port", port, "--slot", "4", Path("backup/demo.dia"), "--verify"});
    ASSERT_TRUE(unverified.WaitForErr("writing slot 4: 25%"));
    unverified.Signal(SIGHUP);
    r = unverified.Finish();
    EXPECT_EQ(r.code, 130) << r.err;
    EXPECT_NE(r.out.find("Wrote"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("slot 4 was written but not verified"), std::string::npos) << r.err;

    // Reading commands stop alike, and keep nothing half done.
    CChild backup({VARDENCTL_PATH, "backup", "--port", port, Path("new")});
    ASSERT_TRUE(backup.WaitForErr("reading slot 0: 25%"));
    backup.Signal(SIGINT);
    r = backup.Finish();
    EXPECT_EQ(r.code, 130) << r.err;
    EXPECT_NE(r.err.find("1 of 6 slots were read; no backup was written"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("new")));
    // On the computer nothing is created or replaced once an interrupt came,
    // however little was left: a read, the last slot of a backup.
    CChild read({VARDENCTL_PATH, "read", "--port", port, "--slot", "1", Path("one.dia")});
    ASSERT_TRUE(read.WaitForErr("reading slot 1: 25%"));
    read.Signal(SIGTERM);
    r = read.Finish();
    EXPECT_EQ(r.code, 130) << r.err;
    EXPECT_NE(r.err.find("slot 1 was read, but nothing was written to"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("one.dia")));
    const std::string index = ReadBytes(Path("backup/index.json"));
    CChild last({VARDENCTL_PATH, "backup", "--port", port, Path("backup"), "--force"});
    ASSERT_TRUE(last.WaitForErr("reading slot 5: 25%"));
    last.Signal(SIGINT);
    r = last.Finish();
    EXPECT_EQ(r.code, 130) << r.err;
    EXPECT_NE(r.err.find("the backup in " + Path("backup") + " was left as it was"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(Path("backup/index.json")), index);

    // The virtual processor keeps its state when its terminal goes away.
    r = sim.Finish(SIGHUP);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("state saved"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(Path("device.vsim")));
}

// Names are Latin-1 on the device: typed in UTF-8, and what cannot be kept
// is refused, what cannot be shown escaped.
TEST_F(DeviceCommandsTest, NamesTravelAsLatin1AndPrintSafely)
{
    CChild sim({VARDENCTL_PATH, "sim", "--fast"});
    const std::string port = sim.ReadLine();
    ASSERT_FALSE(port.empty());
    ASSERT_EQ(Ctl({"demo", Path("demo.json")}).code, 0);

    Result r = Ctl({"write", "--port", port, "--slot", "1", Path("demo.json"), "--name", "Caf\xC3\xA9"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Ctl({"write", "--port", port, "--slot", "2", Path("demo.json"), "--name",
             "\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Ctl({"write", "--port", port, "--slot", "3", Path("demo.json"), "--name", "\xD0\x96"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("U+0416"), std::string::npos) << r.err;
    r = Ctl({"write", "--port", port, "--slot", "3", Path("demo.json"), "--name", "A\tB"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("control character"), std::string::npos) << r.err;

    // A name the device already holds that breaks the rule (an older
    // program wrote it) still prints escaped.
    r = Ctl({"write", "--port", port, "--slot", "3", Path("demo.json"), "--name", "B\\2"});
    ASSERT_EQ(r.code, 0) << r.err;

    r = Ctl({"names", "--port", port});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("1         Caf\xC3\xA9\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2         \xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("3         B\\x5C2\n"), std::string::npos) << r.out;
    r = Ctl({"read", "--port", port, "--slot", "1", Path("cafe.json")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(ReadBytes(Path("cafe.json")).find("\"name\": \"Caf\xC3\xA9\""), std::string::npos);
    EXPECT_EQ(sim.Finish(SIGTERM).code, 0);
}

// The virtual processor's state file: refused at start when it could not be
// saved, and a failed save is never reported as saved.
TEST_F(DeviceCommandsTest, SimStateThatCannotBeSavedIsAFailure)
{
    Result r = CChild({VARDENCTL_PATH, "sim", "--fast", "--state", Path("missing/dir/device.vsim")}).Finish();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_NE(r.err.find("missing/dir"), std::string::npos) << r.err;

    fs::create_directories(m_dir / "gone");
    CChild sim({VARDENCTL_PATH, "sim", "--fast", "--state", Path("gone/device.vsim")});
    ASSERT_FALSE(sim.ReadLine().empty());
    fs::remove_all(m_dir / "gone");
    r = sim.Finish(SIGTERM);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("the state was not saved"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("state saved"), std::string::npos) << r.err;
}

// What can be checked before the device is touched is checked first.
TEST_F(DeviceCommandsTest, ReadRefusesAnOutputItCouldNotWriteBeforeConnecting)
{
    const Result r = Ctl({"read", "--port", "/dev/null", "--slot", "1", Path("missing/dir/x.json")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("x.json"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Unable to Open COM-Port"), std::string::npos) << r.err;
}

// An interrupt during a write without --verify lets the transfer finish,
// and the exit still says the command was interrupted: 130, not 0.
TEST_F(DeviceCommandsTest, AnInterruptedWriteExitsInterruptedEvenWhenItsTransferFinished)
{
    CChild sim({VARDENCTL_PATH, "sim"});  // paced: a slot takes 1.4 s
    const std::string port = sim.ReadLine();
    ASSERT_FALSE(port.empty());
    ASSERT_EQ(Ctl({"demo", Path("demo.dia")}).code, 0);
    for (const int nSignal : {SIGINT, SIGTERM}) {
        CChild write({VARDENCTL_PATH, "write", "--port", port, "--slot", "3", Path("demo.dia")});
        ASSERT_TRUE(write.WaitForErr("writing slot 3: 25%"));
        write.Signal(nSignal);
        const Result r = write.Finish();
        EXPECT_EQ(r.code, 130) << nSignal << ": " << r.err;
        EXPECT_NE(r.out.find("Wrote"), std::string::npos) << r.out;
        EXPECT_NE(r.err.find("stopped after the interrupt; slot 3 was written"), std::string::npos) << r.err;
    }
    ASSERT_EQ(Ctl({"read", "--port", port, "--slot", "3", Path("back.dia")}).code, 0);
    EXPECT_EQ(ReadBytes(Path("back.dia")), ReadBytes(Path("demo.dia"))) << "the transfer was finished";
    EXPECT_EQ(sim.Finish(SIGINT).code, 0);
}

// Sound asked for where no PipeWire can be reached: said, exit 1, no port.
// A room that is no room, or a noise level that is none, is refused before.
TEST_F(DeviceCommandsTest, SimAudioRefusals)
{
    const char* pszRuntime = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = pszRuntime ? pszRuntime : "";
    setenv("XDG_RUNTIME_DIR", Path("").c_str(), 1);  // an empty folder: no server socket in it
    const Result r = Ctl({"sim", "--audio"});
    fs::create_directory(Path("room"));
    std::ofstream(Path("room/ch2.wav")) << "not a wave";
    const Result notWav = Ctl({"sim", "--audio", "--room", Path("room")});
    const Result loud = Ctl({"sim", "--audio", "--room", Path("room"), "--noise", "6"});
    const Result noAudio = Ctl({"sim", "--room", Path("room")});
    if (pszRuntime)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "vardenctl sim: no sound server: --audio needs a running PipeWire session\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(notWav.code, 2);
    EXPECT_EQ(notWav.err, "vardenctl sim: " + Path("room/ch2.wav") + " is not a WAV file\n");
    EXPECT_EQ(loud.code, 2);
    EXPECT_EQ(noAudio.code, 2);
}

}  // namespace
