// The channel's frame builders: copies of its stored frames, and the block
// frame assembled from them.
#include "TALVData.h"

#include <cstring>

#include "FrameChecksum.h"

std::unique_ptr<CSendData> CTALVData::BuildBandFrame(int nBand) const
{
    if (!IsValidBand(nBand))
        return nullptr;
    return std::make_unique<CSendData>(Band(nBand), SHORT_FRAME_LEN);
}

std::unique_ptr<CSendData> CTALVData::BuildCrossoverFrame()
{
    StepCrossoverRamp();
    return std::make_unique<CSendData>(m_xoverSlot.m_abFrame, SHORT_FRAME_LEN);
}

std::unique_ptr<CSendData> CTALVData::BuildChannelFrame() const
{
    return std::make_unique<CSendData>(m_chanSlot.m_abFrame, SHORT_FRAME_LEN);
}

std::unique_ptr<CSendData> CTALVData::BuildBlockWrite(int nSlot)
{
    BYTE* p = m_abBlock;
    SetFrameEnds(p, BLOCK_FRAME_LEN, CMD_BLOCK_WRITE);
    p[FRAME_INDEX1] = p[BLOCK_INDEX1_COPY] = static_cast<BYTE>(m_nChannel);
    p[FRAME_INDEX2] = p[BLOCK_INDEX2_COPY] = static_cast<BYTE>(nSlot);
    for (int b = 0; b < NUM_BANDS; ++b) {
        BYTE* pBand = p + BlockBand(b);
        std::memcpy(pBand + BLOCK_BAND_FREQ, Band(b) + BAND_FREQ, 2);
        std::memcpy(pBand + BLOCK_BAND_GAIN, Band(b) + BAND_GAIN, 2);
        std::memcpy(pBand + BLOCK_BAND_Q, Band(b) + BAND_Q, 2);
        pBand[BLOCK_BAND_RESERVED] = pBand[BLOCK_BAND_RESERVED + 1] = 0;
    }
    const BYTE* x = m_xoverSlot.m_abFrame;
    std::memcpy(p + BLOCK_HPF_FREQ, x + XO_HPF_FREQ, 2);
    p[BLOCK_HPF_TYPE] = x[XO_HPF_TYPE];
    p[BLOCK_HPF_SLOPE] = x[XO_HPF_SLOPE];
    std::memcpy(p + BLOCK_LPF_FREQ, x + XO_LPF_FREQ, 2);
    p[BLOCK_LPF_TYPE] = x[XO_LPF_TYPE];
    p[BLOCK_LPF_SLOPE] = x[XO_LPF_SLOPE];
    const BYTE* c = m_chanSlot.m_abFrame;
    p[BLOCK_OUTPUT] = c[CH_OUTPUT];
    p[BLOCK_POLARITY] = c[CH_POLARITY];
    std::memcpy(p + BLOCK_GAIN, c + CH_GAIN, 2);
    std::memcpy(p + BLOCK_DELAY, c + CH_DELAY, 2);
    p[BLOCK_GATE] = c[CH_GATE];
    p[BLOCK_INPUT_LEVEL] = c[CH_INPUT_LEVEL];
    SetFrameChecksum(p, BLOCK_FRAME_LEN);
    return std::make_unique<CSendData>(p, BLOCK_FRAME_LEN);
}

std::unique_ptr<CSendData> CTALVData::TakeLiveBlockWrite()
{
    FinishCrossoverRamp();
    ClearDirty();
    return BuildBlockWrite(0);
}

std::unique_ptr<CSendData> CTALVData::BuildBlockRequest(int nSlot) const
{
    BYTE f[SHORT_FRAME_LEN] = {};
    SetFrameEnds(f, SHORT_FRAME_LEN, CMD_BLOCK_REQUEST);
    f[FRAME_INDEX1] = f[SHORT_INDEX1_COPY] = static_cast<BYTE>(m_nChannel);
    f[FRAME_INDEX2] = f[SHORT_INDEX2_COPY] = static_cast<BYTE>(nSlot);
    SetFrameChecksum(f, SHORT_FRAME_LEN);
    return std::make_unique<CSendData>(f, SHORT_FRAME_LEN);
}
