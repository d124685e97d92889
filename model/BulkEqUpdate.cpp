#include "BulkEqUpdate.h"

#include "LinkState.h"
#include "TALVData.h"

std::vector<std::unique_ptr<CSendData>> BuildBulkEqUpdate(int nShownChannel)
{
    std::vector<std::unique_ptr<CSendData>> frames;
    if (nShownChannel < 0 || nShownChannel >= LINK_CHANNELS)
        return frames;

    std::vector<CTALVData*> group;
    std::vector<BYTE> outputs;
    for (int i = 0; i < LINK_CHANNELS; ++i) {
        if (g_apChannel[i] && g_anLinkGroup[i] == g_anLinkGroup[nShownChannel]) {
            group.push_back(g_apChannel[i]);
            outputs.push_back(g_apChannel[i]->GetOutputOn());
        }
    }

    for (CTALVData* ch : group) {
        ch->SetOutputOnSilent(0);
        ch->ClearChannelDirty();
        frames.push_back(ch->BuildChannelFrame());
    }
    for (CTALVData* ch : group) {
        for (int b = 0; b < NUM_BANDS; ++b) {
            if (ch->IsBandDirty(b)) {
                ch->ClearBandDirty(b);
                frames.push_back(ch->BuildBandFrame(b));
            }
        }
    }
    for (std::size_t i = 0; i < group.size(); ++i) {
        group[i]->SetOutputOnSilent(outputs[i]);
        group[i]->ClearChannelDirty();
        frames.push_back(group[i]->BuildChannelFrame());
    }
    return frames;
}
