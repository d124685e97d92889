// vardenctl, the command-line tool: the commands and their dispatch, callable
// in-process so tests drive it like a user would.
#pragma once

#include <ostream>
#include <string>
#include <vector>

inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_IO = 1;     // a file or the device failed
inline constexpr int EXIT_USAGE = 2;  // the command line was wrong

// args holds the words after the program name.
int RunVardenctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
