// The commands that work on preset files alone.
#include <cstdio>

#include "CommandLine.h"
#include "FactoryPresets.h"
#include "PresetFile.h"
#include "PresetIo.h"
#include "PresetName.h"
#include "PresetText.h"
#include "TALVRoute.h"

namespace {
void PrintHex(std::ostream& out, const CSendData& frame)
{
    char buf[4];
    for (int i = 0; i < frame.GetLength(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", frame.GetData()[i]);
        out << buf;
    }
    out << "\n";
}

bool CheckExtension(const CommandLine& cl, const std::string& path)
{
    if (FormatOfPath(path) != PresetFormat::Unknown)
        return true;
    cl.Fail(EXIT_USAGE, path + ": the extension must be .dia or .json");
    return false;
}
}  // namespace

int CheckOutput(const CommandLine& cl, const std::string& strPath)
{
    if (FormatOfPath(strPath) == PresetFormat::Unknown)
        return cl.Fail(EXIT_USAGE, strPath + ": the extension must be .dia or .json");
    std::string error;
    if (!CheckWritable(strPath, error))
        return cl.Fail(EXIT_IO, error);
    return EXIT_OK;
}

int RunShow(const CommandLine& cl)
{
    PresetData data;
    std::string error;
    if (const PresetFault fault = ReadPreset(cl.args[0], data, error); fault != PresetFault::None)
        return cl.Fail(ExitForPresetFault(fault), error);
    PrintPreset(cl.out, data, cl.args[0]);
    return EXIT_OK;
}

int RunConvert(const CommandLine& cl)
{
    if (!CheckExtension(cl, cl.args[0]))
        return EXIT_USAGE;
    if (const int nCode = CheckOutput(cl, cl.args[1]))
        return nCode;
    PresetData data;
    std::string error;
    if (const PresetFault fault = ReadPreset(cl.args[0], data, error); fault != PresetFault::None)
        return cl.Fail(ExitForPresetFault(fault), error);
    if (!WritePreset(cl.args[1], data, error))
        return cl.Fail(EXIT_IO, error);
    cl.out << "Wrote " << EscapeControls(cl.args[1]) << "\n";
    return EXIT_OK;
}

int RunFrames(const CommandLine& cl)
{
    PresetData data;
    std::string error;
    if (const PresetFault fault = ReadPreset(cl.args[0], data, error); fault != PresetFault::None)
        return cl.Fail(ExitForPresetFault(fault), error);
    CTALVRoute route;
    LoadRouteFromPreset(data, route);
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        CTALVData& ch = route.GetChannel(k);
        for (int b = 0; b < NUM_BANDS; ++b)
            PrintHex(cl.out, *ch.BuildBandFrame(b));
        PrintHex(cl.out, *ch.BuildCrossoverFrame());
        PrintHex(cl.out, *ch.BuildChannelFrame());
    }
    for (int k = 0; k < NUM_CHANNELS; ++k)
        PrintHex(cl.out, *route.GetChannel(k).BuildBlockWrite(0));
    return EXIT_OK;
}

int RunDemo(const CommandLine& cl)
{
    if (const int nCode = CheckOutput(cl, cl.args[0]))
        return nCode;
    const SimPreset factory = FactoryPreset(0);
    CTALVRoute route;
    for (int k = 0; k < NUM_CHANNELS; ++k)
        route.GetChannel(k).LoadFromBlock(factory.aBlock[k].data());
    std::string name(factory.name.begin(), factory.name.end());
    name.erase(name.find_last_not_of(' ') + 1);
    route.SetName(name);
    std::string error;
    if (!WritePreset(cl.args[0], PresetFromRoute(route), error))
        return cl.Fail(EXIT_IO, error);
    cl.out << "Wrote " << EscapeControls(cl.args[0]) << "\n";
    return EXIT_OK;
}
