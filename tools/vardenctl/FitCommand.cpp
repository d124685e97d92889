// vardenctl fit: one channel's band gains fitted to a measurement.
#include "Audio_OutData.h"
#include "ChannelDisplay.h"
#include "ChannelMeasurement.h"
#include "ChannelTuning.h"
#include "CommandLine.h"
#include "FitReport.h"
#include "TALVRoute.h"
#include "TuningOptions.h"

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
    // The measurement was taken through the channel as IN holds it.
    PresetData data;
    CTALVRoute route;
    if (const int nCode = ReadPresetToTune(cl, strIn, strOut, data, route); nCode != EXIT_OK)
        return nCode;
    const int k = *channel - 1;
    CAudio_OutData display;
    LoadLevelsFromChannel(route.GetChannel(k), display);
    const double(&adSum)[GRID_POINTS] = display.GetEQ().m_dSum;
    CChannelMeasurement measurement;
    measurement.SetSettings(settings);
    if (const int nCode = LoadMeasurements(cl, adSum, measurement); nCode != EXIT_OK)
        return nCode;
    FitRequest request = measurement.MakeRequest(adSum, HighPassCornerHz(display), LowPassCornerHz(display));
    request.aBand = FitBandsOfChannel(route.GetChannel(k), display);
    const FitOutcome outcome = FitEq(request);
    // With nothing to fit nothing is written: OUT is not a copy of IN that
    // looks fitted.
    if (!outcome.bOk)
        return cl.Fail(EXIT_IO, MeasurementsName(cl) + ": " + outcome.strError);

    // Only the gains of channel K change; every other field goes out as it came.
    for (int b = 0; b < NUM_BANDS; ++b)
        data.aChannel[k].aBand[b].nGain = static_cast<std::int16_t>(outcome.anGain[b]);
    std::string strReport = "channel " + std::to_string(*channel) + ": " + FormatFitSummary(outcome) + "\n" +
                            FormatFitEffect(outcome) + "\n";
    if (const std::string strPositions = FormatPositions(measurement, outcome.range); !strPositions.empty())
        strReport += strPositions + "\n";
    return WriteTunedPreset(cl, strOut, data, strReport + FormatFitBands(request, outcome));
}
