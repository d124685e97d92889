// vardenctl curve: what the response graph shows for one channel of a preset,
// and with a measurement, what the graph's overlay shows.
#include <cstdio>

#include "Audio_OutData.h"
#include "ChannelDisplay.h"
#include "ChannelMeasurement.h"
#include "CommandLine.h"
#include "PresetIo.h"
#include "TALVRoute.h"
#include "TuningOptions.h"

namespace {

void PrintLevel(std::ostream& out, double dB)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, ",%.6f", dB);
    out << buf;
}

// A point the measurement does not reach is an empty field.
void PrintMeasured(std::ostream& out, const GridLevels& levels, int i)
{
    if (levels.abValid[i])
        PrintLevel(out, levels.adLevel[i]);
    else
        out << ",";
}

// The channel's summed response in dB for the preset in strPath; EXIT_OK, or
// the exit status for a file that is no preset.
int ChannelSum(const std::string& strPath, int k, CAudio_OutData& display, std::string& strError)
{
    PresetData data;
    if (const PresetFault fault = ReadPreset(strPath, data, strError); fault != PresetFault::None)
        return ExitForPresetFault(fault);
    CTALVRoute route;
    LoadRouteFromPreset(data, route);
    LoadLevelsFromChannel(route.GetChannel(k), display);
    return EXIT_OK;
}
}  // namespace

int RunCurve(const CommandLine& cl)
{
    const auto channel = ParseInt(cl.Get("--channel"), 1, NUM_CHANNELS);
    if (!channel)
        return cl.Fail(EXIT_USAGE, "--channel takes a channel number from 1 to 4, not '" + cl.Get("--channel") + "'");
    const bool bMeasurement = cl.Has("--measurement");
    if (!bMeasurement && (cl.Has("--smooth") || cl.Has("--measured-with") || cl.Has("--average")))
        return cl.Fail(EXIT_USAGE, "--smooth, --average and --measured-with go with --measurement");
    FitSettings settings;
    if (const int nCode = ParseSmoothingOption(cl, settings); nCode != EXIT_OK)
        return nCode;

    std::string error;
    CAudio_OutData display;
    if (const int nCode = ChannelSum(cl.args[0], *channel - 1, display, error); nCode != EXIT_OK)
        return cl.Fail(nCode, error);
    const CEQ& eq = display.GetEQ();

    CChannelMeasurement measurement;
    GridLevels predicted;
    if (bMeasurement) {
        // The measurement was taken through the channel as FILE holds it,
        // or as the preset --measured-with holds it.
        CAudio_OutData measuredWith;
        if (cl.Has("--measured-with")) {
            if (const int nCode = ChannelSum(cl.Get("--measured-with"), *channel - 1, measuredWith, error);
                nCode != EXIT_OK)
                return cl.Fail(nCode, error);
        }
        measurement.SetSettings(settings);
        if (const int nCode =
                LoadMeasurements(cl, cl.Has("--measured-with") ? measuredWith.GetEQ().m_dSum : eq.m_dSum, measurement);
            nCode != EXIT_OK)
            return nCode;
        predicted = measurement.Predicted(eq.m_dSum);
    }
    const bool bSpread = measurement.GetCount() > 1;

    const bool bElements = cl.Has("--elements");
    char buf[40];
    for (int i = 0; i < GRID_POINTS; ++i) {
        std::snprintf(buf, sizeof buf, "%.10g", g_dFreqGrid[i]);
        cl.out << buf;
        PrintLevel(cl.out, eq.m_dSum[i]);
        if (bElements)
            for (int e = 0; e < eq.GetSize(); ++e)
                PrintLevel(cl.out, eq.GetAt(e).m_dCurve[i]);
        if (bMeasurement) {
            PrintMeasured(cl.out, measurement.GetSmoothed(), i);
            PrintMeasured(cl.out, predicted, i);
        }
        if (bSpread) {
            PrintMeasured(cl.out, measurement.GetLowest(), i);
            PrintMeasured(cl.out, measurement.GetHighest(), i);
        }
        cl.out << "\n";
    }
    return EXIT_OK;
}
