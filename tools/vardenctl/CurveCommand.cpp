// vardenctl curve: what the response graph shows for one channel of a preset.
#include <cstdio>

#include "Audio_OutData.h"
#include "ChannelDisplay.h"
#include "CommandLine.h"
#include "PresetIo.h"
#include "TALVRoute.h"

namespace {
// The levels do not depend on the plot's size; any area will do.
const CRect ANY_PLOT{35, 10, 845, 232};

void PrintLevel(std::ostream& out, double dB)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, ",%.6f", dB);
    out << buf;
}
}  // namespace

int RunCurve(const CommandLine& cl)
{
    const auto channel = ParseInt(cl.Get("--channel"), 1, NUM_CHANNELS);
    if (!channel)
        return cl.Fail(EXIT_USAGE, "--channel takes a channel number from 1 to 4, not '" + cl.Get("--channel") + "'");
    PresetData data;
    std::string error;
    if (const PresetFault fault = ReadPreset(cl.args[0], data, error); fault != PresetFault::None)
        return cl.Fail(ExitForPresetFault(fault), error);
    CTALVRoute route;
    LoadRouteFromPreset(data, route);

    CAudio_OutData display;
    display.SetArea(ANY_PLOT);
    LoadDisplayFromChannel(route.GetChannel(*channel - 1), display);
    const CEQ& eq = display.GetEQ();
    const bool bElements = cl.Has("--elements");
    char buf[40];
    for (int i = 0; i < GRID_POINTS; ++i) {
        std::snprintf(buf, sizeof buf, "%.10g", g_dFreqGrid[i]);
        cl.out << buf;
        PrintLevel(cl.out, eq.m_dSum[i]);
        if (bElements)
            for (int e = 0; e < eq.GetSize(); ++e)
                PrintLevel(cl.out, eq.GetAt(e).m_dCurve[i]);
        cl.out << "\n";
    }
    return EXIT_OK;
}
