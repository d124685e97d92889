#include "EnumerateSerialPorts.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "Trace.h"

namespace fs = std::filesystem;

namespace {

constexpr char CLASS_TTY_DIR[] = "class/tty";
constexpr char DEVICES_DIR[] = "devices";
constexpr char VIRTUAL_DIR[] = "virtual";
constexpr char DEVICE_LINK[] = "device";
constexpr char DRIVER_LINK[] = "driver";
constexpr char DRIVER_8250[] = "serial8250";
constexpr char UART_TYPE_ATTR[] = "type";
constexpr char USB_PRODUCT_ATTR[] = "product";
constexpr char USB_DEVICE_ATTR[] = "idVendor";  // present on USB devices, not on their interfaces
constexpr char USB_BUS_PREFIX[] = "usb";        // root hubs are usb1, usb2, ...
constexpr char DESCRIPTION_CUT_MARK[] = " (";
constexpr char DESCRIPTION_CLOSE = ')';
constexpr char WHITESPACE[] = " \t\r\n\v\f";
constexpr char BY_ID_DIR[] = "serial/by-id";  // udev's stable links, below the /dev root

// A sysfs attribute is at most one page; anything longer is not an attribute.
constexpr std::size_t MAX_ATTRIBUTE_BYTES = 4096;

constexpr int PORT_OPEN_FLAGS = O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string FormatCouldNotRead(const fs::path& path, int nError)
{
    char szCode[32];
    std::snprintf(szCode, sizeof szCode, "%lx", static_cast<unsigned long>(nError));
    return "Could not read from " + path.string() + ". (err=" + szCode + ")";
}

// Reads a sysfs attribute as text. Refuses anything but a regular file, so a
// FIFO or device planted in a tree can neither block nor feed us endlessly.
std::optional<std::string> ReadAttribute(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::optional<std::string> text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        std::string buf(MAX_ATTRIBUTE_BYTES, '\0');
        std::size_t nHave = 0;
        while (nHave < buf.size()) {
            const ssize_t n = ::read(fd, buf.data() + nHave, buf.size() - nHave);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            nHave += static_cast<std::size_t>(n);
        }
        buf.resize(nHave);
        text = std::move(buf);
    }
    ::close(fd);
    return text;
}

// Attribute text as one clean line for the list: control bytes become blanks,
// surrounding whitespace goes.
std::string CleanText(std::string str)
{
    for (char& c : str)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    const auto nFirst = str.find_first_not_of(WHITESPACE);
    if (nFirst == std::string::npos)
        return {};
    const auto nLast = str.find_last_not_of(WHITESPACE);
    return str.substr(nFirst, nLast - nFirst + 1);
}

// The name of the driver bound to a sysfs device directory, or empty.
std::string DriverName(const fs::path& deviceDir)
{
    std::error_code ec;
    std::string strTarget = fs::read_symlink(deviceDir / DRIVER_LINK, ec).string();
    if (ec)
        return {};
    while (!strTarget.empty() && strTarget.back() == '/')
        strTarget.pop_back();
    return fs::path(strTarget).filename().string();
}

bool IsUsbBusName(const std::string& strName)
{
    const std::size_t nPrefix = sizeof USB_BUS_PREFIX - 1;
    return strName.size() > nPrefix && strName.compare(0, nPrefix, USB_BUS_PREFIX) == 0 &&
           std::all_of(strName.begin() + nPrefix, strName.end(), IsDigit);
}

// Where a tty's device sits below <sysfs>/devices, as path components.
struct DevicePlace {
    fs::path deviceDir;
    std::vector<std::string> components;  // below devicesRoot, outermost first
};

std::optional<DevicePlace> LocateDevice(const fs::path& entryDir, const fs::path& devicesRoot)
{
    std::error_code ec;
    DevicePlace place{fs::canonical(entryDir / DEVICE_LINK, ec), {}};
    if (ec)
        return std::nullopt;  // no device link (virtual consoles), dangling or looping
    auto [itRoot, itDevice] =
        std::mismatch(devicesRoot.begin(), devicesRoot.end(), place.deviceDir.begin(), place.deviceDir.end());
    if (itRoot != devicesRoot.end())
        return std::nullopt;  // not a device at all
    for (; itDevice != place.deviceDir.end(); ++itDevice)
        place.components.push_back(itDevice->string());
    if (place.components.empty())
        return std::nullopt;
    return place;
}

// The 8250 driver registers a fixed number of ports whether or not a UART
// answers. Older kernels bind the tty's device to serial8250 itself, newer
// ones hang port and controller devices below it, so look up the chain.
bool IsOn8250Driver(const DevicePlace& place)
{
    fs::path dir = place.deviceDir;
    for (std::size_t n = place.components.size(); n > 0; --n, dir = dir.parent_path())
        if (DriverName(dir) == DRIVER_8250)
            return true;
    return false;
}

// sysfs knows the UART type without opening the port (no permission needed,
// no modem lines touched); TIOCGSERIAL is the fallback for kernels without it.
bool DefaultIsRealUart(const fs::path& entryDir, const std::string& strDevicePath)
{
    if (const auto text = ReadAttribute(entryDir / UART_TYPE_ATTR)) {
        const std::string strType = CleanText(*text);
        int nType = 0;
        const auto [pEnd, err] = std::from_chars(strType.data(), strType.data() + strType.size(), nType);
        if (err == std::errc() && pEnd == strType.data() + strType.size())
            return nType != PORT_UNKNOWN;
    }
    return IsRealUart(strDevicePath);
}

// A USB port's description is the product string of its USB device: the
// first directory above the tty that is a USB device, never the root hub,
// whose product would name the host controller.
std::string UsbProduct(const DevicePlace& place, std::size_t nBusIndex)
{
    fs::path dir = place.deviceDir;
    for (std::size_t n = place.components.size(); n > nBusIndex + 1; --n, dir = dir.parent_path()) {
        std::error_code ec;
        const bool fHasProduct = fs::exists(dir / USB_PRODUCT_ATTR, ec);
        if (fHasProduct || fs::exists(dir / USB_DEVICE_ATTR, ec)) {
            if (!fHasProduct)
                return {};  // many cheap adapters carry no product string
            const auto text = ReadAttribute(dir / USB_PRODUCT_ATTR);
            return text ? CleanText(*text) : std::string();
        }
    }
    return {};
}

// udev's links that name a port by what it is (vendor, product, serial
// number): the tty each points to, and the link. A port with several keeps
// the first in name order.
std::vector<std::pair<std::string, std::string>> ListStableNames(const fs::path& devRoot)
{
    std::vector<std::pair<std::string, std::string>> links;
    std::error_code ec;
    for (fs::directory_iterator it(devRoot / BY_ID_DIR, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code ecLink;
        const fs::path target = fs::read_symlink(it->path(), ecLink);
        if (!ecLink)
            links.emplace_back(target.filename().string(), it->path().string());
    }
    std::sort(links.begin(), links.end());
    return links;
}

std::vector<std::string> ListTtyNames(const fs::path& classDir)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(classDir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string strName = it->path().filename().string();
        if (!strName.empty() && strName.front() != '.')
            names.push_back(std::move(strName));
    }
    if (ec)
        throw CSerialDiscoveryError(FormatCouldNotRead(classDir, ec.value()));
    return names;
}

std::optional<SerialPortInfo> ExamineTty(const std::string& strName, const fs::path& classDir,
                                         const fs::path& devicesRoot, const SerialDiscoveryOptions& options)
{
    const fs::path entryDir = classDir / strName;
    const auto place = LocateDevice(entryDir, devicesRoot);
    if (!place || place->components.front() == VIRTUAL_DIR)
        return std::nullopt;

    SerialPortInfo info;
    info.strPort = strName;
    info.strDisplayName = strName;
    info.strDevicePath = (fs::path(options.strDevRoot) / strName).string();

    // sysfs may show the host's ports inside a container that has no node
    // for them; such a port could not be opened anyway.
    std::error_code ec;
    if (!fs::exists(info.strDevicePath, ec)) {
        Trace("EnumerateSerialPorts - %s has no device node\n", strName.c_str());
        return std::nullopt;
    }

    if (IsOn8250Driver(*place)) {
        const bool fReal = options.pfnIsRealUart ? options.pfnIsRealUart(info.strDevicePath)
                                                 : DefaultIsRealUart(entryDir, info.strDevicePath);
        if (!fReal)
            return std::nullopt;
    }

    const auto itBus = std::find_if(place->components.begin(), place->components.end(), IsUsbBusName);
    info.fUsb = itBus != place->components.end();
    if (info.fUsb)
        info.strDescription = UsbProduct(*place, static_cast<std::size_t>(itBus - place->components.begin()));
    return info;
}

}  // namespace

void EnumerateSerialPorts(std::vector<SerialPortInfo>& ports, bool fCheckBusy)
{
    EnumerateSerialPorts(ports, fCheckBusy, SerialDiscoveryOptions{});
}

void EnumerateSerialPorts(std::vector<SerialPortInfo>& ports, bool fCheckBusy, const SerialDiscoveryOptions& options)
{
    ports.clear();

    const fs::path sysfsRoot(options.strSysfsRoot);
    const fs::path classDir = sysfsRoot / CLASS_TTY_DIR;
    std::vector<std::string> names = ListTtyNames(classDir);
    std::sort(names.begin(), names.end(), PortNameLess);

    std::error_code ec;
    const fs::path devicesRoot = fs::canonical(sysfsRoot / DEVICES_DIR, ec);
    if (ec) {
        Trace("EnumerateSerialPorts - No devices below %s\n", sysfsRoot.c_str());
        return;
    }

    const auto stable = ListStableNames(options.strDevRoot);
    for (const std::string& strName : names) {
        auto info = ExamineTty(strName, classDir, devicesRoot, options);
        if (!info)
            continue;
        const auto itStable = std::lower_bound(stable.begin(), stable.end(), std::pair{strName, std::string()});
        if (itStable != stable.end() && itStable->first == strName)
            info->strStableName = itStable->second;
        if (fCheckBusy) {
            const bool fBusy =
                options.pfnIsBusy ? options.pfnIsBusy(info->strDevicePath) : IsPortBusy(info->strDevicePath);
            if (fBusy) {
                Trace("EnumerateSerialPorts - %s is busy\n", strName.c_str());
                continue;
            }
        }
        CompleteSerialPortInfo(*info);
        ports.push_back(std::move(*info));
    }
}

void CompleteSerialPortInfo(SerialPortInfo& info)
{
    if (info.strDisplayName.empty())
        info.strDisplayName = info.strPort;
    if (!info.strDescription.empty())
        return;
    info.strDescription = info.strDisplayName;
    const auto nMark = info.strDescription.find(DESCRIPTION_CUT_MARK);
    const auto nClose = info.strDescription.find(DESCRIPTION_CLOSE);
    if (nMark != std::string::npos && nMark > 0 && nClose + 1 == info.strDescription.size())
        info.strDescription.resize(nMark);
}

bool PortNameLess(const std::string& strA, const std::string& strB)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < strA.size() && j < strB.size()) {
        if (IsDigit(strA[i]) && IsDigit(strB[j])) {
            // Compare digit runs by value without converting, so no run is too long.
            while (i < strA.size() && strA[i] == '0' && i + 1 < strA.size() && IsDigit(strA[i + 1]))
                ++i;
            while (j < strB.size() && strB[j] == '0' && j + 1 < strB.size() && IsDigit(strB[j + 1]))
                ++j;
            std::size_t iEnd = i;
            std::size_t jEnd = j;
            while (iEnd < strA.size() && IsDigit(strA[iEnd]))
                ++iEnd;
            while (jEnd < strB.size() && IsDigit(strB[jEnd]))
                ++jEnd;
            if (iEnd - i != jEnd - j)
                return iEnd - i < jEnd - j;
            if (const int nCmp = strA.compare(i, iEnd - i, strB, j, jEnd - j); nCmp != 0)
                return nCmp < 0;
            i = iEnd;
            j = jEnd;
            continue;
        }
        if (strA[i] != strB[j])
            return static_cast<unsigned char>(strA[i]) < static_cast<unsigned char>(strB[j]);
        ++i;
        ++j;
    }
    if (i < strA.size() || j < strB.size())
        return j < strB.size();
    return strA < strB;  // equal by value ("ttyS01", "ttyS1"): keep the order strict
}

bool IsPortBusy(const std::string& strDevicePath)
{
    // No TIOCEXCL here: on a tty someone else keeps open it would outlive our
    // close and lock them and everyone else out. A holder's TIOCEXCL already
    // fails our open, and its flock fails ours.
    const int fd = ::open(strDevicePath.c_str(), PORT_OPEN_FLAGS);
    if (fd < 0)
        return true;
    const bool fBusy = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return fBusy;
}

bool IsRealUart(const std::string& strDevicePath)
{
    const int fd = ::open(strDevicePath.c_str(), PORT_OPEN_FLAGS);
    if (fd < 0)
        return false;  // cannot tell: leave it out rather than list a phantom
    serial_struct serial{};
    const bool fReal = ::ioctl(fd, TIOCGSERIAL, &serial) == 0 && serial.type != PORT_UNKNOWN;
    ::close(fd);
    return fReal;
}
