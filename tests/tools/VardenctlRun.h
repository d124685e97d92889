// vardenctl run in this process for the command tests, with its output
// captured, the small file helpers they share, and their fixture.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "PresetFile.h"
#include "TALVRoute.h"
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

// A folder of its own for each command test, gone afterwards, and presets
// saved into it.
class CommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char szTemplate[] = "/tmp/vardenctl-test-XXXXXX";
        ASSERT_NE(mkdtemp(szTemplate), nullptr);
        m_dir = szTemplate;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    std::string SavePreset(const std::string& name, CTALVRoute& route) const
    {
        std::string error;
        const std::string path = Path(name);
        EXPECT_TRUE(SavePresetFile(path, route, error)) << error;
        return path;
    }

    std::filesystem::path m_dir;
};
