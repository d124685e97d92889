#include "BulkEqUpdate.h"

#include "LinkState.h"
#include "TALVData.h"
#include "TALVRoute.h"

namespace {
// What muting adds to a channel's bands: the mute and the restore.
constexpr int MUTE_FRAMES = 2;

int CountDirtyBands(const CTALVData& ch)
{
    int n = 0;
    for (int b = 0; b < NUM_BANDS; ++b)
        n += ch.IsBandDirty(b) ? 1 : 0;
    return n;
}
}  // namespace

std::vector<std::unique_ptr<CSendData>> BuildBulkEqUpdate(int nShownChannel)
{
    std::vector<std::unique_ptr<CSendData>> frames;
    if (nShownChannel < 0 || nShownChannel >= LINK_CHANNELS)
        return frames;
    auto add = [&](std::unique_ptr<CSendData> pFrame, CSendData::Mute part) {
        pFrame->m_mute = part;
        frames.push_back(std::move(pFrame));
    };

    // One band changes the equaliser at once; a muted change as long as a
    // block is slower than the block.
    std::vector<CTALVData*> muted;
    std::vector<BYTE> outputs;
    for (int i = 0; i < LINK_CHANNELS; ++i) {
        CTALVData* ch = g_apChannel[i];
        if (!ch || g_anLinkGroup[i] != g_anLinkGroup[nShownChannel] || CountDirtyBands(*ch) < 2)
            continue;
        if (ch->CountDirty() + MUTE_FRAMES >= CTALVRoute::BLOCK_CHANGE_FRAMES) {
            frames.push_back(ch->TakeLiveBlockWrite());
            continue;
        }
        muted.push_back(ch);
        outputs.push_back(ch->GetOutputOn());
    }

    for (CTALVData* ch : muted) {
        ch->SetOutputOnSilent(0);
        ch->ClearChannelDirty();
        add(ch->BuildChannelFrame(), CSendData::Mute::Off);
    }
    for (CTALVData* ch : muted) {
        for (int b = 0; b < NUM_BANDS; ++b) {
            if (ch->IsBandDirty(b)) {
                ch->ClearBandDirty(b);
                add(ch->BuildBandFrame(b), CSendData::Mute::Inside);
            }
        }
    }
    for (std::size_t i = 0; i < muted.size(); ++i) {
        muted[i]->SetOutputOnSilent(outputs[i]);
        muted[i]->ClearChannelDirty();
        add(muted[i]->BuildChannelFrame(), CSendData::Mute::Restore);
    }
    return frames;
}
