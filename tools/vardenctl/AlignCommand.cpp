// vardenctl align: the delay, polarity and gain (and with --crossover the
// crossover filters) of the channels that play together, chosen from their
// measurements with phase so that their sum is flat.
#include <algorithm>
#include <climits>

#include "AlignReport.h"
#include "CommandLine.h"
#include "PresetAlignChannels.h"
#include "TALVRoute.h"
#include "TuningOptions.h"

namespace {
struct Measured {
    int k;  // 0..3
    std::string strPath;
};

// "K=FILE" for each --measurement; EXIT_OK, or the failure already reported.
int ParseMeasurements(const CommandLine& cl, std::vector<Measured>& out)
{
    for (const std::string& s : cl.repeated.at("--measurement")) {
        const auto eq = s.find('=');
        const auto k = eq == std::string::npos ? std::nullopt : ParseInt(s.substr(0, eq), INT_MIN, INT_MAX);
        if (!k || eq + 1 == s.size())
            return cl.Fail(EXIT_USAGE, "--measurement takes K=FILE, a channel and its measurement, not '" + s + "'");
        if (*k < 1 || *k > NUM_CHANNELS)
            return cl.Fail(EXIT_USAGE,
                           "--measurement " + s + ": the preset has channels 1 to 4, no channel " + s.substr(0, eq));
        if (std::any_of(out.begin(), out.end(), [&](const Measured& m) { return m.k == *k - 1; }))
            return cl.Fail(EXIT_USAGE, "channel " + std::to_string(*k) + " is measured twice");
        out.push_back({*k - 1, s.substr(eq + 1)});
    }
    if (out.size() < ALIGN_MIN_CHANNELS || out.size() > ALIGN_MAX_CHANNELS)
        return cl.Fail(EXIT_USAGE, "align takes two to four channels, each with --measurement K=FILE");
    return EXIT_OK;
}

// "1,1,3,4": the Linking group of each channel.
int ParseLinks(const CommandLine& cl, int (&anGroup)[LINK_CHANNELS])
{
    for (int k = 0; k < LINK_CHANNELS; ++k)
        anGroup[k] = k;
    if (!cl.Has("--links"))
        return EXIT_OK;
    const std::string s = cl.Get("--links");
    std::size_t at = 0;
    for (int k = 0; k < LINK_CHANNELS; ++k) {
        const std::size_t comma = s.find(',', at);
        const bool bLast = k + 1 == LINK_CHANNELS;
        const auto group =
            (comma == std::string::npos) == bLast ? ParseInt(s.substr(at, comma - at), 1, NUM_CHANNELS) : std::nullopt;
        if (!group)
            return cl.Fail(EXIT_USAGE,
                           "--links takes the group (1..4) of each of the four channels, as 1,1,3,4, not '" + s + "'");
        anGroup[k] = *group - 1;
        at = comma + 1;
    }
    return EXIT_OK;
}
}  // namespace

int RunAlign(const CommandLine& cl)
{
    const std::string& strIn = cl.args[0];
    const std::string& strOut = cl.args[1];
    std::vector<Measured> measured;
    if (const int nCode = ParseMeasurements(cl, measured); nCode != EXIT_OK)
        return nCode;
    AlignRequest request;
    request.bMoveCrossovers = cl.Has("--crossover");
    if (const int nCode = ParseRangeOption(cl, request.dLowHz, request.dHighHz); nCode != EXIT_OK)
        return nCode;
    int anGroup[LINK_CHANNELS];
    if (const int nCode = ParseLinks(cl, anGroup); nCode != EXIT_OK)
        return nCode;
    std::vector<int> anChannel;
    std::vector<std::pair<int, std::string>> aFile;
    for (const Measured& m : measured) {
        anChannel.push_back(m.k);
        aFile.emplace_back(m.k, m.strPath);
    }
    std::sort(anChannel.begin(), anChannel.end());
    const std::vector<AlignGroup> groups = AlignGroups(anChannel, anGroup);
    if (std::string strError;
        !CheckAlignFiles(aFile, strError) || !CheckAlignGroups(groups, anChannel, false, strError))
        return cl.Fail(EXIT_USAGE, strError);
    // Every channel was measured through the preset as IN holds it.
    PresetData data;
    CTALVRoute route;
    if (const int nCode = ReadPresetToTune(cl, strIn, strOut, data, route); nCode != EXIT_OK)
        return nCode;
    // A linked group's first measured channel stands for it.
    for (const AlignGroup& group : groups) {
        const auto m = std::find_if(measured.begin(), measured.end(),
                                    [&](const Measured& one) { return one.k == group.nChannel; });
        AlignMeasurement measurement;
        std::string error;
        if (!LoadAlignMeasurement(m->strPath, route.GetChannel(m->k), measurement, error))
            return cl.Fail(EXIT_IO, error);
        request.aChannel.push_back(AlignGroupChannel(group, measurement, route));
    }
    const AlignOutcome outcome = AlignChannels(request);
    if (!outcome.bOk)
        return cl.Fail(EXIT_IO, outcome.strError + (outcome.range.bNoCrossover ? " (--range LO-HI)" : ""));

    // Only the channels' crossover, delay, polarity and gain change.
    for (const auto& [k, setting] : SettingsToApply(request, outcome))
        StoreChannelSetting(setting, data.aChannel[static_cast<std::size_t>(k)]);
    return WriteTunedPreset(cl, strOut, data,
                            FormatAlignChannels(request, outcome) + FormatAlignSummary(outcome) + "\n");
}
