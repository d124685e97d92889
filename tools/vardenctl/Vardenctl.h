// vardenctl, the command-line tool: the commands and their dispatch, callable
// in-process so tests drive it like a user would.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "CommandLine.h"

// args holds the words after the program name.
int RunVardenctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
