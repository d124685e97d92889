#include "NetPortMemory.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "NetAddress.h"

std::string NetPortsFile()
{
    if (const char* pszFile = std::getenv("VARDEN_NET_PORTS"); pszFile && *pszFile)
        return pszFile;
    std::string strConfig;
    if (const char* pszXdg = std::getenv("XDG_CONFIG_HOME"); pszXdg && *pszXdg)
        strConfig = pszXdg;
    else if (const char* pszHome = std::getenv("HOME"); pszHome && *pszHome)
        strConfig = std::string(pszHome) + "/.config";
    else
        return std::string();
    return strConfig + "/varden/network-ports";
}

std::vector<std::string> LoadNetPorts()
{
    std::vector<std::string> astrPorts;
    const std::string strFile = NetPortsFile();
    if (strFile.empty())
        return astrPorts;
    std::ifstream in(strFile);
    std::string strLine;
    NetAddress address;
    while (std::getline(in, strLine) && astrPorts.size() < MAX_REMEMBERED_NET_PORTS) {
        if (ParseNetAddress(strLine, address) &&
            std::find(astrPorts.begin(), astrPorts.end(), strLine) == astrPorts.end())
            astrPorts.push_back(strLine);
    }
    return astrPorts;
}

bool RememberNetPort(const std::string& strPort)
{
    NetAddress address;
    const std::string strFile = NetPortsFile();
    if (!ParseNetAddress(strPort, address) || strFile.empty())
        return false;
    std::vector<std::string> astrPorts = LoadNetPorts();
    astrPorts.erase(std::remove(astrPorts.begin(), astrPorts.end(), strPort), astrPorts.end());
    astrPorts.insert(astrPorts.begin(), strPort);
    if (astrPorts.size() > MAX_REMEMBERED_NET_PORTS)
        astrPorts.resize(MAX_REMEMBERED_NET_PORTS);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(strFile).parent_path(), ec);
    // Written aside and renamed, so a failed write leaves the old list.
    // Several vardenctl processes may remember at once: each writes its own.
    const std::string strTemp = strFile + ".new" + std::to_string(getpid());
    {
        std::ofstream out(strTemp, std::ios::trunc);
        for (const std::string& str : astrPorts)
            out << str << "\n";
        if (!out.flush())
            return false;
    }
    std::filesystem::rename(strTemp, strFile, ec);
    return !ec;
}
