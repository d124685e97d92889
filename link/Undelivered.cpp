#include "Undelivered.h"

#include "SendData.h"
#include "TALVData.h"

void CUndelivered::AddFrame(const CSendData& frame)
{
    if (!frame.IsChange())
        return;
    const BYTE* p = frame.GetData();
    const int nChannel = p[FRAME_INDEX1];
    const int nIndex = p[FRAME_INDEX2];
    switch (p[FRAME_CMD]) {
    case CMD_NAME:
        m_bName = m_bName || nIndex == 0;
        break;
    case CMD_BLOCK_WRITE:
        if (nIndex == 0 && nChannel < NUM_CHANNELS)
            m_abFrame[static_cast<std::size_t>(nChannel)].set();
        break;
    default:
        if (nChannel < NUM_CHANNELS && nIndex < FRAMES)
            m_abFrame[static_cast<std::size_t>(nChannel)].set(static_cast<std::size_t>(nIndex));
        break;
    }
}

void CUndelivered::AddMarks(const CTALVData& channel)
{
    auto& frames = m_abFrame.at(static_cast<std::size_t>(channel.GetChannel()));
    for (int b = 0; b < NUM_BANDS; ++b)
        if (channel.IsBandDirty(b))
            frames.set(static_cast<std::size_t>(b));
    if (channel.IsCrossoverDirty())
        frames.set(XOVER_FRAME_INDEX);
    if (channel.IsChannelDirty())
        frames.set(CHANNEL_FRAME_INDEX);
}

bool CUndelivered::IsEmpty() const
{
    for (const auto& frames : m_abFrame)
        if (frames.any())
            return false;
    return !m_bName;
}

bool CUndelivered::Covers(int nChannel, int nFrame) const
{
    return nChannel >= 0 && nChannel < NUM_CHANNELS && nFrame >= 0 && nFrame < FRAMES &&
           m_abFrame[static_cast<std::size_t>(nChannel)].test(static_cast<std::size_t>(nFrame));
}

std::string CUndelivered::Describe() const
{
    std::string strText;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const auto& frames = m_abFrame[static_cast<std::size_t>(k)];
        if (frames.none())
            continue;
        std::string strLine = "CH" + std::to_string(k + 1) + ": ";
        if (frames.all()) {
            strText += strLine + "every value\n";
            continue;
        }
        // Bands as 1-based runs, "bands 3, 5-9".
        std::string strBands;
        int nCount = 0;
        for (int b = 0; b < NUM_BANDS; ++b) {
            if (!frames.test(static_cast<std::size_t>(b)) || (b > 0 && frames.test(static_cast<std::size_t>(b - 1))))
                continue;
            int e = b;
            while (e + 1 < NUM_BANDS && frames.test(static_cast<std::size_t>(e + 1)))
                ++e;
            strBands += (strBands.empty() ? "" : ", ") + std::to_string(b + 1);
            if (e > b)
                strBands += "-" + std::to_string(e + 1);
            nCount += e - b + 1;
        }
        std::string strParts;
        if (nCount > 0)
            strParts = (nCount == 1 ? "band " : "bands ") + strBands;
        if (frames.test(XOVER_FRAME_INDEX))
            strParts += std::string(strParts.empty() ? "" : "; ") + "the crossover";
        if (frames.test(CHANNEL_FRAME_INDEX))
            strParts += std::string(strParts.empty() ? "" : "; ") + "output, polarity, gain, delay and noise gate";
        strText += strLine + strParts + "\n";
    }
    if (m_bName)
        strText += "the live preset's name\n";
    if (!strText.empty())
        strText.pop_back();
    return strText;
}
