// Filling a channel's display record from the preset, the way the window
// does it when it shows a channel: band frequencies by the channel's A/B
// flag, band gains and Q indices, and both crossover filters.
#pragma once

class CTALVData;
class CAudio_OutData;

void LoadDisplayFromChannel(const CTALVData& channel, CAudio_OutData& display);

// The same for a record that is never drawn, whose levels in dB are all that
// is read (the fit, the alignment, vardenctl): it gets a plot area first,
// since the sums are made in it, and any area gives the same levels.
void LoadLevelsFromChannel(const CTALVData& channel, CAudio_OutData& display);
