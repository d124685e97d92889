#include "TALVRoute.h"

#include <algorithm>

#include "Archive.h"
#include "FrameChecksum.h"
#include "LinkState.h"
#include "PresetNameRule.h"

CTALVRoute::CTALVRoute()
{
    for (int k = 0; k < NUM_CHANNELS; ++k)
        GetChannel(k).SetChannel(k);
}

CTALVRoute::~CTALVRoute()
{
    // Nothing may reach these channels through the link state once they are gone.
    for (CTALVData*& p : g_apChannel)
        for (CTALVData& ch : m_aChannel)
            if (p == &ch)
                p = nullptr;
}

void CTALVRoute::ClearAllDirty()
{
    for (CTALVData& ch : m_aChannel)
        ch.ClearDirty();
}

void StorePreset(CArchive& ar, const std::array<ChannelRecord, NUM_CHANNELS>& aRecord, const std::string& strName)
{
    for (const ChannelRecord& rec : aRecord)
        WriteChannelRecord(ar, rec);
    ar << strName;
}

void CTALVRoute::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        std::array<ChannelRecord, NUM_CHANNELS> aRecord;
        for (int k = 0; k < NUM_CHANNELS; ++k) {
            GetChannel(k).FinishCrossoverRamp();
            aRecord[k] = GetChannel(k).GetRecord();
        }
        // A name read from a device can break the file's rule; the file
        // keeps it in a form that opens again.
        StorePreset(ar, aRecord, KeepablePresetName(m_strName));
        return;
    }
    for (CTALVData& ch : m_aChannel)
        ch.Serialize(ar);
    if (g_bBassLink)
        GetChannel(1).CopyAll(GetChannel(0));
    ar >> m_strName;
}

std::unique_ptr<CSendData> CTALVRoute::BuildNameFrame(int nSlot, const std::string& strName)
{
    BYTE f[SHORT_FRAME_LEN] = {};
    SetFrameEnds(f, SHORT_FRAME_LEN, CMD_NAME);
    f[FRAME_INDEX2] = f[SHORT_INDEX2_COPY] = static_cast<BYTE>(nSlot);
    std::fill_n(f + FRAME_PAYLOAD, PRESET_NAME_LEN, BYTE{' '});
    // The field holds eight characters; a longer name (from a file) is cut.
    const std::size_t n = std::min<std::size_t>(strName.size(), PRESET_NAME_LEN);
    std::copy_n(strName.begin(), n, f + FRAME_PAYLOAD);
    SetFrameChecksum(f, SHORT_FRAME_LEN);
    return std::make_unique<CSendData>(f, SHORT_FRAME_LEN);
}

std::unique_ptr<CSendData> CTALVRoute::BuildNameQuery(int nSlot)
{
    BYTE f[SHORT_FRAME_LEN] = {};
    SetFrameEnds(f, SHORT_FRAME_LEN, CMD_NAME_QUERY);
    f[FRAME_INDEX2] = f[SHORT_INDEX2_COPY] = static_cast<BYTE>(nSlot);
    SetFrameChecksum(f, SHORT_FRAME_LEN);
    return std::make_unique<CSendData>(f, SHORT_FRAME_LEN);
}

std::unique_ptr<CSendData> CTALVRoute::BuildPollFrame()
{
    BYTE f[SHORT_FRAME_LEN] = {};
    SetFrameEnds(f, SHORT_FRAME_LEN, CMD_POLL);
    SetFrameChecksum(f, SHORT_FRAME_LEN);
    return std::make_unique<CSendData>(f, SHORT_FRAME_LEN);
}

std::unique_ptr<CSendData> CTALVRoute::GetNextFrame()
{
    for (CTALVData& ch : m_aChannel) {
        if (ch.CountDirty() >= BLOCK_CHANGE_FRAMES)
            return ch.TakeLiveBlockWrite();
        for (int b = 0; b < NUM_BANDS; ++b) {
            if (ch.IsBandDirty(b)) {
                ch.ClearBandDirty(b);
                return ch.BuildBandFrame(b);
            }
        }
        if (ch.IsCrossoverDirty()) {
            ch.ClearCrossoverDirty();
            return ch.BuildCrossoverFrame();
        }
        if (ch.IsChannelDirty()) {
            ch.ClearChannelDirty();
            return ch.BuildChannelFrame();
        }
    }
    return BuildPollFrame();
}

CTALVRoute::PendingSend CTALVRoute::GetPendingSend() const
{
    PendingSend pending;
    for (const CTALVData& ch : m_aChannel) {
        const int n = ch.CountDirty();
        if (n >= BLOCK_CHANGE_FRAMES) {
            pending.nFrames += 1;
            pending.nBytes += BLOCK_FRAME_LEN + SHORT_FRAME_LEN;
        } else {
            pending.nFrames += n;
            pending.nBytes += n * 2 * SHORT_FRAME_LEN;
        }
    }
    return pending;
}
