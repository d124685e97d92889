#include "SoloPlan.h"

#include "FrameChecksum.h"

namespace {
template <typename Frame>
std::vector<std::unique_ptr<CSendData>> ForOthers(const CTALVRoute& live, int nSolo, Frame frame)
{
    std::vector<std::unique_ptr<CSendData>> frames;
    for (int c = 0; c < NUM_CHANNELS; ++c) {
        const CTALVData& ch = live.GetChannel(c);
        if (c != nSolo && ch.GetOutputOn() != 0)
            frames.push_back(frame(ch.GetChannelFrame()));
    }
    return frames;
}
}  // namespace

std::vector<std::unique_ptr<CSendData>> MakeSoloFrames(const CTALVRoute& live, int nSolo)
{
    return ForOthers(live, nSolo, [](const BYTE* pFrame) {
        auto pOff = std::make_unique<CSendData>(pFrame, SHORT_FRAME_LEN);
        pOff->m_pData[CH_OUTPUT] = 0;
        SetFrameChecksum(pOff->m_pData.get(), SHORT_FRAME_LEN);
        return pOff;
    });
}

std::vector<std::unique_ptr<CSendData>> MakeRestoreFrames(const CTALVRoute& live, int nSolo)
{
    return ForOthers(live, nSolo,
                     [](const BYTE* pFrame) { return std::make_unique<CSendData>(pFrame, SHORT_FRAME_LEN); });
}
