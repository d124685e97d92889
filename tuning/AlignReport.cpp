#include "AlignReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CrossoverTables.h"
#include "DbText.h"
#include "HzText.h"

namespace {
std::string FilterText(const char* pszName, const CrossoverFilter& filter)
{
    return std::string(pszName) + " " + std::to_string(filter.nFreq) + " Hz " +
           g_pszAlignmentName[std::clamp(filter.nAlign, 0, XOVER_ALIGNMENTS - 1)] + " " +
           g_pszSlopeName[std::clamp(filter.nSlope, 0, XOVER_SLOPES - 1)];
}

std::string ChannelLines(const std::string& strChannel, const ChannelSetting& was, const ChannelSetting& now)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "delay %.2f ms (%d sample%s)", DelaySeconds(now.nDelay) * 1000.0, now.nDelay,
                  now.nDelay == 1 ? "" : "s");
    std::string text = strChannel + buf + ", polarity " + (now.bInverted ? "inverted" : "normal") + ", gain " +
                       FormatDb(ChannelGainDb(now.nGain)) + "\n";
    if (!(now.hpf == was.hpf))
        text += strChannel + FilterText("HPF", now.hpf) + " (was " + FilterText("HPF", was.hpf) + ")\n";
    if (!(now.lpf == was.lpf))
        text += strChannel + FilterText("LPF", now.lpf) + " (was " + FilterText("LPF", was.lpf) + ")\n";
    return text;
}

std::string Cancelled(const char* pszWhen, const SumFigures& figures, int nPoints)
{
    if (figures.nCancelled == 0)
        return {};
    return std::string("; ") + pszWhen + ", the channels cancel at " + std::to_string(figures.nCancelled) + " of " +
           std::to_string(nPoints) + " points (20 dB or more below their sum in phase)";
}
}  // namespace

std::string FormatAlignChannels(const AlignRequest& request, const AlignOutcome& outcome)
{
    std::string text;
    for (std::size_t n = 0; n < outcome.aSetting.size() && n < request.aChannel.size(); ++n) {
        const AlignChannel& channel = request.aChannel[n];
        const std::string strNumber = std::to_string(channel.nChannel + 1);
        text += ChannelLines("channel " + strNumber + ": ", channel.now, outcome.aSetting[n]);
        for (const auto& [nMember, memberNow] : channel.aLinked)
            text += ChannelLines("channel " + std::to_string(nMember + 1) + " (linked with " + strNumber +
                                     ", whose measurement stands for it): ",
                                 memberNow, LinkedSetting(memberNow, channel.now, outcome.aSetting[n]));
    }
    return text;
}

std::string FormatAlignSummary(const AlignOutcome& outcome)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "flatness before %.2f dB, after %.2f dB", outcome.before.dFlatDb,
                  outcome.after.dFlatDb);
    return buf + std::string(" (rms about its mean over ") + FormatAlignRange(outcome.range) +
           "); deepest notch before " + FormatDb(outcome.before.dNotchDb) + " at " +
           FormatHzRounded(outcome.before.dNotchHz) + ", after " + FormatDb(outcome.after.dNotchDb) +
           Cancelled("before", outcome.before, outcome.range.nPoints) +
           Cancelled("after", outcome.after, outcome.range.nPoints);
}
