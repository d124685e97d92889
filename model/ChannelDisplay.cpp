#include "ChannelDisplay.h"

#include "Audio_OutData.h"
#include "TALVData.h"

namespace {
// The window's plot area; the levels do not depend on its size.
const CRect ANY_PLOT{35, 10, 845, 232};
}  // namespace

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

void LoadLevelsFromChannel(const CTALVData& channel, CAudio_OutData& display)
{
    display.SetArea(ANY_PLOT);
    LoadDisplayFromChannel(channel, display);
}
