// Runs a fuzz target once over every file in the folders (or files) given:
// the corpus and the inputs of faults found earlier become an ordinary
// regression test, without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize);

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    int nInputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<fs::path> files;
        if (!fs::exists(argv[i]))
            continue;
        if (fs::is_directory(argv[i])) {
            // Dot files (.keep) only hold a folder in place.
            for (const auto& entry : fs::directory_iterator(argv[i]))
                if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                    files.push_back(entry.path());
        } else {
            files.emplace_back(argv[i]);
        }
        for (const fs::path& path : files) {
            std::ifstream f(path, std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(f), {}};
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++nInputs;
        }
    }
    std::printf("%d inputs replayed\n", nInputs);
    return nInputs > 0 ? 0 : 1;
}
