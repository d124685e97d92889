// A channel of the preset as the alignment sees it: its crossover and channel
// section in the alignment's terms, its whole response through the device's
// filters (bands and crossover as the graph draws them, then gain, polarity
// and delay), the request's channel from a measurement taken through it, and
// the links that make channels align as one.
#pragma once

#include <string>
#include <vector>

#include "ChannelAlignment.h"
#include "LinkState.h"

class CTALVData;
class CTALVRoute;
struct ChannelRecord;

// A channel's measurement for aligning as it was taken in: the file, the
// response on the grid, and the channel's whole response at that moment.
struct AlignMeasurement {
    std::string strPath;
    ComplexLevels measured;
    ComplexGrid chainAtLoad{};
    bool bLoaded = false;
};

// Reads strPath, measured through channel as it stands now; false with the
// file and the reason (unreadable, no phase), out left as it was.
bool LoadAlignMeasurement(const std::string& strPath, const CTALVData& channel, AlignMeasurement& out,
                          std::string& strError);

ChannelSetting ChannelSettingOf(const CTALVData& channel);

// Everything the channel does to a signal, on the grid.
ComplexGrid ChannelChainResponse(const CTALVData& channel);

// Channel k for a request: the chain it was measured through divided out,
// the bands it has now multiplied in.
AlignChannel AlignChannelOf(int k, const AlignMeasurement& measurement, const CTALVData& now);

// The chosen channels (0..3, rising) as they align: one per link group, the
// first chosen of it, whose measurement stands for the group, with the
// others of the group (chosen or not), which take what is set on it.
struct AlignGroup {
    int nChannel;
    std::vector<int> anLinked;
};
std::vector<AlignGroup> AlignGroups(const std::vector<int>& anChosen, const int (&anGroup)[LINK_CHANNELS]);
// False, with strError saying why, when the groups cannot be aligned: every
// chosen channel linked with the others, so that one is left.
bool CheckAlignGroups(const std::vector<AlignGroup>& aGroup, const std::vector<int>& anChosen, bool bBassLink,
                      std::string& strError);
// False, with strError saying why, when the channels (0..3) with their files
// cannot be aligned: two of them given one file, which says nothing of how
// they differ.
bool CheckAlignFiles(const std::vector<std::pair<int, std::string>>& aFile, std::string& strError);
// The request's channel for a group: its channel's from the measurement,
// with the settings now of the channels linked with it.
AlignChannel AlignGroupChannel(const AlignGroup& group, const AlignMeasurement& measurement, const CTALVRoute& route);

// The setting into a channel record, as a preset file holds it.
void StoreChannelSetting(const ChannelSetting& setting, ChannelRecord& record);
// The setting into a channel through its setters, only what differs, so only
// those frames are marked to go to the device.
void ApplyChannelSetting(const ChannelSetting& setting, CTALVData& channel);
