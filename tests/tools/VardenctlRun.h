// vardenctl run in this process for the command tests, with its output
// captured, and the small file helpers they share.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "Vardenctl.h"

struct Result {
    int code;
    std::string out;
    std::string err;
};

inline Result Ctl(std::vector<std::string> args)
{
    std::ostringstream out, err;
    const int code = RunVardenctl(args, out, err);
    return {code, out.str(), err.str()};
}

inline std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

inline void WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}
