#include "TALVData.h"

#include <cstring>

#include "FrameChecksum.h"
#include "FreqTables.h"
#include "LinkState.h"
#include "PresetLimits.h"

CTALVData::CTALVData()
{
    auto initShort = [](FRAME_SLOT& slot, int nIndex) {
        SetFrameEnds(slot.m_abFrame, SHORT_FRAME_LEN, CMD_PARAMETER);
        slot.m_abFrame[FRAME_INDEX2] = static_cast<BYTE>(nIndex);
        slot.m_abFrame[SHORT_INDEX2_COPY] = static_cast<BYTE>(nIndex);
    };
    for (int b = 0; b < NUM_BANDS; ++b)
        initShort(m_aBandSlot[b], b);
    initShort(m_xoverSlot, XOVER_FRAME_INDEX);
    initShort(m_chanSlot, CHANNEL_FRAME_INDEX);
    SetFrameEnds(m_abBlock, BLOCK_FRAME_LEN, CMD_BLOCK_WRITE);
    SetChannel(0);
}

void CTALVData::Seal(FRAME_SLOT& slot)
{
    SetFrameChecksum(slot.m_abFrame, SHORT_FRAME_LEN);
}

void CTALVData::SealAll()
{
    for (FRAME_SLOT& slot : m_aBandSlot)
        Seal(slot);
    Seal(m_xoverSlot);
    Seal(m_chanSlot);
}

void CTALVData::SetChannel(int nCh)
{
    const auto ch = static_cast<BYTE>(nCh);
    auto setIndex = [ch](FRAME_SLOT& slot) {
        slot.m_abFrame[FRAME_INDEX1] = ch;
        slot.m_abFrame[SHORT_INDEX1_COPY] = ch;
    };
    for (FRAME_SLOT& slot : m_aBandSlot)
        setIndex(slot);
    setIndex(m_xoverSlot);
    setIndex(m_chanSlot);
    m_nChannel = nCh;
    Reset();
}

void CTALVData::Reset()
{
    for (int b = 0; b < NUM_BANDS; ++b) {
        SetWord(Band(b) + BAND_FREQ, static_cast<short>(g_nGraphicEqFreq[b]));
        SetWord(Band(b) + BAND_GAIN, GAIN_FLAT);
        SetWord(Band(b) + BAND_Q, 0);
        SetWord(Band(b) + BAND_RESERVED, 0);
        m_anSavedGain[b] = GAIN_FLAT;
        m_abBandBypass[b] = 1;
        m_abBypassAllMark[b] = 0;
        m_abSavedBypassAllMark[b] = 0;
    }
    SetFilterFreqs(HPF_OFF_FREQ, LPF_OFF_FREQ);
    Xover()[XO_HPF_TYPE] = 0;
    Xover()[XO_HPF_SLOPE] = 0;
    Xover()[XO_LPF_TYPE] = 0;
    Xover()[XO_LPF_SLOPE] = 0;
    Chan()[CH_OUTPUT] = 0;
    Chan()[CH_POLARITY] = 0;
    SetWord(Chan() + CH_GAIN, 0);
    SetWord(Chan() + CH_DELAY, 0);
    Chan()[CH_GATE] = GATE_DEFAULT_BYTE;
    Chan()[CH_INPUT_LEVEL] = 0;
    m_bABFlag = 1;
    m_bHpfOff = 0;
    m_bLpfOff = 0;
    m_bChannelOff = 0;
    SealAll();
}

void CTALVData::ClearDirty()
{
    for (FRAME_SLOT& slot : m_aBandSlot)
        slot.m_bDirty = 0;
    m_xoverSlot.m_bDirty = 0;
    m_chanSlot.m_bDirty = 0;
}

// Current and target together: a value taken over from outside ends any ramp.
void CTALVData::SetFilterFreqs(int nHpf, int nLpf)
{
    m_nHpfTarget = static_cast<short>(nHpf);
    m_nLpfTarget = static_cast<short>(nLpf);
    SetWord(Xover() + XO_HPF_FREQ, m_nHpfTarget);
    SetWord(Xover() + XO_LPF_FREQ, m_nLpfTarget);
}

short CTALVData::GetBandFreq(int nBand) const
{
    return IsValidBand(nBand) ? GetWord(Band(nBand) + BAND_FREQ) : 0;
}

short CTALVData::GetGain(int nBand) const
{
    return IsValidBand(nBand) ? GetWord(Band(nBand) + BAND_GAIN) : 0;
}

short CTALVData::GetQ(int nBand) const
{
    return IsValidBand(nBand) ? GetWord(Band(nBand) + BAND_Q) : 0;
}

short CTALVData::GetBandReserved(int nBand) const
{
    return IsValidBand(nBand) ? GetWord(Band(nBand) + BAND_RESERVED) : 0;
}

int CTALVData::GetSavedGain(int nBand) const
{
    return IsValidBand(nBand) ? m_anSavedGain[nBand] : GAIN_FLAT;
}

int CTALVData::GetGateThreshold() const
{
    return GetGateByte() - GATE_OFFSET;
}

const BYTE* CTALVData::GetBandFrame(int nBand) const
{
    return IsValidBand(nBand) ? Band(nBand) : nullptr;
}

bool CTALVData::IsBandDirty(int nBand) const
{
    return IsValidBand(nBand) && m_aBandSlot[nBand].m_bDirty != 0;
}

void CTALVData::ClearBandDirty(int nBand)
{
    if (IsValidBand(nBand))
        m_aBandSlot[nBand].m_bDirty = 0;
}

bool CTALVData::IsAnyDirty() const
{
    for (const FRAME_SLOT& slot : m_aBandSlot)
        if (slot.m_bDirty)
            return true;
    return m_xoverSlot.m_bDirty || m_chanSlot.m_bDirty;
}

int CTALVData::CountDirty() const
{
    int n = m_xoverSlot.m_bDirty + m_chanSlot.m_bDirty;
    for (const FRAME_SLOT& slot : m_aBandSlot)
        n += slot.m_bDirty;
    return n;
}

template <typename F> void CTALVData::ForEachLinked(F fn)
{
    if (m_nChannel < 0 || m_nChannel >= LINK_CHANNELS)
        return;
    for (int i = 0; i < LINK_CHANNELS; ++i) {
        CTALVData* pOther = g_apChannel[i];
        if (i != m_nChannel && pOther && pOther != this && g_anLinkGroup[i] == g_anLinkGroup[m_nChannel])
            fn(*pOther);
    }
}

// ---- Equaliser bands -------------------------------------------------------

void CTALVData::SetBandGainWord(int nBand, int nGain)
{
    SetWord(Band(nBand) + BAND_GAIN, static_cast<short>(nGain));
    m_aBandSlot[nBand].m_bDirty = 1;
    Seal(m_aBandSlot[nBand]);
}

void CTALVData::SetGain(short nGain, int nBand)
{
    if (!IsValidBand(nBand))
        return;
    if (nGain == GAIN_FLAT) {
        m_abBandBypass[nBand] = 1;
    } else {
        m_abBandBypass[nBand] = 0;
        m_abBypassAllMark[nBand] = 0;
    }
    m_anSavedGain[nBand] = nGain;
    SetBandGainWord(nBand, nGain);
}

void CTALVData::SetQ(short nQ, int nBand)
{
    if (!IsValidBand(nBand))
        return;
    SetWord(Band(nBand) + BAND_Q, nQ);
    m_aBandSlot[nBand].m_bDirty = 1;
    PropagateBand(nBand);
    Seal(m_aBandSlot[nBand]);
}

void CTALVData::PropagateBand(int nBand)
{
    ForEachLinked([&](CTALVData& other) { other.CopyBandFrom(nBand, *this); });
}

void CTALVData::CopyBandFrom(int nBand, const CTALVData& src)
{
    std::memcpy(Band(nBand) + BAND_FREQ, src.Band(nBand) + BAND_FREQ, 6);  // freq, gain, Q words
    m_aBandSlot[nBand].m_bDirty = 1;
    Seal(m_aBandSlot[nBand]);
}

void CTALVData::SetBandBypass(int nBand, int bOn)
{
    if (!IsValidBand(nBand))
        return;
    const int on = bOn ? 1 : 0;
    const int nGain = GetGain(nBand);
    if (m_abBypassAllMark[nBand] != 0) {
        if (m_anSavedGain[nBand] == GAIN_FLAT)
            return;
    } else if (m_abBandBypass[nBand] == on || m_anSavedGain[nBand] == GAIN_FLAT) {
        return;
    }
    m_abBandBypass[nBand] = on;
    if (on) {
        // While bypass-all holds the band flat the gain word is the forced 0 dB
        // and the user's gain is already in the saved gain: keep it.
        if (m_abBypassAllMark[nBand] == 0)
            m_anSavedGain[nBand] = nGain;
        SetBandGainWord(nBand, GAIN_FLAT);
    } else {
        m_abBypassAllMark[nBand] = 0;
        SetBandGainWord(nBand, m_anSavedGain[nBand]);
    }
}

int CTALVData::IsBandBypassed(int nBand) const
{
    if (!IsValidBand(nBand))
        return 0;
    return m_abBypassAllMark[nBand] != 0 ? m_abBypassAllMark[nBand] : m_abBandBypass[nBand];
}

bool CTALVData::AreAllBandsBypassed() const
{
    for (int b = 0; b < NUM_BANDS; ++b)
        if (!IsBandBypassed(b))
            return false;
    return true;
}

void CTALVData::SetEqBypassAll(int bOn)
{
    ApplyEqBypassAll(bOn);
    PropagateEqBypassAll(bOn);
}

void CTALVData::PropagateEqBypassAll(int bOn)
{
    ForEachLinked([&](CTALVData& other) { other.ApplyEqBypassAll(bOn); });
}

void CTALVData::ApplyEqBypassAll(int bOn)
{
    for (int b = 0; b < NUM_BANDS; ++b) {
        const int nGain = GetGain(b);
        if (bOn) {
            m_abSavedBypassAllMark[b] = m_abBypassAllMark[b];
            m_abBypassAllMark[b] = bOn;
            if (nGain != GAIN_FLAT) {
                m_anSavedGain[b] = nGain;
                SetBandGainWord(b, GAIN_FLAT);
            }
        } else {
            m_abBypassAllMark[b] = m_abSavedBypassAllMark[b];
            if (m_abBypassAllMark[b] == 0 && m_abBandBypass[b] == 0)
                SetBandGainWord(b, m_anSavedGain[b]);
        }
    }
}

// ---- Crossover --------------------------------------------------------------

void CTALVData::SetHpfFreq(short nFreq)
{
    m_nHpfTarget = nFreq;
    m_xoverSlot.m_bDirty = 1;
    PropagateCrossover();
}

void CTALVData::SetLpfFreq(short nFreq)
{
    m_nLpfTarget = nFreq;
    m_xoverSlot.m_bDirty = 1;
    PropagateCrossover();
}

void CTALVData::SetHpfType(BYTE nType)
{
    Xover()[XO_HPF_TYPE] = nType;
    m_xoverSlot.m_bDirty = 1;
    Seal(m_xoverSlot);
    PropagateCrossover();
}

void CTALVData::SetHpfSlope(BYTE nSlope)
{
    Xover()[XO_HPF_SLOPE] = nSlope;
    m_xoverSlot.m_bDirty = 1;
    Seal(m_xoverSlot);
    PropagateCrossover();
}

void CTALVData::SetLpfType(BYTE nType)
{
    Xover()[XO_LPF_TYPE] = nType;
    m_xoverSlot.m_bDirty = 1;
    Seal(m_xoverSlot);
    PropagateCrossover();
}

void CTALVData::SetLpfSlope(BYTE nSlope)
{
    Xover()[XO_LPF_SLOPE] = nSlope;
    m_xoverSlot.m_bDirty = 1;
    Seal(m_xoverSlot);
    PropagateCrossover();
}

void CTALVData::PropagateCrossover()
{
    ForEachLinked([&](CTALVData& other) { other.CopyCrossoverFrom(*this); });
}

void CTALVData::CopyCrossoverFrom(const CTALVData& src)
{
    std::memcpy(Xover() + FRAME_PAYLOAD, src.m_xoverSlot.m_abFrame + FRAME_PAYLOAD, SHORT_PAYLOAD_LEN);
    m_nHpfTarget = src.m_nHpfTarget;
    m_nLpfTarget = src.m_nLpfTarget;
    m_bHpfOff = src.m_bHpfOff;
    m_bLpfOff = src.m_bLpfOff;
    m_xoverSlot.m_bDirty = 1;
    Seal(m_xoverSlot);
}

namespace {
// One octave towards the target at most. A current value of zero or below
// (never valid, but it may come from elsewhere) would double forever without
// getting anywhere, so it jumps straight to the target.
int StepTowards(int nCurrent, int nTarget)
{
    int h = nCurrent;
    if (nTarget > h)
        h = (h > 0 && nTarget > 2 * h) ? 2 * h : nTarget;
    if (nTarget < h)
        h = (nTarget < h / 2) ? h / 2 : nTarget;
    return h;
}
}  // namespace

void CTALVData::StepCrossoverRamp()
{
    SetWord(Xover() + XO_HPF_FREQ, static_cast<short>(StepTowards(GetHpfCurrentFreq(), m_nHpfTarget)));
    SetWord(Xover() + XO_LPF_FREQ, static_cast<short>(StepTowards(GetLpfCurrentFreq(), m_nLpfTarget)));
    Seal(m_xoverSlot);
    // Only a step that falls short of the target leaves more to send: the
    // frame that reaches it is the last one, never sent a second time.
    MarkUnfinishedRamp();
}

void CTALVData::FinishCrossoverRamp()
{
    SetWord(Xover() + XO_HPF_FREQ, m_nHpfTarget);
    SetWord(Xover() + XO_LPF_FREQ, m_nLpfTarget);
    Seal(m_xoverSlot);
}

// ---- Channel section --------------------------------------------------------

void CTALVData::ChannelChanged(bool bPropagate)
{
    m_chanSlot.m_bDirty = 1;
    Seal(m_chanSlot);
    if (bPropagate)
        PropagateChannel();
}

void CTALVData::SetOutputOn(BYTE v)
{
    Chan()[CH_OUTPUT] = v;
    ChannelChanged(g_bBassLink);
}

void CTALVData::SetOutputOnSilent(BYTE v)
{
    Chan()[CH_OUTPUT] = v;
    Seal(m_chanSlot);
}

void CTALVData::SetPolarity(BYTE v)
{
    Chan()[CH_POLARITY] = v;
    ChannelChanged(true);
}

void CTALVData::SetChannelGain(short v)
{
    SetWord(Chan() + CH_GAIN, v);
    ChannelChanged(true);
}

void CTALVData::SetDelay(short v)
{
    SetWord(Chan() + CH_DELAY, v);
    ChannelChanged(g_bBassLink);
}

void CTALVData::SetGateThreshold(int nEntered)
{
    Chan()[CH_GATE] = static_cast<BYTE>(nEntered + GATE_OFFSET);
    ChannelChanged(true);
}

void CTALVData::SetInputLevel(BYTE v)
{
    Chan()[CH_INPUT_LEVEL] = v;
    ChannelChanged(false);
}

void CTALVData::PropagateChannel()
{
    ForEachLinked([&](CTALVData& other) { other.CopyChannelFrom(*this); });
}

void CTALVData::CopyChannelFrom(const CTALVData& src)
{
    const BYTE* s = src.m_chanSlot.m_abFrame;
    Chan()[CH_POLARITY] = s[CH_POLARITY];
    std::memcpy(Chan() + CH_GAIN, s + CH_GAIN, 2);
    Chan()[CH_GATE] = s[CH_GATE];
    if (g_bBassLink) {
        Chan()[CH_OUTPUT] = s[CH_OUTPUT];
        std::memcpy(Chan() + CH_DELAY, s + CH_DELAY, 2);
    }
    m_bChannelOff = src.m_bChannelOff;
    m_chanSlot.m_bDirty = 1;
    Seal(m_chanSlot);
}

// ---- Whole-channel copies ---------------------------------------------------

// What both copies take over: the equaliser with its bypass state, the
// current crossover, polarity, gain, gate and the off flags.
void CTALVData::CopyCommon(const CTALVData& src)
{
    for (int b = 0; b < NUM_BANDS; ++b) {
        std::memcpy(Band(b) + BAND_FREQ, src.Band(b) + BAND_FREQ, 6);
        m_anSavedGain[b] = src.m_anSavedGain[b];
        m_abBandBypass[b] = src.m_abBandBypass[b];
        m_abBypassAllMark[b] = src.m_abBypassAllMark[b];
    }
    std::memcpy(Xover() + FRAME_PAYLOAD, src.m_xoverSlot.m_abFrame + FRAME_PAYLOAD, SHORT_PAYLOAD_LEN);
    m_bHpfOff = src.m_bHpfOff;
    m_bLpfOff = src.m_bLpfOff;
    const BYTE* s = src.m_chanSlot.m_abFrame;
    Chan()[CH_POLARITY] = s[CH_POLARITY];
    std::memcpy(Chan() + CH_GAIN, s + CH_GAIN, 2);
    Chan()[CH_GATE] = s[CH_GATE];
    m_bChannelOff = src.m_bChannelOff;
    m_nHpfTarget = src.m_nHpfTarget;
    m_nLpfTarget = src.m_nLpfTarget;
}

// A copy taken in the middle of a crossover ramp carries the in-between
// frequencies; the ramp must go on from here or the device stays there.
void CTALVData::MarkUnfinishedRamp()
{
    if (GetHpfCurrentFreq() != m_nHpfTarget || GetLpfCurrentFreq() != m_nLpfTarget)
        m_xoverSlot.m_bDirty = 1;
}

void CTALVData::CopyLinked(const CTALVData& src)
{
    if (&src == this)
        return;
    CopyCommon(src);
    SealAll();
    MarkUnfinishedRamp();
}

void CTALVData::CopyAll(const CTALVData& src)
{
    if (&src == this)
        return;
    CopyCommon(src);
    const BYTE* s = src.m_chanSlot.m_abFrame;
    Chan()[CH_OUTPUT] = s[CH_OUTPUT];
    std::memcpy(Chan() + CH_DELAY, s + CH_DELAY, 2);
    SealAll();
    MarkUnfinishedRamp();
}

// A band's gain taken over from a file or the device: no bypass-all hold, and
// a flat band counts as bypassed.
void CTALVData::LoadBandGain(int nBand, int nGain)
{
    SetWord(Band(nBand) + BAND_GAIN, static_cast<short>(nGain));
    m_anSavedGain[nBand] = nGain;
    m_abBandBypass[nBand] = (nGain == GAIN_FLAT) ? 1 : 0;
    m_abBypassAllMark[nBand] = 0;
    m_abSavedBypassAllMark[nBand] = 0;
}

void CTALVData::LoadFromBlock(const BYTE* pBlock)
{
    for (int b = 0; b < NUM_BANDS; ++b) {
        const BYTE* pBand = pBlock + BlockBand(b);
        SetWord(Band(b) + BAND_FREQ, static_cast<short>(BAND_FREQ_RANGE.Clamp(GetWord(pBand + BLOCK_BAND_FREQ))));
        LoadBandGain(b, BAND_GAIN_RANGE.Clamp(GetWord(pBand + BLOCK_BAND_GAIN)));
        SetWord(Band(b) + BAND_Q, static_cast<short>(BAND_Q_RANGE.Clamp(GetWord(pBand + BLOCK_BAND_Q))));
    }
    SetFilterFreqs(XOVER_FREQ_RANGE.Clamp(GetWord(pBlock + BLOCK_HPF_FREQ)),
                   XOVER_FREQ_RANGE.Clamp(GetWord(pBlock + BLOCK_LPF_FREQ)));
    Xover()[XO_HPF_TYPE] = static_cast<BYTE>(FILTER_TYPE_RANGE.Clamp(pBlock[BLOCK_HPF_TYPE]));
    Xover()[XO_HPF_SLOPE] = static_cast<BYTE>(FILTER_SLOPE_RANGE.Clamp(pBlock[BLOCK_HPF_SLOPE]));
    Xover()[XO_LPF_TYPE] = static_cast<BYTE>(FILTER_TYPE_RANGE.Clamp(pBlock[BLOCK_LPF_TYPE]));
    Xover()[XO_LPF_SLOPE] = static_cast<BYTE>(FILTER_SLOPE_RANGE.Clamp(pBlock[BLOCK_LPF_SLOPE]));
    m_bHpfOff = 0;
    m_bLpfOff = 0;
    Chan()[CH_OUTPUT] = static_cast<BYTE>(SWITCH_RANGE.Clamp(pBlock[BLOCK_OUTPUT]));
    Chan()[CH_POLARITY] = static_cast<BYTE>(SWITCH_RANGE.Clamp(pBlock[BLOCK_POLARITY]));
    SetWord(Chan() + CH_GAIN, static_cast<short>(CHANNEL_GAIN_RANGE.Clamp(GetWord(pBlock + BLOCK_GAIN))));
    SetWord(Chan() + CH_DELAY, static_cast<short>(DELAY_RANGE.Clamp(GetWord(pBlock + BLOCK_DELAY))));
    Chan()[CH_GATE] = static_cast<BYTE>(GATE_BYTE_RANGE.Clamp(pBlock[BLOCK_GATE]));
    Chan()[CH_INPUT_LEVEL] = static_cast<BYTE>(SWITCH_RANGE.Clamp(pBlock[BLOCK_INPUT_LEVEL]));
    m_bChannelOff = 0;
    SealAll();
}
