// vardenctl diff: two presets field by field, with diff's exit status.
#include "CommandLine.h"
#include "PresetDiff.h"
#include "PresetIo.h"

namespace {
// As diff(1): 0 equal, 1 different, 2 trouble.
constexpr int DIFF_EQUAL = 0;
constexpr int DIFF_DIFFERENT = 1;
constexpr int DIFF_TROUBLE = 2;
}  // namespace

int RunDiff(const CommandLine& cl)
{
    PresetData a, b;
    std::string error;
    if (ReadPreset(cl.args[0], a, error) != PresetFault::None || ReadPreset(cl.args[1], b, error) != PresetFault::None)
        return cl.Fail(DIFF_TROUBLE, error);
    const std::vector<std::string> lines = DiffPresets(a, b, PresetFields::File);
    for (const std::string& line : lines)
        cl.out << line << "\n";
    return lines.empty() ? DIFF_EQUAL : DIFF_DIFFERENT;
}
