// vardenctl, the command-line tool: the commands and their dispatch, callable
// in-process so tests drive it like a user would.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "CommandLine.h"

// args holds the words after the program name. Output that cannot be
// written (out failing when flushed at the end) is an error: "write error",
// with the reason when out writes through a CFdOutBuf, and exit status 1.
int RunVardenctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
