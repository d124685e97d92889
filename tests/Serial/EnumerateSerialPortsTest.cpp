// Port discovery against fake sysfs and /dev trees: which ttys become ports,
// their records, the description rule, the order, the busy check, failures.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "EnumerateSerialPorts.h"

namespace fs = std::filesystem;

namespace {

const std::string USB_BUS = "devices/pci0000:00/0000:00:14.0/usb1";
const std::string PLATFORM_8250 = "devices/platform/serial8250";

void WriteFile(const fs::path& path, const std::string& strText)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << strText;
}

// A temporary machine: <root>/sys and <root>/dev. Holds USB adapters, a CDC
// ACM device, legacy and newer-kernel 8250 ports (real and phantom), a PnP
// UART, consoles and odd entries.
class EnumerateSerialPortsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string strTemplate = (fs::temp_directory_path() / "varden-disc-XXXXXX").string();
        ASSERT_NE(::mkdtemp(strTemplate.data()), nullptr);
        m_root = strTemplate;
        fs::create_directories(Sys() / "class/tty");
        fs::create_directories(Dev());

        const std::pair<const char*, std::string> ttys[] = {
            {"ttyUSB0", USB_BUS + "/1-1/1-1:1.0/ttyUSB0"},
            {"ttyACM0", USB_BUS + "/1-2/1-2:1.0"},
            {"ttyUSB1", USB_BUS + "/1-3/1-3.1/1-3.1:1.0/ttyUSB1"},  // no product, behind a hub with one
            {"ttyUSB2", USB_BUS + "/1-4/1-4:1.0/ttyUSB2"},          // product is a FIFO
            {"ttyUSB3", USB_BUS + "/1-5/1-5:1.0/ttyUSB3"},          // no attributes up to the root hub
            {"ttyS0", PLATFORM_8250},                               // legacy kernels
            {"ttyS1", PLATFORM_8250},
            {"ttyS2", PLATFORM_8250 + "/serial8250:0/serial8250:0.2"},  // newer kernels
            {"ttyS3", PLATFORM_8250 + "/serial8250:0/serial8250:0.3"},
            {"ttyS10", "devices/pnp0/00:05"},  // real by nature, never probed
            {"ptmx", "devices/virtual/misc/ptmx"},
            {"ttyGONE", "devices/nowhere"},  // dangling once removed below
        };
        for (const auto& [pszName, strDevice] : ttys) {
            fs::create_directories(Sys() / strDevice);
            fs::create_directories(Sys() / "class/tty" / pszName);
            fs::create_directory_symlink("../../../" + strDevice, Sys() / "class/tty" / pszName / "device");
            WriteFile(Dev() / pszName, "");
        }
        fs::remove(Sys() / "devices/nowhere");
        fs::create_directories(Sys() / "class/tty/ttyLOOP");
        fs::create_directory_symlink("device", Sys() / "class/tty/ttyLOOP/device");
        WriteFile(Dev() / "ttyLOOP", "");
        fs::create_directories(Sys() / "class/tty/tty1");  // virtual console: no device link
        WriteFile(Dev() / "tty1", "");
        fs::create_directories(Sys() / "class/tty/ttyHOST");  // a container's: no /dev node
        fs::create_directory_symlink("../../../devices/pnp0/00:05", Sys() / "class/tty/ttyHOST/device");

        for (const auto& [strPath, pszText] : std::initializer_list<std::pair<std::string, const char*>>{
                 {USB_BUS + "/product", "xHCI Host Controller\n"},
                 {USB_BUS + "/idVendor", "1d6b\n"},
                 {USB_BUS + "/1-1/product", "  FT232R USB UART \n"},
                 {USB_BUS + "/1-1/idVendor", "0403\n"},
                 {USB_BUS + "/1-2/product", "Audio Processor\n"},
                 {USB_BUS + "/1-3/product", "USB2.0 Hub\n"},
                 {USB_BUS + "/1-3/idVendor", "05e3\n"},
                 {USB_BUS + "/1-3/1-3.1/idVendor", "067b\n"},
                 {"class/tty/ttyS0/type", "4\n"},
                 {"class/tty/ttyS1/type", "0\n"}})
            WriteFile(Sys() / strPath, pszText);
        ::mkfifo((Sys() / USB_BUS / "1-4/product").c_str(), 0600);

        fs::create_directory_symlink("../../../bus/platform/drivers/serial8250", Sys() / PLATFORM_8250 / "driver");
        for (const char* pszPort : {"serial8250:0.2", "serial8250:0.3"})
            fs::create_directory_symlink("../../../../../bus/serial-base/drivers/port",
                                         Sys() / PLATFORM_8250 / "serial8250:0" / pszPort / "driver");
        fs::create_directory_symlink("../../../bus/pnp/drivers/serial", Sys() / "devices/pnp0/00:05/driver");
    }
    void TearDown() override { fs::remove_all(m_root); }

    fs::path Sys() const { return m_root / "sys"; }
    fs::path Dev() const { return m_root / "dev"; }

    SerialDiscoveryOptions Options(bool fProbe = true)
    {
        SerialDiscoveryOptions options;
        options.strSysfsRoot = Sys().string();
        options.strDevRoot = Dev().string();
        if (fProbe)
            options.pfnIsRealUart = [this](const std::string& strDevicePath) {
                const std::string strName = fs::path(strDevicePath).filename().string();
                m_probed.insert(strName);
                return strName == "ttyS0" || strName == "ttyS2";
            };
        return options;
    }

    std::vector<std::string> Names(bool fCheckBusy, const SerialDiscoveryOptions& options)
    {
        std::vector<SerialPortInfo> ports(1);  // must be emptied first
        EnumerateSerialPorts(ports, fCheckBusy, options);
        std::vector<std::string> names;
        for (const SerialPortInfo& info : ports)
            names.push_back(info.strPort);
        return names;
    }

    bool Lists(bool fCheckBusy, const SerialDiscoveryOptions& options, const std::string& strName)
    {
        const auto names = Names(fCheckBusy, options);
        return std::find(names.begin(), names.end(), strName) != names.end();
    }

    fs::path m_root;
    std::set<std::string> m_probed;
};

TEST_F(EnumerateSerialPortsTest, FindsRealPortsWithTheirRecordsInNaturalOrder)
{
    // udev's stable link names the adapter, whatever number it has now.
    fs::create_directories(Dev() / "serial/by-id");
    fs::create_symlink("../../ttyUSB1", Dev() / "serial/by-id/usb-FTDI_A1-if00-port0");
    std::vector<SerialPortInfo> ports;
    EnumerateSerialPorts(ports, false, Options());
    EXPECT_EQ(m_probed, (std::set<std::string>{"ttyS0", "ttyS1", "ttyS2", "ttyS3"}));

    const std::tuple<std::string, bool, std::string> expected[] = {{"ttyACM0", true, "Audio Processor"},
                                                                   {"ttyS0", false, "ttyS0"},
                                                                   {"ttyS2", false, "ttyS2"},
                                                                   {"ttyS10", false, "ttyS10"},
                                                                   {"ttyUSB0", true, "FT232R USB UART"},
                                                                   {"ttyUSB1", true, "ttyUSB1"},
                                                                   {"ttyUSB2", true, "ttyUSB2"},
                                                                   {"ttyUSB3", true, "ttyUSB3"}};
    ASSERT_EQ(ports.size(), std::size(expected));
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const auto& [strName, fUsb, strDescription] = expected[i];
        EXPECT_EQ(ports[i].strPort, strName);
        EXPECT_EQ(ports[i].strDisplayName, strName);
        EXPECT_EQ(ports[i].strDevicePath, (Dev() / strName).string());
        EXPECT_EQ(ports[i].fUsb, fUsb) << strName;
        EXPECT_EQ(ports[i].strDescription, strDescription);
        EXPECT_EQ(ports[i].strStableName,
                  strName == "ttyUSB1" ? (Dev() / "serial/by-id/usb-FTDI_A1-if00-port0").string() : "");
    }
}

TEST_F(EnumerateSerialPortsTest, DefaultUartProbeTrustsSysfsTypeAndDropsWhatItCannotConfirm)
{
    // ttyS0 says 16550A, ttyS1 unknown; ttyS2/ttyS3 have no type and their
    // /dev nodes are plain files, so TIOCGSERIAL cannot confirm them either.
    WriteFile(Sys() / "class/tty/ttyS3/type", std::string(100000, '7'));
    const auto names = Names(false, Options(false));
    EXPECT_EQ(names,
              (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyS10", "ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyUSB3"}));
}

TEST_F(EnumerateSerialPortsTest, BusyCheckDropsAPortHeldExclusively)
{
    const int fdMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(fdMaster, 0);
    ASSERT_EQ(::grantpt(fdMaster), 0);
    ASSERT_EQ(::unlockpt(fdMaster), 0);
    const std::string strSlave = ::ptsname(fdMaster);
    fs::remove(Dev() / "ttyUSB0");
    fs::create_symlink(strSlave, Dev() / "ttyUSB0");

    // Held the way our own port class holds a port.
    const int fdHolder = ::open(strSlave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fdHolder, 0);
    ASSERT_EQ(::ioctl(fdHolder, TIOCEXCL), 0);
    ASSERT_EQ(::flock(fdHolder, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(Lists(true, Options(), "ttyUSB0"));
    EXPECT_TRUE(Lists(true, Options(), "ttyACM0"));  // plain files are free
    EXPECT_TRUE(Lists(false, Options(), "ttyUSB0"));

    ::ioctl(fdHolder, TIOCNXCL);
    ::close(fdHolder);
    EXPECT_TRUE(Lists(true, Options(), "ttyUSB0"));

    auto options = Options();
    options.pfnIsBusy = [](const std::string& strPath) { return strPath.find("ttyS") != std::string::npos; };
    EXPECT_EQ(Names(true, options), (std::vector<std::string>{"ttyACM0", "ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyUSB3"}));

    ::close(fdMaster);
    // A dangling node link means no port. (Not the closed pty's path: a test
    // running beside this one may get the same pty number at once.)
    fs::remove(Dev() / "ttyUSB0");
    fs::create_symlink(Dev() / "no-such-node", Dev() / "ttyUSB0");
    EXPECT_FALSE(Lists(false, Options(), "ttyUSB0"));
}

TEST_F(EnumerateSerialPortsTest, UnreadableTtyClassRaisesWithErrno)
{
    auto options = Options();
    std::vector<SerialPortInfo> ports(2);
    const auto Message = [&] {
        try {
            EnumerateSerialPorts(ports, false, options);
        } catch (const CSerialDiscoveryError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };

    options.strSysfsRoot = (Sys() / "absent").string();
    EXPECT_EQ(Message(), "Could not read from " + options.strSysfsRoot + "/class/tty. (err=2)");
    EXPECT_TRUE(ports.empty());
    options.strSysfsRoot = "/" + std::string(20000, 'x');
    EXPECT_EQ(Message().rfind("Could not read from /xxx", 0), 0u);

    options.strSysfsRoot = Sys().string();
    fs::remove_all(Sys() / "class/tty");
    WriteFile(Sys() / "class/tty", "not a directory");
    EXPECT_EQ(Message(), "Could not read from " + options.strSysfsRoot + "/class/tty. (err=14)");  // ENOTDIR
}

TEST(CompleteSerialPortInfo, FillsNamesAndCutsOnlyATrailingParenthesis)
{
    const struct {
        const char *pszDisplay, *pszDescription, *pszExpected;
    } cases[] = {
        {"Modem (COM2)", "", "Modem"},
        {"Modem (COM2) x", "", "Modem (COM2) x"},  // first ")" is not the last character
        {" (COM2)", "", " (COM2)"},                // " (" at position 0
        {"A (b) (c)", "", "A (b) (c)"},            // first ")" is not the last one
        {"Modem(COM2)", "", "Modem(COM2)"},        // no " ("
        {"ttyUSB0", "FT232R (x)", "FT232R (x)"},   // a description is never touched
    };
    for (const auto& c : cases) {
        SerialPortInfo info{"/dev/x", "x", c.pszDisplay, false, c.pszDescription};
        CompleteSerialPortInfo(info);
        EXPECT_EQ(info.strDescription, c.pszExpected) << c.pszDisplay;
        EXPECT_EQ(info.strDisplayName, c.pszDisplay);
    }

    SerialPortInfo bare;
    bare.strPort = "COM3";
    CompleteSerialPortInfo(bare);
    EXPECT_EQ(bare.strDisplayName, "COM3");
    EXPECT_EQ(bare.strDescription, "COM3");
}

TEST(PortNameLess, OrdersByPrefixThenNumberValue)
{
    const std::string strHuge1 = "ttyS" + std::string(40, '9');
    const std::string strHuge2 = "ttyS1" + std::string(40, '0');
    std::vector<std::string> names = {"ttyUSB10", "ttyS10", strHuge2, "ttyS2",  "ttyUSB0", "ttyS01", "ttyACM0",
                                      "ttyS1",    "ttyS",   strHuge1, "ttyS2a", "ttyS0",   "ttyUSB2"};
    std::sort(names.begin(), names.end(), PortNameLess);
    EXPECT_EQ(names, (std::vector<std::string>{"ttyACM0", "ttyS", "ttyS0", "ttyS01", "ttyS1", "ttyS2", "ttyS2a",
                                               "ttyS10", strHuge1, strHuge2, "ttyUSB0", "ttyUSB2", "ttyUSB10"}));

    for (const auto& a : names)
        EXPECT_FALSE(PortNameLess(a, a)) << a;
    EXPECT_NE(PortNameLess("ttyS1", "ttyS01"), PortNameLess("ttyS01", "ttyS1"));
}

}  // namespace
