#include "PresetAlignChannels.h"

#include <algorithm>
#include <filesystem>

#include "Audio_OutData.h"
#include "ChannelDisplay.h"
#include "ChannelRecord.h"
#include "MeasurementFile.h"
#include "TALVData.h"
#include "TALVRoute.h"

namespace {

CrossoverFilter Filter(short nFreq, BYTE nType, BYTE nSlope)
{
    return {nFreq, nType, nSlope};
}

std::string ChannelList(const std::vector<int>& anChannel)
{
    std::string text;
    for (std::size_t i = 0; i < anChannel.size(); ++i)
        text += (i == 0 ? "" : i + 1 == anChannel.size() ? " and " : ", ") + std::to_string(anChannel[i] + 1);
    return text;
}
}  // namespace

ChannelSetting ChannelSettingOf(const CTALVData& channel)
{
    ChannelSetting setting;
    setting.hpf = Filter(channel.GetHpfFreq(), channel.GetHpfType(), channel.GetHpfSlope());
    setting.lpf = Filter(channel.GetLpfFreq(), channel.GetLpfType(), channel.GetLpfSlope());
    setting.nDelay = channel.GetDelay();
    setting.bInverted = channel.GetPolarity() != 0;
    setting.nGain = channel.GetChannelGain();
    return setting;
}

ComplexGrid ChannelChainResponse(const CTALVData& channel)
{
    CAudio_OutData display;
    LoadLevelsFromChannel(channel, display);
    ComplexGrid h = FilterSetResponse(display.GetEQ());
    MultiplyChannelSection(ChannelSettingOf(channel), h);
    return h;
}

bool LoadAlignMeasurement(const std::string& strPath, const CTALVData& channel, AlignMeasurement& out,
                          std::string& strError)
{
    MeasurementData rows;
    AlignMeasurement measurement;
    if (!ReadMeasurementFile(strPath, rows, strError) ||
        !ComplexOnGrid(rows, ALIGN_SMOOTHING, strPath, measurement.measured, strError))
        return false;
    measurement.strPath = strPath;
    measurement.chainAtLoad = ChannelChainResponse(channel);
    measurement.bLoaded = true;
    out = std::move(measurement);
    return true;
}

AlignChannel AlignChannelOf(int k, const AlignMeasurement& measurement, const CTALVData& now)
{
    CAudio_OutData display;
    LoadLevelsFromChannel(now, display);
    ComplexGrid bands = UnityGrid();
    for (int b = 0; b < EQ_BANDS; ++b)
        MultiplyElement(display.GetFilter(b), bands);
    AlignChannel channel;
    channel.nChannel = k;
    channel.now = ChannelSettingOf(now);
    channel.driver = measurement.measured;
    for (std::size_t i = 0; i < bands.size(); ++i)
        channel.driver.h[i] *= bands[i] / measurement.chainAtLoad[i];
    return channel;
}

std::vector<AlignGroup> AlignGroups(const std::vector<int>& anChosen, const int (&anGroup)[LINK_CHANNELS])
{
    std::vector<AlignGroup> groups;
    for (const int k : anChosen) {
        if (k < 0 || k >= LINK_CHANNELS)
            continue;
        if (std::any_of(groups.begin(), groups.end(),
                        [&](const AlignGroup& g) { return anGroup[g.nChannel] == anGroup[k]; }))
            continue;
        AlignGroup group{k, {}};
        for (int i = 0; i < LINK_CHANNELS; ++i)
            if (i != k && anGroup[i] == anGroup[k])
                group.anLinked.push_back(i);
        groups.push_back(std::move(group));
    }
    return groups;
}

bool CheckAlignGroups(const std::vector<AlignGroup>& aGroup, const std::vector<int>& anChosen, bool bBassLink,
                      std::string& strError)
{
    if (aGroup.size() != 1 || anChosen.size() < ALIGN_MIN_CHANNELS)
        return true;
    std::vector<int> anMembers{aGroup.front().nChannel};
    anMembers.insert(anMembers.end(), aGroup.front().anLinked.begin(), aGroup.front().anLinked.end());
    std::sort(anMembers.begin(), anMembers.end());
    const bool bBass = bBassLink && anMembers[0] == 0 && anMembers[1] == 1;
    strError = "channels " + ChannelList(anMembers) + " are linked (" + (bBass ? "bass link mode" : "Linking") +
               ") and align as one; choose a channel that is not linked with them too";
    return false;
}

bool CheckAlignFiles(const std::vector<std::pair<int, std::string>>& aFile, std::string& strError)
{
    for (std::size_t a = 0; a < aFile.size(); ++a) {
        for (std::size_t b = a + 1; b < aFile.size(); ++b) {
            std::error_code error;
            if (aFile[a].second != aFile[b].second &&
                !std::filesystem::equivalent(aFile[a].second, aFile[b].second, error))
                continue;
            strError =
                "channels " +
                ChannelList({std::min(aFile[a].first, aFile[b].first), std::max(aFile[a].first, aFile[b].first)}) +
                " are given the same file, " + aFile[a].second +
                "; each channel needs its own measurement, taken alone";
            return false;
        }
    }
    return true;
}

AlignChannel AlignGroupChannel(const AlignGroup& group, const AlignMeasurement& measurement, const CTALVRoute& route)
{
    AlignChannel channel = AlignChannelOf(group.nChannel, measurement, route.GetChannel(group.nChannel));
    for (const int m : group.anLinked)
        channel.aLinked.emplace_back(m, ChannelSettingOf(route.GetChannel(m)));
    return channel;
}

void StoreChannelSetting(const ChannelSetting& setting, ChannelRecord& record)
{
    record.hpf = {static_cast<std::int16_t>(setting.hpf.nFreq), static_cast<std::uint8_t>(setting.hpf.nAlign),
                  static_cast<std::uint8_t>(setting.hpf.nSlope)};
    record.lpf = {static_cast<std::int16_t>(setting.lpf.nFreq), static_cast<std::uint8_t>(setting.lpf.nAlign),
                  static_cast<std::uint8_t>(setting.lpf.nSlope)};
    record.nDelay = static_cast<std::int16_t>(setting.nDelay);
    record.nPolarity = setting.bInverted ? 1 : 0;
    record.nGain = static_cast<std::int16_t>(setting.nGain);
}

void ApplyChannelSetting(const ChannelSetting& setting, CTALVData& channel)
{
    if (setting.nDelay != channel.GetDelay())
        channel.SetDelay(static_cast<short>(setting.nDelay));
    if (setting.bInverted != (channel.GetPolarity() != 0))
        channel.SetPolarity(setting.bInverted ? 1 : 0);
    if (setting.nGain != channel.GetChannelGain())
        channel.SetChannelGain(static_cast<short>(setting.nGain));
    if (!(setting.hpf == ChannelSettingOf(channel).hpf)) {
        channel.SetHpfFreq(static_cast<short>(setting.hpf.nFreq));
        channel.SetHpfType(static_cast<BYTE>(setting.hpf.nAlign));
        channel.SetHpfSlope(static_cast<BYTE>(setting.hpf.nSlope));
    }
    if (!(setting.lpf == ChannelSettingOf(channel).lpf)) {
        channel.SetLpfFreq(static_cast<short>(setting.lpf.nFreq));
        channel.SetLpfType(static_cast<BYTE>(setting.lpf.nAlign));
        channel.SetLpfSlope(static_cast<BYTE>(setting.lpf.nSlope));
    }
}
