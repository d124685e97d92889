#include "ChannelTuning.h"

#include "Audio_OutData.h"
#include "PresetLimits.h"
#include "TALVData.h"

FitBands FitBandsOfChannel(const CTALVData& channel, const CAudio_OutData& display)
{
    FitBands bands;
    for (int b = 0; b < EQ_BANDS; ++b) {
        const CFilter& filter = display.GetFilter(b);
        const bool bHeldBypassed = channel.IsBandBypassed(b) && channel.GetSavedGain(b) != GAIN_FLAT;
        bands[b] = {filter.GetFrequency(), filter.GetQIndex(), channel.GetGain(b), !bHeldBypassed};
    }
    return bands;
}

double HighPassCornerHz(const CAudio_OutData& display)
{
    return display.GetFilter(EQ_HIGH_PASS).GetFrequency();
}

double LowPassCornerHz(const CAudio_OutData& display)
{
    return display.GetFilter(EQ_LOW_PASS).GetFrequency();
}
