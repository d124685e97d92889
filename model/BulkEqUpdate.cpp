#include "BulkEqUpdate.h"

#include "LinkState.h"
#include "TALVData.h"

std::vector<std::unique_ptr<CSendData>> BuildBulkEqUpdate(int nShownChannel)
{
    std::vector<std::unique_ptr<CSendData>> frames;
    if (nShownChannel < 0 || nShownChannel >= LINK_CHANNELS)
        return frames;
    // Each bracket its own number, so the link can tell whether its outputs
    // went off on the device and must come back on.
    static int s_nBracket = 0;
    const int nBracket = ++s_nBracket;
    auto add = [&](std::unique_ptr<CSendData> pFrame, CSendData::Mute part) {
        pFrame->m_nMuteBracket = nBracket;
        pFrame->m_mute = part;
        frames.push_back(std::move(pFrame));
    };

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
        add(ch->BuildChannelFrame(), CSendData::Mute::Off);
    }
    for (CTALVData* ch : group) {
        for (int b = 0; b < NUM_BANDS; ++b) {
            if (ch->IsBandDirty(b)) {
                ch->ClearBandDirty(b);
                add(ch->BuildBandFrame(b), CSendData::Mute::Inside);
            }
        }
    }
    for (std::size_t i = 0; i < group.size(); ++i) {
        group[i]->SetOutputOnSilent(outputs[i]);
        group[i]->ClearChannelDirty();
        add(group[i]->BuildChannelFrame(), CSendData::Mute::Restore);
    }
    return frames;
}
