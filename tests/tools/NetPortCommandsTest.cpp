// vardenctl through ser2net, the real device server, in front of the virtual
// processor: every transfer must leave the device and the files exactly as
// the same transfer on the pseudo-terminal itself does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "Ser2net.h"
#include "SimPtyServer.h"
#include "VardenctlRun.h"

namespace fs = std::filesystem;

namespace {
std::vector<BYTE> DeviceState(CSimPtyServer& server)
{
    return server.WithProcessor([](CVirtualProcessor& p) { return p.SaveState(); });
}

std::unique_ptr<CSimPtyServer> StartSim(bool bPaced)
{
    SimServerOptions options;
    options.bPaced = bPaced;
    auto pServer = std::make_unique<CSimPtyServer>(options);
    std::string error;
    EXPECT_TRUE(pServer->Start(error)) << error;
    return pServer;
}

// The folder's presets and their bytes (its index names the port and the time).
std::map<std::string, std::string> FolderBytes(const fs::path& dir)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".dia")
            files[e.path().filename().string()] = ReadText(e.path());
    return files;
}

class NetPortCommandsTest : public CommandTest {};
}  // namespace

// The same commands on a device behind each of ser2net's two modes and on a
// reference device reached directly; a name of eight 0xFF bytes makes the
// name frame all 0xFF but its checksum, which telnet must escape both ways.
TEST_F(NetPortCommandsTest, TransfersThroughBothModesMatchTheDirectLineByteForByte)
{
    auto pReference = StartSim(false);
    auto pServed = StartSim(false);
    CSer2net ser2net({pServed->GetPortPath()});
    ASSERT_EQ(Ctl({"demo", Path("demo.dia")}).code, 0);
    const std::string strAllFF = "\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF\xC3\xBF";  // "ÿ" x 8

    for (const std::string& port : {ser2net.At(0).strRaw, ser2net.At(0).strTelnet}) {
        SCOPED_TRACE(port);
        const std::string tag = port.substr(0, 3);
        for (const auto& [name, strPort] :
             {std::pair{std::string("ref"), pReference->GetPortPath()}, std::pair{tag, port}}) {
            Result r = Ctl({"write", "--port", strPort, "--slot", "2", Path("demo.dia"), "--name", "NET", "--verify"});
            ASSERT_EQ(r.code, 0) << r.err;
            r = Ctl({"write", "--port", strPort, "--slot", "4", Path("demo.dia"), "--name", strAllFF});
            ASSERT_EQ(r.code, 0) << r.err;
            r = Ctl({"read", "--port", strPort, "--slot", "4", Path(name + "-4.dia")});
            ASSERT_EQ(r.code, 0) << r.err;
            r = Ctl({"backup", "--port", strPort, Path(name + "-backup")});
            ASSERT_EQ(r.code, 0) << r.err;
            r = Ctl({"names", "--port", strPort});
            ASSERT_EQ(r.code, 0) << r.err;
            EXPECT_NE(r.out.find("4         " + strAllFF), std::string::npos) << r.out;
        }
        EXPECT_TRUE(DeviceState(*pServed) == DeviceState(*pReference));
        EXPECT_TRUE(ReadText(Path(tag + "-4.dia")) == ReadText(Path("ref-4.dia")));
        const auto backup = FolderBytes(Path(tag + "-backup"));
        EXPECT_EQ(backup.size(), 6u);
        EXPECT_TRUE(backup == FolderBytes(Path("ref-backup")));
        fs::remove_all(Path("ref-backup"));
    }
}

// What the user is told when the device server is not there, is the wrong
// kind, or goes away in the middle of a read; nothing half-read is stored.
TEST_F(NetPortCommandsTest, RefusedWrongKindAndVanishedServersAreSaidAsTheyAre)
{
    const std::string nowhere = "tcp://127.0.0.1:" + std::to_string(CSer2net::FreePort());
    Result r = Ctl({"names", "--port", nowhere});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("the connection to " + nowhere.substr(6) + " was refused"), std::string::npos) << r.err;

    auto pServed = StartSim(true);
    CSer2net ser2net({pServed->GetPortPath()});
    // Telnet asked of a raw port: the server never takes the serial settings.
    r = Ctl({"names", "--port", "rfc2217://" + ser2net.At(0).strRaw.substr(6)});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("does not take serial settings over telnet"), std::string::npos) << r.err;

    // A paced read of a slot takes over a second; the server dies in it.
    const std::vector<BYTE> before = DeviceState(*pServed);
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        ser2net.Stop();
    });
    r = Ctl({"read", "--port", ser2net.At(0).strTelnet, "--slot", "3", Path("cut.dia")});
    killer.join();
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("was closed by the device server"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("cut.dia")));
    EXPECT_EQ(DeviceState(*pServed), before);
}

// A rack: two devices behind ser2net (one named in the devices file), one
// on its pseudo-terminal, and a name that points where nothing listens.
// Every device gets its own lines and result; the failing one spoils
// nothing of the others, and the exit status says that one failed.
TEST_F(NetPortCommandsTest, SeveralDevicesWorkAtOnceAndTheFailingOneIsNamed)
{
    auto pFirst = StartSim(false), pSecond = StartSim(false), pLocal = StartSim(false);
    CSer2net ser2net({pFirst->GetPortPath(), pSecond->GetPortPath()});
    const std::string nowhere = "tcp://127.0.0.1:" + std::to_string(CSer2net::FreePort());
    fs::create_directories(m_dir / "config/varden");
    WriteText(m_dir / "config/varden/devices",
              "# the rack\nstage-left  " + ser2net.At(1).strTelnet + "\n\nbroken " + nowhere + "  # unplugged\n");
    const char* pszOldConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string oldConfig = pszOldConfig ? pszOldConfig : "";
    setenv("XDG_CONFIG_HOME", Path("config").c_str(), 1);
    ASSERT_EQ(Ctl({"demo", Path("demo.dia")}).code, 0);

    const std::string first = ser2net.At(0).strRaw, second = ser2net.At(1).strTelnet, local = pLocal->GetPortPath();
    Result r = Ctl({"write", "--port", first, "--device", "stage-left", "--port", local, "--slot", "1",
                    Path("demo.dia"), "--name", "RACK"});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    for (const std::string& port : {first, second, local})
        EXPECT_NE(r.out.find(port + ": ok\n"), std::string::npos) << r.out;
    EXPECT_EQ(DeviceState(*pFirst), DeviceState(*pLocal));
    EXPECT_EQ(DeviceState(*pSecond), DeviceState(*pLocal));

    r = Ctl({"backup", "--all", "--port", first, "--port", local, Path("rack")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find(second + ": ok\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(first + ": ok\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(local + ": ok\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(nowhere + ": failed\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(nowhere + ": vardenctl backup: Unable to Open COM-Port: the connection to " +
                         nowhere.substr(6) + " was refused"),
              std::string::npos)
        << r.err;
    const std::string firstDir = "tcp_127.0.0.1_" + first.substr(first.rfind(':') + 1);
    EXPECT_TRUE(fs::exists(m_dir / "rack" / firstDir / "slot1-RACK.dia")) << firstDir;
    EXPECT_EQ(FolderBytes(m_dir / "rack" / firstDir).size(), 6u);
    EXPECT_FALSE(fs::exists(m_dir / "rack" / ("tcp_127.0.0.1_" + nowhere.substr(nowhere.rfind(':') + 1))));

    r = Ctl({"names", "--device", "nobody"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("--device nobody: no such name in"), std::string::npos) << r.err;
    if (oldConfig.empty())
        unsetenv("XDG_CONFIG_HOME");
    else
        setenv("XDG_CONFIG_HOME", oldConfig.c_str(), 1);
}
