// A channel of the preset as the alignment sees it: its crossover and channel
// section in the alignment's terms, its whole response through the device's
// filters (bands and crossover as the graph draws them, then gain, polarity
// and delay), the request's channel from a measurement taken through it, and
// the links that forbid aligning channels apart.
#pragma once

#include <string>
#include <vector>

#include "ChannelAlignment.h"
#include "LinkState.h"

class CTALVData;
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

// Why the channels (0..3) cannot be aligned, or empty: a channel linked to
// another (same group) would take the other's gain and polarity with it.
std::string LinkedChannelsProblem(const std::vector<int>& anChannel, const int (&anGroup)[LINK_CHANNELS],
                                  bool bBassLink);

// The setting into a channel record, as a preset file holds it.
void StoreChannelSetting(const ChannelSetting& setting, ChannelRecord& record);
// The setting into a channel through its setters, only what differs, so only
// those frames are marked to go to the device.
void ApplyChannelSetting(const ChannelSetting& setting, CTALVData& channel);
