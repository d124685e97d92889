// Serial port discovery: lists the machine's serial ports from sysfs for the
// COM port list, one SerialPortInfo per port, sorted by name.
#pragma once

#include <string>
#include <vector>

#include "SerialDiscoveryError.h"
#include "SerialDiscoveryOptions.h"
#include "SerialPortInfo.h"

// Empties ports, then fills it with the ports under /sys/class/tty that have a
// /dev node, are not virtual and, for the 8250 driver, are real UARTs. With
// fCheckBusy, ports that cannot be opened and locked exclusively right now are
// left out. Throws CSerialDiscoveryError when <sysfs>/class/tty cannot be
// listed; ports is then empty. Odd single entries are skipped, never fatal.
void EnumerateSerialPorts(std::vector<SerialPortInfo>& ports, bool fCheckBusy);
void EnumerateSerialPorts(std::vector<SerialPortInfo>& ports, bool fCheckBusy, const SerialDiscoveryOptions& options);

// The common finish of every record: an empty display name gets strPort; an
// empty description gets the display name, cut before a trailing " (...)".
void CompleteSerialPortInfo(SerialPortInfo& info);

// Natural order of port names: digit runs compare by value, so ttyS2 comes
// before ttyS10. A strict weak order for any strings.
bool PortNameLess(const std::string& strA, const std::string& strB);

// The default probes, on the real device.
bool IsPortBusy(const std::string& strDevicePath);  // cannot open or flock it exclusively
bool IsRealUart(const std::string& strDevicePath);  // TIOCGSERIAL type != PORT_UNKNOWN
