#include "DeviceNames.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string DeviceNamesFile()
{
    if (const char* pszXdg = std::getenv("XDG_CONFIG_HOME"); pszXdg && *pszXdg)
        return std::string(pszXdg) + "/varden/devices";
    if (const char* pszHome = std::getenv("HOME"); pszHome && *pszHome)
        return std::string(pszHome) + "/.config/varden/devices";
    return std::string();
}

bool LoadDeviceNames(std::vector<NamedDevice>& devices, std::string& strError)
{
    devices.clear();
    const std::string strFile = DeviceNamesFile();
    std::ifstream in(strFile);
    std::string strLine;
    for (int nLine = 1; std::getline(in, strLine); ++nLine) {
        strLine = strLine.substr(0, strLine.find('#'));
        std::istringstream words(strLine);
        NamedDevice device;
        std::string strExtra;
        if (!(words >> device.strName))
            continue;  // blank or comment
        const std::string strWhere = strFile + " line " + std::to_string(nLine);
        if (!(words >> device.strPort) || (words >> strExtra)) {
            strError = strWhere + ": expected 'NAME PORT'";
            return false;
        }
        if (std::any_of(devices.begin(), devices.end(),
                        [&](const NamedDevice& d) { return d.strName == device.strName; })) {
            strError = strWhere + ": the name '" + device.strName + "' is given twice";
            return false;
        }
        devices.push_back(device);
    }
    return true;
}
