// Names for devices, so that a rack is addressed by what its processors do:
// ~/.config/varden/devices ($XDG_CONFIG_HOME/varden/devices), one device a
// line as "NAME  PORT" ("stage-left  rfc2217://rack1:7001"); '#' begins a
// comment. --device NAME takes one, --all every one.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct NamedDevice {
    std::string strName;
    std::string strPort;
};

std::string DeviceNamesFile();
// The file's devices in its order; false with the reason (a line that is not
// NAME PORT, a name given twice) when it cannot be used. A missing file is
// an empty list.
bool LoadDeviceNames(std::vector<NamedDevice>& devices, std::string& strError);
