#include "ChannelDisplay.h"

#include "Audio_OutData.h"
#include "TALVData.h"

void LoadDisplayFromChannel(const CTALVData& channel, CAudio_OutData& display)
{
    display.SetABFlag(channel.GetABFlag());
    for (int b = 0; b < EQ_BANDS; ++b) {
        CFilter& band = display.GetFilter(b);
        band.SetGainIndex(channel.GetGain(b));
        band.SetQIndex(channel.GetQ(b));
    }
    CFilter& hpf = display.GetHighPass();
    hpf.SetFrequency(channel.GetHpfFreq());
    hpf.SetAlignment(channel.GetHpfType());
    hpf.SetSlope(channel.GetHpfSlope());
    CFilter& lpf = display.GetLowPass();
    lpf.SetFrequency(channel.GetLpfFreq());
    lpf.SetAlignment(channel.GetLpfType());
    lpf.SetSlope(channel.GetLpfSlope());
    display.Recompute();
}
