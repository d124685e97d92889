#include "VirtualProcessor.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "DeviceLimits.h"
#include "FactoryPresets.h"
#include "FrameChecksum.h"

namespace {

// Junk for the Garbage fault: FF FF pairs broken by other bytes, a full
// header with a command byte nobody knows, and an FF at the end that runs
// into the answer's own header, as line noise does.
constexpr BYTE UNKNOWN_COMMAND = 0x99;
constexpr std::array<BYTE, 12> GARBAGE = {0x00, 0xFF,        0xFF, 0x12, 0xFF, 0x3C, 0xFF, 0xFF, 0xFF, UNKNOWN_COMMAND,
                                          0x07, FRAME_HEADER};
static_assert(ReplyLength(UNKNOWN_COMMAND) == 0 && RequestLength(UNKNOWN_COMMAND) == 0);

constexpr BYTE SPOILT_TRAILER = 0x55;
static_assert(SPOILT_TRAILER != FRAME_TRAILER);

// Saved state: magic, version, six names, then bytes 6..269 of every block.
constexpr std::array<BYTE, 4> STATE_MAGIC = {'V', 'S', 'I', 'M'};
constexpr BYTE STATE_VERSION = 1;
constexpr int BLOCK_DATA_FIRST = FRAME_PAYLOAD;
constexpr int BLOCK_DATA_LEN = BLOCK_INDEX1_COPY - BLOCK_DATA_FIRST;
constexpr std::size_t STATE_LEN =
    STATE_MAGIC.size() + 1 + NUM_PRESET_SLOTS * PRESET_NAME_LEN + NUM_PRESET_SLOTS * NUM_CHANNELS * BLOCK_DATA_LEN;

void CopyWord(BYTE* pTo, const BYTE* pFrom)
{
    pTo[0] = pFrom[0];
    pTo[1] = pFrom[1];
}

// An 18-byte answer with its index bytes, their copies and a valid checksum.
std::vector<BYTE> MakeShortFrame(BYTE command, BYTE index1, BYTE index2, const BYTE* pPayload = nullptr)
{
    std::vector<BYTE> f(SHORT_FRAME_LEN, 0);
    SetFrameEnds(f.data(), SHORT_FRAME_LEN, command);
    f[FRAME_INDEX1] = f[SHORT_INDEX1_COPY] = index1;
    f[FRAME_INDEX2] = f[SHORT_INDEX2_COPY] = index2;
    if (pPayload)
        std::memcpy(&f[FRAME_PAYLOAD], pPayload, SHORT_PAYLOAD_LEN);
    SetFrameChecksum(f.data(), SHORT_FRAME_LEN);
    return f;
}

std::vector<BYTE> MakePollReply()
{
    std::vector<BYTE> f(POLL_REPLY_LEN, 0);
    SetFrameEnds(f.data(), POLL_REPLY_LEN, CMD_POLL);
    SetFrameChecksum(f.data(), POLL_REPLY_LEN);
    return f;
}

}  // namespace

CVirtualProcessor::CVirtualProcessor()
{
    ResetToFactory();
}

void CVirtualProcessor::ResetToFactory()
{
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s) {
        SimPreset preset = FactoryPreset(s);
        m_aName[s] = preset.name;
        m_aSlot[s] = preset.aBlock;
        m_aPendingName[s].reset();
    }
    LiveChanged();
}

void CVirtualProcessor::SetLiveListener(LiveListener listener)
{
    m_liveListener = std::move(listener);
    LiveChanged();
}

const SimBlock& CVirtualProcessor::GetBlock(int nSlot, int nChannel) const
{
    return m_aSlot.at(static_cast<std::size_t>(nSlot)).at(static_cast<std::size_t>(nChannel));
}

const SimName& CVirtualProcessor::GetName(int nSlot) const
{
    return m_aName.at(static_cast<std::size_t>(nSlot));
}

bool CVirtualProcessor::HasPendingName(int nSlot) const
{
    return m_aPendingName.at(static_cast<std::size_t>(nSlot)).has_value();
}

void CVirtualProcessor::SetFault(SimFault mode, int nCount)
{
    m_fault = nCount == 0 ? SimFault::None : mode;
    m_nFaultCount = nCount < 0 ? -1 : nCount;
}

bool CVirtualProcessor::TakeHangUp()
{
    return std::exchange(m_bHangUp, false);
}

void CVirtualProcessor::SetLateDelay(int nMs)
{
    m_nLateMs = std::max(0, nMs);
}

void CVirtualProcessor::SetSplitShape(int nPieceLen, int nGapMs)
{
    m_nSplitPieceLen = std::max(1, nPieceLen);
    m_nSplitGapMs = std::max(0, nGapMs);
}

std::vector<SimChunk> CVirtualProcessor::TakeOutput()
{
    std::vector<SimChunk> out;
    out.swap(m_aOutput);
    return out;
}

void CVirtualProcessor::Receive(const BYTE* pData, std::size_t nLength)
{
    for (std::size_t i = 0; i < nLength; ++i)
        ReceiveByte(pData[i]);
}

void CVirtualProcessor::AbandonFrame()
{
    if (m_bInFrame)
        Reject(SimReject::Truncated);
    m_bInFrame = false;
    m_nFFCount = 0;
}

// The same rules the program uses on its side: FF FF FF starts a frame, the
// command byte fixes its length, the last byte must be the trailer. A header
// followed by a fourth FF is an unknown command, not a shifted header.
void CVirtualProcessor::ReceiveByte(BYTE b)
{
    if (!m_bInFrame) {
        if (b != FRAME_HEADER) {
            m_nFFCount = 0;
        } else if (++m_nFFCount == FRAME_HEADER_LEN) {
            m_nFFCount = 0;
            m_bInFrame = true;
            std::fill_n(m_abAssembly.begin(), FRAME_HEADER_LEN, FRAME_HEADER);
            m_nFrameLen = FRAME_HEADER_LEN;
        }
        return;
    }
    if (m_nFrameLen == FRAME_CMD) {
        m_nExpectedLen = RequestLength(b);
        if (m_nExpectedLen == 0) {
            m_bInFrame = false;
            Reject(SimReject::UnknownCommand);
            return;
        }
    }
    m_abAssembly[static_cast<std::size_t>(m_nFrameLen++)] = b;
    if (m_nFrameLen < m_nExpectedLen)
        return;
    m_bInFrame = false;
    if (b != FRAME_TRAILER)
        Reject(SimReject::BadTrailer);
    else
        HandleFrame();
}

SimReject CVirtualProcessor::Verify() const
{
    const BYTE* f = m_abAssembly.data();
    const int nLen = m_nExpectedLen;
    if (!HasValidChecksum(f, nLen))
        return SimReject::BadChecksum;
    const bool bBlock = nLen == BLOCK_FRAME_LEN;
    if (f[bBlock ? BLOCK_INDEX1_COPY : SHORT_INDEX1_COPY] != f[FRAME_INDEX1] ||
        f[bBlock ? BLOCK_INDEX2_COPY : SHORT_INDEX2_COPY] != f[FRAME_INDEX2])
        return SimReject::BadCopy;

    const int nIndex1 = f[FRAME_INDEX1];
    const int nIndex2 = f[FRAME_INDEX2];
    const bool bChannelOk = nIndex1 < NUM_CHANNELS;
    const bool bSlotOk = nIndex2 < NUM_PRESET_SLOTS;
    switch (f[FRAME_CMD]) {
    case CMD_PARAMETER:
        if (!bChannelOk || nIndex2 > CHANNEL_FRAME_INDEX)
            return SimReject::BadIndex;
        return DeviceLimits::IsParameterFrameInRange(f) ? SimReject::None : SimReject::OutOfRange;
    case CMD_BLOCK_REQUEST:
        return bChannelOk && bSlotOk ? SimReject::None : SimReject::BadIndex;
    case CMD_BLOCK_WRITE:
        if (!bChannelOk || !bSlotOk)
            return SimReject::BadIndex;
        return DeviceLimits::IsBlockInRange(f) ? SimReject::None : SimReject::OutOfRange;
    case CMD_NAME:
    case CMD_NAME_QUERY:
        return nIndex1 == 0 && bSlotOk ? SimReject::None : SimReject::BadIndex;
    case CMD_POLL:
        return nIndex1 == 0 && nIndex2 == 0 ? SimReject::None : SimReject::BadIndex;
    default:  // RequestLength let it through, so this cannot happen
        return SimReject::UnknownCommand;
    }
}

void CVirtualProcessor::HandleFrame()
{
    const SimReject verdict = Verify();
    if (verdict != SimReject::None) {
        Reject(verdict);
        return;
    }
    const BYTE* f = m_abAssembly.data();
    const BYTE command = f[FRAME_CMD];
    const BYTE index1 = f[FRAME_INDEX1];
    const BYTE index2 = f[FRAME_INDEX2];
    ++m_anAccepted[command];

    switch (command) {
    case CMD_POLL:
        Answer(MakePollReply());
        break;
    case CMD_PARAMETER:
        ApplyParameter();
        Answer(MakeShortFrame(CMD_ACK, index1, index2));
        break;
    case CMD_NAME: {
        SimName name;
        std::copy_n(f + FRAME_PAYLOAD, PRESET_NAME_LEN, name.begin());
        m_aPendingName[index2] = name;
        Answer(MakeShortFrame(CMD_ACK, index1, index2));
        break;
    }
    case CMD_NAME_QUERY:
        Answer(MakeShortFrame(CMD_NAME_REPLY, 0, index2, m_aName[index2].data()));
        break;
    case CMD_BLOCK_REQUEST: {
        // A read sends the name frame first as well; reading must not rename.
        m_aPendingName[index2].reset();
        const SimBlock& blk = m_aSlot[index2][index1];
        Answer(std::vector<BYTE>(blk.begin(), blk.end()));
        break;
    }
    case CMD_BLOCK_WRITE: {
        SimBlock& blk = m_aSlot[index2][index1];
        std::copy_n(f + BLOCK_DATA_FIRST, BLOCK_DATA_LEN, blk.begin() + BLOCK_DATA_FIRST);
        SetFrameChecksum(blk.data(), BLOCK_FRAME_LEN);
        if (m_aPendingName[index2])
            m_aName[index2] = *m_aPendingName[index2];
        if (index2 == 0)
            LiveChanged();
        Answer(MakeShortFrame(CMD_ACK, index1, index2));
        break;
    }
    default:
        break;
    }
}

// Parameter frames change the live setting, slot 0.
void CVirtualProcessor::ApplyParameter()
{
    const BYTE* f = m_abAssembly.data();
    const int nIndex = f[FRAME_INDEX2];
    SimBlock& blk = m_aSlot[0][f[FRAME_INDEX1]];
    BYTE* p = blk.data();
    if (nIndex < NUM_BANDS) {
        BYTE* pBand = p + BlockBand(nIndex);
        CopyWord(pBand + BLOCK_BAND_FREQ, f + BAND_FREQ);
        CopyWord(pBand + BLOCK_BAND_GAIN, f + BAND_GAIN);
        CopyWord(pBand + BLOCK_BAND_Q, f + BAND_Q);
        // The reserved word has no place in the block; the device drops it.
    } else if (nIndex == XOVER_FRAME_INDEX) {
        CopyWord(p + BLOCK_HPF_FREQ, f + XO_HPF_FREQ);
        p[BLOCK_HPF_TYPE] = f[XO_HPF_TYPE];
        p[BLOCK_HPF_SLOPE] = f[XO_HPF_SLOPE];
        CopyWord(p + BLOCK_LPF_FREQ, f + XO_LPF_FREQ);
        p[BLOCK_LPF_TYPE] = f[XO_LPF_TYPE];
        p[BLOCK_LPF_SLOPE] = f[XO_LPF_SLOPE];
    } else {
        p[BLOCK_OUTPUT] = f[CH_OUTPUT];
        p[BLOCK_POLARITY] = f[CH_POLARITY];
        CopyWord(p + BLOCK_GAIN, f + CH_GAIN);
        CopyWord(p + BLOCK_DELAY, f + CH_DELAY);
        p[BLOCK_GATE] = f[CH_GATE];
        p[BLOCK_INPUT_LEVEL] = f[CH_INPUT_LEVEL];
    }
    SetFrameChecksum(p, BLOCK_FRAME_LEN);
    LiveChanged();
}

void CVirtualProcessor::Reject(SimReject reason)
{
    ++m_nRejected;
    m_lastReject = reason;
}

SimFault CVirtualProcessor::TakeFault()
{
    const SimFault fault = m_fault;
    if (fault != SimFault::None && m_nFaultCount > 0 && --m_nFaultCount == 0)
        m_fault = SimFault::None;
    return fault;
}

void CVirtualProcessor::Answer(std::vector<BYTE> frame)
{
    switch (TakeFault()) {
    case SimFault::None:
        m_aOutput.push_back({std::move(frame), 0});
        break;
    case SimFault::Silent:
        break;
    case SimFault::BadTrailer:
        frame.back() = SPOILT_TRAILER;
        m_aOutput.push_back({std::move(frame), 0});
        break;
    case SimFault::Garbage:
        frame.insert(frame.begin(), GARBAGE.begin(), GARBAGE.end());
        m_aOutput.push_back({std::move(frame), 0});
        break;
    case SimFault::Split:
        for (auto it = frame.begin(); it != frame.end();) {
            const auto nPiece = std::min<std::ptrdiff_t>(m_nSplitPieceLen, frame.end() - it);
            const int nDelay = it == frame.begin() ? 0 : m_nSplitGapMs;
            m_aOutput.push_back({std::vector<BYTE>(it, it + nPiece), nDelay});
            it += nPiece;
        }
        break;
    case SimFault::Late:
        m_aOutput.push_back({std::move(frame), m_nLateMs});
        break;
    case SimFault::HangUp:
        m_bHangUp = true;
        break;
    }
}

std::vector<BYTE> CVirtualProcessor::SaveState() const
{
    std::vector<BYTE> data(STATE_MAGIC.begin(), STATE_MAGIC.end());
    data.reserve(STATE_LEN);
    data.push_back(STATE_VERSION);
    for (const SimName& name : m_aName)
        data.insert(data.end(), name.begin(), name.end());
    for (const auto& slot : m_aSlot)
        for (const SimBlock& blk : slot)
            data.insert(data.end(), blk.begin() + BLOCK_DATA_FIRST, blk.begin() + BLOCK_DATA_FIRST + BLOCK_DATA_LEN);
    return data;
}

bool CVirtualProcessor::LoadState(const std::vector<BYTE>& data)
{
    if (data.size() != STATE_LEN || !std::equal(STATE_MAGIC.begin(), STATE_MAGIC.end(), data.begin()) ||
        data[STATE_MAGIC.size()] != STATE_VERSION)
        return false;
    auto it = data.begin() + static_cast<std::ptrdiff_t>(STATE_MAGIC.size() + 1);
    auto aName = m_aName;
    auto aSlot = m_aSlot;  // keeps headers, indexes and trailers of every block
    for (SimName& name : aName) {
        std::copy_n(it, PRESET_NAME_LEN, name.begin());
        it += PRESET_NAME_LEN;
    }
    for (auto& slot : aSlot) {
        for (SimBlock& blk : slot) {
            std::copy_n(it, BLOCK_DATA_LEN, blk.begin() + BLOCK_DATA_FIRST);
            it += BLOCK_DATA_LEN;
            if (!DeviceLimits::IsBlockInRange(blk.data()))
                return false;
            SetFrameChecksum(blk.data(), BLOCK_FRAME_LEN);
        }
    }
    m_aName = aName;
    m_aSlot = aSlot;
    for (auto& pending : m_aPendingName)
        pending.reset();
    LiveChanged();
    return true;
}
