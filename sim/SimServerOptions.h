// How the virtual processor on a pseudo-terminal is to behave: line pacing,
// a fault, and the file its presets are kept in between sessions.
#pragma once

#include <string>

#include "SimFault.h"

struct SimServerOptions {
    bool bPaced = true;  // 10 bit times at 9600 baud per byte, both ways
    SimFault fault = SimFault::None;
    int nFaultCount = -1;      // answers that suffer the fault; -1: all
    std::string strStateFile;  // loaded at start when it exists, saved at stop
};

// none, silent, bad-trailer, garbage, split, late, hangup.
bool ParseSimFault(const std::string& strName, SimFault& fault);
// The names ParseSimFault takes, for help texts.
std::string SimFaultNames();
