#include "Vardenctl.h"

#include <cstdio>
#include <functional>

#include "FactoryPresets.h"
#include "PresetIo.h"
#include "PresetText.h"
#include "TALVRoute.h"

namespace {
struct Command {
    const char* name;
    const char* synopsis;
    const char* help;
    std::size_t nArgs;  // positional arguments it takes
    std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)> run;
};

void PrintHex(std::ostream& out, const CSendData& frame)
{
    char buf[4];
    for (int i = 0; i < frame.GetLength(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", frame.GetData()[i]);
        out << buf;
    }
    out << "\n";
}

int RunShow(const std::vector<std::string>& a, std::ostream& out, std::ostream& err)
{
    PresetData data;
    std::string error;
    if (!ReadPreset(a[0], data, error)) {
        err << "vardenctl show: " << error << "\n";
        return EXIT_IO;
    }
    PrintPreset(out, data, a[0]);
    return EXIT_OK;
}

int RunConvert(const std::vector<std::string>& a, std::ostream& out, std::ostream& err)
{
    for (const std::string& path : a) {
        if (FormatOfPath(path) == PresetFormat::Unknown) {
            err << "vardenctl convert: " << path << ": the extension must be .dia or .json\n";
            return EXIT_USAGE;
        }
    }
    PresetData data;
    std::string error;
    if (!ReadPreset(a[0], data, error) || !WritePreset(a[1], data, error)) {
        err << "vardenctl convert: " << error << "\n";
        return EXIT_IO;
    }
    out << "Wrote " << a[1] << "\n";
    return EXIT_OK;
}

int RunFrames(const std::vector<std::string>& a, std::ostream& out, std::ostream& err)
{
    PresetData data;
    std::string error;
    if (!ReadPreset(a[0], data, error)) {
        err << "vardenctl frames: " << error << "\n";
        return EXIT_IO;
    }
    CTALVRoute route;
    LoadRouteFromPreset(data, route);
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        CTALVData& ch = route.GetChannel(k);
        for (int b = 0; b < NUM_BANDS; ++b)
            PrintHex(out, *ch.BuildBandFrame(b));
        PrintHex(out, *ch.BuildCrossoverFrame());
        PrintHex(out, *ch.BuildChannelFrame());
    }
    for (int k = 0; k < NUM_CHANNELS; ++k)
        PrintHex(out, *route.GetChannel(k).BuildBlockWrite(0));
    return EXIT_OK;
}

int RunDemo(const std::vector<std::string>& a, std::ostream& out, std::ostream& err)
{
    if (FormatOfPath(a[0]) == PresetFormat::Unknown) {
        err << "vardenctl demo: " << a[0] << ": the extension must be .dia or .json\n";
        return EXIT_USAGE;
    }
    const SimPreset factory = FactoryPreset(0);
    CTALVRoute route;
    for (int k = 0; k < NUM_CHANNELS; ++k)
        route.GetChannel(k).LoadFromBlock(factory.aBlock[k].data());
    std::string name(factory.name.begin(), factory.name.end());
    name.erase(name.find_last_not_of(' ') + 1);
    route.m_strName = name;
    std::string error;
    if (!WritePreset(a[0], PresetFromRoute(route), error)) {
        err << "vardenctl demo: " << error << "\n";
        return EXIT_IO;
    }
    out << "Wrote " << a[0] << "\n";
    return EXIT_OK;
}

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands = {
        {"show", "show FILE",
         "Prints the preset in FILE (.dia or .json) in the units the window uses:\n"
         "dB, Hz, ms, Q, dBu, the filter alignments and slopes, on/off.",
         1, RunShow},
        {"convert", "convert IN OUT",
         "Converts a preset between .dia and .json, chosen by the extensions.\n"
         "Every stored field is kept, so .dia -> .json -> .dia gives the same bytes.\n"
         "Nothing is written when IN cannot be read or holds an invalid value.",
         2, RunConvert},
        {"frames", "frames FILE",
         "Prints what the program sends for the preset in FILE: for channels 0..3 the\n"
         "31 band frames, the crossover frame and the channel frame, then the four\n"
         "block writes for slot 0. One frame per line in hexadecimal.",
         1, RunFrames},
        {"demo", "demo OUT",
         "Writes the virtual processor's factory live preset (a two-way crossover)\n"
         "to OUT (.dia or .json).",
         1, RunDemo},
    };
    return commands;
}

void PrintUsage(std::ostream& out)
{
    out << "usage: vardenctl COMMAND [ARGS]\n\n"
           "Control and inspect presets of the four-channel audio processor.\n\n"
           "Commands:\n";
    for (const Command& c : Commands())
        out << "  vardenctl " << c.synopsis << "\n";
    out << "\n'vardenctl COMMAND --help' describes a command.\n"
           "Exit status: 0 success, 1 a file or the device failed, 2 a usage error.\n";
}

bool IsHelp(const std::string& s)
{
    return s == "--help" || s == "-h";
}
}  // namespace

int RunVardenctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        PrintUsage(err);
        return EXIT_USAGE;
    }
    if (IsHelp(args[0]) || args[0] == "help") {
        PrintUsage(out);
        return EXIT_OK;
    }
    for (const Command& c : Commands()) {
        if (args[0] != c.name)
            continue;
        std::vector<std::string> rest(args.begin() + 1, args.end());
        for (const std::string& s : rest) {
            if (IsHelp(s)) {
                out << "usage: vardenctl " << c.synopsis << "\n\n" << c.help << "\n";
                return EXIT_OK;
            }
        }
        for (const std::string& s : rest) {
            if (s.size() > 1 && s[0] == '-') {
                err << "vardenctl " << c.name << ": unknown option " << s << "\nusage: vardenctl " << c.synopsis
                    << "\n";
                return EXIT_USAGE;
            }
        }
        if (rest.size() != c.nArgs) {
            err << "vardenctl " << c.name << ": expected " << c.nArgs << " argument" << (c.nArgs == 1 ? "" : "s")
                << ", got " << rest.size() << "\nusage: vardenctl " << c.synopsis << "\n";
            return EXIT_USAGE;
        }
        return c.run(rest, out, err);
    }
    err << "vardenctl: unknown command '" << args[0] << "'\n";
    PrintUsage(err);
    return EXIT_USAGE;
}
