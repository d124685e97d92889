// One serial port found by EnumerateSerialPorts: the path that opens it, the
// name the COM port list shows, whether it comes through USB, and the name
// that finds it again after replugging.
#pragma once

#include <string>

struct SerialPortInfo {
    std::string strDevicePath;   // opens the device, e.g. /dev/ttyUSB0
    std::string strPort;         // kernel name, e.g. ttyUSB0
    std::string strDisplayName;  // shown in the list; the link opens /dev/<this>
    bool fUsb = false;
    std::string strDescription;  // USB product text, else the display name
    // The name that stays when the adapter comes back on another ttyUSB
    // number: its link under /dev/serial/by-id, empty where it has none.
    std::string strStableName;
};
