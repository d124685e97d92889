// The window's command line: what it asks for, and the texts of --help and
// --version. Qt's own options are taken out before these are read.
#pragma once

#include <string>
#include <vector>

struct AppOptions {
    bool bSplash = true;                 // /Embedding or /Automation withhold it
    bool bSimulate = false;              // the built-in virtual processor
    bool bAudio = false;                 // its sound on PipeWire
    std::string strStateFile;            // its presets between runs
    std::vector<std::string> astrPorts;  // listed above the discovered ports
    std::string strPresetFile;           // opened at start
    bool bHelp = false;
    bool bVersion = false;
};

// False with a message in strError for arguments that make no sense.
bool ParseAppOptions(const std::vector<std::string>& args, AppOptions& options, std::string& strError);

std::string AppHelpText();
std::string AppVersionText();
