// One serial port found by EnumerateSerialPorts: the path that opens it, the
// name the COM port list shows, and whether it comes through USB.
#pragma once

#include <string>

struct SerialPortInfo {
    std::string strDevicePath;   // opens the device, e.g. /dev/ttyUSB0
    std::string strPort;         // kernel name, e.g. ttyUSB0
    std::string strDisplayName;  // shown in the list; the link opens /dev/<this>
    bool fUsb = false;
    std::string strDescription;  // USB product text, else the display name
};
