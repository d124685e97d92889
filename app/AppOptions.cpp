#include "AppOptions.h"

#include <algorithm>
#include <cctype>

namespace {
bool IsSplashSwitch(const std::string& strArg)
{
    if (strArg.size() < 2 || (strArg[0] != '/' && strArg[0] != '-'))
        return false;
    std::string strWord = strArg.substr(1);
    std::transform(strWord.begin(), strWord.end(), strWord.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return strWord == "embedding" || strWord == "automation";
}
}  // namespace

bool ParseAppOptions(const std::vector<std::string>& args, AppOptions& options, std::string& strError)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        auto value = [&](std::string& strOut) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                strError = strArg + " needs a value";
                return false;
            }
            strOut = args[++i];
            return true;
        };
        if (IsSplashSwitch(strArg)) {
            options.bSplash = false;
        } else if (strArg == "--help" || strArg == "-h") {
            options.bHelp = true;
        } else if (strArg == "--version") {
            options.bVersion = true;
        } else if (strArg == "--simulate") {
            options.bSimulate = true;
        } else if (strArg == "--audio") {
            options.bAudio = true;
        } else if (strArg == "--state") {
            if (!value(options.strStateFile))
                return false;
        } else if (strArg == "--port") {
            std::string strPort;
            if (!value(strPort))
                return false;
            options.astrPorts.push_back(strPort);
        } else if (!strArg.empty() && strArg[0] == '-') {
            strError = "unknown option " + strArg;
            return false;
        } else if (options.strPresetFile.empty()) {
            options.strPresetFile = strArg;
        } else {
            strError = "only one preset file can be opened: " + strArg;
            return false;
        }
    }
    if (!options.strStateFile.empty() && !options.bSimulate) {
        strError = "--state needs --simulate";
        return false;
    }
    if (options.bAudio && !options.bSimulate) {
        strError = "--audio needs --simulate";
        return false;
    }
    return true;
}

std::string AppHelpText()
{
    return "Usage: varden [--simulate [--state FILE] [--audio]] [--port PATH]... [FILE.dia]\n"
           "The control window of the four-channel audio processor.\n"
           "\n"
           "  --simulate      start a virtual processor inside the program and list its\n"
           "                  port first, so \"Link\" connects to it without hardware\n"
           "  --state FILE    keep the virtual processor's presets and names in FILE\n"
           "  --audio         let the virtual processor be heard: it plays what reaches the\n"
           "                  PipeWire sink varden-sim-in on the source varden-sim-out\n"
           "  --port PATH     list a port that discovery does not find (a pseudo-terminal,\n"
           "                  a Bluetooth serial device) first and select it; a device\n"
           "                  server's port is tcp://HOST:PORT or rfc2217://HOST:PORT\n"
           "  FILE.dia        open this preset at start\n"
           "  /Embedding, /Automation\n"
           "                  start without the splash picture\n"
           "  --help          this text\n"
           "  --version       the program's version\n"
           "\n"
           "Presets are saved in MusicFile/ in the current folder; Bmp/Splsh.bmp and\n"
           "Bmp/LOGO.bmp there are shown as splash and logo when present. Using a real\n"
           "serial port needs permission for it (on Debian: the dialout group).\n";
}

std::string AppVersionText()
{
    return "varden 13.1\n";
}
