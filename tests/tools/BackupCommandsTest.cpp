// vardenctl backup, restore, verify and write --verify against the virtual processor
// on a pseudo-terminal, unpaced, with the commands run in-process.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/resource.h>

#include "AlteringDevice.h"
#include "FactoryPresets.h"
#include "Frame.h"
#include "PresetLimits.h"
#include "SimPtyServer.h"
#include "VardenctlRun.h"

namespace fs = std::filesystem;

namespace {
std::vector<std::string> FilesIn(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class BackupCommandsTest : public CommandTest {};

std::vector<BYTE> DeviceState(CSimPtyServer& server)
{
    return server.WithProcessor([](CVirtualProcessor& p) { return p.SaveState(); });
}
}  // namespace

TEST_F(BackupCommandsTest, BackupThenRestoreGivesTheDeviceBackAsItWas)
{
    SimServerOptions options;
    options.bPaced = false;
    CSimPtyServer server(options);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    const std::string port = server.GetPortPath();

    // A name with characters a file name cannot keep.
    ASSERT_EQ(Ctl({"demo", Path("demo.dia")}).code, 0);
    Result r = Ctl({"write", "--port", port, "--slot", "3", Path("demo.dia"), "--name", "My Mix/2"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<BYTE> before = DeviceState(server);

    const std::string backup = Path("backup");
    r = Ctl({"backup", "--port", port, backup});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(FilesIn(backup),
              (std::vector<std::string>{"index.json", "slot0-2WAY.dia", "slot1-2WAY.dia", "slot2-FLAT.dia",
                                        "slot3-My_Mix_2.dia", "slot4-VOCAL.dia", "slot5-3WAY.dia"}))
        << r.out;
    const std::string index = ReadText(fs::path(backup) / "index.json");
    EXPECT_NE(index.find("\"slot\": 3,\n      \"name\": \"My Mix/2\",\n      \"file\": \"slot3-My_Mix_2.dia\""),
              std::string::npos)
        << index;
    // Each file is an ordinary preset named as its slot.
    r = Ctl({"show", backup + "/slot3-My_Mix_2.dia"});
    EXPECT_NE(r.out.find("Preset \"My Mix/2\""), std::string::npos) << r.out;

    // A second backup into the same folder is refused and changes nothing.
    r = Ctl({"backup", "--port", port, backup});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("not empty (it holds a backup)"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(fs::path(backup) / "index.json"), index);

    // The device changes: slot 3 renamed and rewritten, the live slot and slot 1 too.
    for (const char* slot : {"0", "1", "3"}) {
        r = Ctl({"write", "--port", port, "--slot", slot, backup + "/slot2-FLAT.dia", "--name", "OTHER"});
        ASSERT_EQ(r.code, 0) << r.err;
    }
    ASSERT_NE(DeviceState(server), before);

    // --force writes over an earlier backup and takes away its files the new
    // one does not list.
    const std::string again = Path("again");
    fs::copy(backup, again);
    r = Ctl({"backup", "--port", port, again, "--force"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(FilesIn(again),
              (std::vector<std::string>{"index.json", "slot0-OTHER.dia", "slot1-OTHER.dia", "slot2-FLAT.dia",
                                        "slot3-OTHER.dia", "slot4-VOCAL.dia", "slot5-3WAY.dia"}));

    // Restoring leaves the live slot alone unless asked.
    r = Ctl({"restore", "--port", port, backup});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("slot 3  \"My Mix/2\"  restored and read back equal"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Restored 5 slots"), std::string::npos) << r.out;
    EXPECT_NE(DeviceState(server), before);
    r = Ctl({"restore", "--port", port, backup, "--slots", "0"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(DeviceState(server), before);

    // A backup that cannot reach the device leaves no folder behind.
    server.Stop();
    r = Ctl({"backup", "--port", port, Path("never")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unable to Open COM-Port"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("never")));
}

TEST_F(BackupCommandsTest, VerifyAndRestoreCatchADeviceThatStoresSomethingElse)
{
    CAlteringDevice device;
    const std::string port = device.Port();
    ASSERT_EQ(Ctl({"demo", Path("demo.dia")}).code, 0);

    Result r = Ctl({"write", "--port", port, "--slot", "2", Path("demo.dia"), "--name", "KEEP", "--verify"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Verified: slot 2 holds what was written"), std::string::npos) << r.out;
    r = Ctl({"backup", "--port", port, Path("backup")});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Ctl({"verify", "--port", port, Path("backup")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("slot 2  \"KEEP\"  equal to the backup\nslot 3"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Verified 5 slots"), std::string::npos) << r.out;

    // From now on slot 2 reads back with channel 3's band 6 at -20 dB and
    // named BROKEN, whatever was stored.
    device.SetAlter([](std::vector<BYTE>& a) {
        if (a.size() == BLOCK_FRAME_LEN && a[FRAME_CMD] == CMD_BLOCK_REPLY && a[FRAME_INDEX1] == 2 &&
            a[FRAME_INDEX2] == 2) {
            a[BlockBand(5) + BLOCK_BAND_GAIN] = 0;
            a[BlockBand(5) + BLOCK_BAND_GAIN + 1] = 0;
            SetFrameChecksum(a.data(), BLOCK_FRAME_LEN);
        } else if (a.size() == SHORT_FRAME_LEN && a[FRAME_CMD] == CMD_NAME_REPLY && a[FRAME_INDEX2] == 2) {
            std::copy_n("BROKEN  ", PRESET_NAME_LEN, a.begin() + FRAME_PAYLOAD);
            SetFrameChecksum(a.data(), SHORT_FRAME_LEN);
        }
    });
    r = Ctl({"write", "--port", port, "--slot", "2", Path("demo.dia"), "--name", "KEEP", "--verify"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("slot 2 does not hold what was written (written -> stored):\n"
                         "  name: \"KEEP\" -> \"BROKEN\"\n"
                         "  channel 3 band 6 gain: 0.0 dB -> -20.0 dB\n"),
              std::string::npos)
        << r.err;

    // verify names the garbled slot field by field, against the backup.
    r = Ctl({"verify", "--port", port, Path("backup"), "--slots", "0-2"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("slot 1  \"2WAY\"  equal to the backup"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("slot 2 differs from the backup (backup -> device):\n"
                         "  name: \"KEEP\" -> \"BROKEN\"\n"
                         "  channel 3 band 6 gain: 0.0 dB -> -20.0 dB\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("verify failed: slot 2 differs from the backup"), std::string::npos) << r.err;

    // Slots the device keeps faithfully restore; the one it garbles fails the restore.
    r = Ctl({"restore", "--port", port, Path("backup"), "--slots", "1-3"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("slot 1  \"2WAY\"  restored and read back equal"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("slot 3  \"SUB+SAT\"  restored and read back equal"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("slot 2 does not hold what was written"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("restore failed: slot 2 read back different"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Restored"), std::string::npos) << r.out;
}

// A backup written over an earlier one replaces it whole or not at all: on a
// disk that fills up halfway the earlier backup stays exactly as it was,
// never new slot files under the old index. Names print alike in listings.
TEST_F(BackupCommandsTest, AFailedBackupLeavesTheEarlierOneAsItWas)
{
    SimServerOptions options;
    options.bPaced = false;
    CSimPtyServer server(options);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    // The port under a long path, so the index (which records it) is the
    // largest file of the backup.
    fs::path deep = m_dir;
    for (int i = 0; i < 10; ++i)
        deep /= std::string(200, static_cast<char>('a' + i));
    fs::create_directories(deep);
    const std::string port = (deep / "port").string();
    fs::create_symlink(server.GetPortPath(), port);

    ASSERT_EQ(Ctl({"demo", Path("demo.dia")}).code, 0);
    const std::string odd = "\xC3\x96\"\\x";  // Ö"\x
    Result r = Ctl({"write", "--port", port, "--slot", "2", Path("demo.dia"), "--name", odd});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string backup = Path("backup");
    r = Ctl({"backup", "--port", port, backup});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("slot 2  \"\xC3\x96\\x22\\x5Cx\"  slot2-___x.dia"), std::string::npos) << r.out;
    EXPECT_NE(Ctl({"names", "--port", port}).out.find("2         \xC3\x96\\x22\\x5Cx\n"), std::string::npos);
    WriteText(fs::path(backup) / "notes.txt", "mine");

    // Slot 2 changes under the same name, so its file name stays.
    r = Ctl({"write", "--port", port, "--slot", "2", backup + "/slot4-VOCAL.dia", "--name", odd});
    ASSERT_EQ(r.code, 0) << r.err;
    std::map<std::string, std::string> before;
    for (const std::string& name : FilesIn(backup))
        before[name] = ReadText(fs::path(backup) / name);

    // Files may grow to 2000 bytes: every slot file fits, the index does not.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 2000;
    setrlimit(RLIMIT_FSIZE, &small);
    r = Ctl({"backup", "--port", port, backup, "--force"});
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("index.json: cannot write"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the backup in " + backup + " was left as it was"), std::string::npos) << r.err;
    for (const auto& [name, text] : before)
        EXPECT_TRUE(ReadText(fs::path(backup) / name) == text) << name;
    EXPECT_EQ(FilesIn(backup).size(), before.size());
    EXPECT_EQ(FilesIn(m_dir).size(), 3u) << "demo.dia, backup, the long path's first folder; nothing left beside";

    // With room, the new backup replaces the old one whole and keeps what
    // else the folder held.
    r = Ctl({"backup", "--port", port, backup, "--force"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(ReadText(fs::path(backup) / "slot2-___x.dia") != before["slot2-___x.dia"]);
    EXPECT_EQ(ReadText(fs::path(backup) / "notes.txt"), "mine");
    EXPECT_EQ(FilesIn(backup).size(), before.size());
    EXPECT_EQ(FilesIn(m_dir).size(), 3u);
}
