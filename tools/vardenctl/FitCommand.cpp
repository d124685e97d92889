// vardenctl fit: one channel's band gains fitted to a measurement.
#include "Audio_OutData.h"
#include "ChannelDisplay.h"
#include "ChannelMeasurement.h"
#include "ChannelTuning.h"
#include "CommandLine.h"
#include "FitReport.h"
#include "PresetIo.h"
#include "PresetName.h"
#include "TALVRoute.h"
#include "TuningOptions.h"

namespace {
// The levels do not depend on the plot's size; any area will do.
const CRect ANY_PLOT{35, 10, 845, 232};
}  // namespace

int RunFit(const CommandLine& cl)
{
    const std::string& strIn = cl.args[0];
    const std::string& strOut = cl.args[1];
    const auto channel = ParseInt(cl.Get("--channel"), 1, NUM_CHANNELS);
    if (!channel)
        return cl.Fail(EXIT_USAGE, "--channel takes a channel number from 1 to 4, not '" + cl.Get("--channel") + "'");
    FitSettings settings;
    if (const int nCode = ParseFitOptions(cl, settings); nCode != EXIT_OK)
        return nCode;
    // Before the fit runs: an answer that cannot be written is no answer.
    if (const int nCode = CheckOutput(cl, strOut))
        return nCode;

    PresetData data;
    MeasurementData measured;
    std::string error;
    if (const PresetFault fault = ReadPreset(strIn, data, error); fault != PresetFault::None)
        return cl.Fail(ExitForPresetFault(fault), error);
    if (!ReadMeasurementFile(cl.Get("--measurement"), measured, error))
        return cl.Fail(EXIT_IO, error);

    // The measurement was taken through the channel as IN holds it.
    CTALVRoute route;
    LoadRouteFromPreset(data, route);
    const int k = *channel - 1;
    CAudio_OutData display;
    display.SetArea(ANY_PLOT);
    LoadDisplayFromChannel(route.GetChannel(k), display);
    const double(&adSum)[GRID_POINTS] = display.GetEQ().m_dSum;
    CChannelMeasurement measurement;
    measurement.SetSettings(settings);
    measurement.Load(std::move(measured), cl.Get("--measurement"), adSum);
    FitRequest request = measurement.MakeRequest(adSum, HighPassCornerHz(display), LowPassCornerHz(display));
    request.aBand = FitBandsOfChannel(route.GetChannel(k), display);
    const FitOutcome outcome = FitEq(request);
    if (!outcome.bOk)
        return cl.Fail(EXIT_IO, cl.Get("--measurement") + ": " + outcome.strError);

    // Only the gains of channel K change; every other field goes out as it came.
    for (int b = 0; b < NUM_BANDS; ++b)
        data.aChannel[k].aBand[b].nGain = static_cast<std::int16_t>(outcome.anGain[b]);
    if (!WritePreset(strOut, data, error))
        return cl.Fail(EXIT_IO, error);
    cl.out << "channel " << *channel << ": " << FormatFitSummary(outcome) << "\n"
           << FormatFitBands(request, outcome) << "Wrote " << EscapeControls(strOut) << "\n";
    return EXIT_OK;
}
