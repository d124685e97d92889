// Where EnumerateSerialPorts looks and how it probes the ports it finds. Tests
// point it at a fake sysfs and /dev tree and replace the hardware probes.
#pragma once

#include <functional>
#include <string>

inline constexpr char DEFAULT_SYSFS_ROOT[] = "/sys";
inline constexpr char DEFAULT_DEV_ROOT[] = "/dev";

struct SerialDiscoveryOptions {
    // Called with the port's device path (<dev root>/<name>).
    using PortProbe = std::function<bool(const std::string& strDevicePath)>;

    std::string strSysfsRoot = DEFAULT_SYSFS_ROOT;
    std::string strDevRoot = DEFAULT_DEV_ROOT;

    // Whether a port of the 8250 driver is a real UART rather than one of the
    // phantom ports it registers. Empty: the port's sysfs "type" attribute,
    // and where that is missing, IsRealUart.
    PortProbe pfnIsRealUart;

    // Whether the busy check drops a port. Empty: IsPortBusy.
    PortProbe pfnIsBusy;
};
