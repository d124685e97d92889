// The channel's whole state as one value, and the compact setting undo keeps.
#include <algorithm>

#include "TALVData.h"

CTALVData::State CTALVData::GetState() const
{
    State s;
    std::copy(std::begin(m_aBandSlot), std::end(m_aBandSlot), s.aBandSlot.begin());
    std::copy(std::begin(m_anSavedGain), std::end(m_anSavedGain), s.anSavedGain.begin());
    std::copy(std::begin(m_abBandBypass), std::end(m_abBandBypass), s.abBandBypass.begin());
    std::copy(std::begin(m_abBypassAllMark), std::end(m_abBypassAllMark), s.abBypassAllMark.begin());
    std::copy(std::begin(m_abSavedBypassAllMark), std::end(m_abSavedBypassAllMark), s.abSavedBypassAllMark.begin());
    s.xoverSlot = m_xoverSlot;
    s.nHpfTarget = m_nHpfTarget;
    s.nLpfTarget = m_nLpfTarget;
    s.chanSlot = m_chanSlot;
    s.bABFlag = m_bABFlag;
    s.bHpfOff = m_bHpfOff;
    s.bLpfOff = m_bLpfOff;
    s.bChannelOff = m_bChannelOff;
    return s;
}

CTALVData::Setting CTALVData::GetSetting() const
{
    Setting s;
    for (int b = 0; b < NUM_BANDS; ++b) {
        BandSetting& band = s.aBand[static_cast<std::size_t>(b)];
        band.nFreq = GetBandFreq(b);
        band.nGain = GetGain(b);
        band.nQ = GetQ(b);
        band.nReserved = GetBandReserved(b);
        band.nSavedGain = static_cast<short>(m_anSavedGain[b]);
        band.bBypass = static_cast<BYTE>(m_abBandBypass[b]);
        band.bBypassAllMark = static_cast<BYTE>(m_abBypassAllMark[b]);
        band.bSavedBypassAllMark = static_cast<BYTE>(m_abSavedBypassAllMark[b]);
    }
    s.nHpfTarget = m_nHpfTarget;
    s.nLpfTarget = m_nLpfTarget;
    s.nHpfType = GetHpfType();
    s.nHpfSlope = GetHpfSlope();
    s.nLpfType = GetLpfType();
    s.nLpfSlope = GetLpfSlope();
    s.nOutput = GetOutputOn();
    s.nPolarity = GetPolarity();
    s.nGain = GetChannelGain();
    s.nDelay = GetDelay();
    s.nGate = GetGateByte();
    s.nInputLevel = GetInputLevel();
    s.bABFlag = static_cast<BYTE>(m_bABFlag);
    s.bHpfOff = static_cast<BYTE>(m_bHpfOff);
    s.bLpfOff = static_cast<BYTE>(m_bLpfOff);
    s.bChannelOff = static_cast<BYTE>(m_bChannelOff);
    return s;
}

void CTALVData::RestoreSetting(const Setting& s)
{
    for (int b = 0; b < NUM_BANDS; ++b) {
        const BandSetting& band = s.aBand[static_cast<std::size_t>(b)];
        if (GetBandFreq(b) != band.nFreq || GetGain(b) != band.nGain || GetQ(b) != band.nQ ||
            GetBandReserved(b) != band.nReserved) {
            SetWord(Band(b) + BAND_FREQ, band.nFreq);
            SetWord(Band(b) + BAND_GAIN, band.nGain);
            SetWord(Band(b) + BAND_Q, band.nQ);
            SetWord(Band(b) + BAND_RESERVED, band.nReserved);
            m_aBandSlot[b].m_bDirty = 1;
            Seal(m_aBandSlot[b]);
        }
        m_anSavedGain[b] = band.nSavedGain;
        m_abBandBypass[b] = band.bBypass;
        m_abBypassAllMark[b] = band.bBypassAllMark;
        m_abSavedBypassAllMark[b] = band.bSavedBypassAllMark;
    }

    const BYTE abFilter[] = {s.nHpfType, s.nHpfSlope, s.nLpfType, s.nLpfSlope};
    BYTE* pFilter[] = {&Xover()[XO_HPF_TYPE], &Xover()[XO_HPF_SLOPE], &Xover()[XO_LPF_TYPE], &Xover()[XO_LPF_SLOPE]};
    for (std::size_t i = 0; i < std::size(abFilter); ++i) {
        if (*pFilter[i] != abFilter[i]) {
            *pFilter[i] = abFilter[i];
            m_xoverSlot.m_bDirty = 1;
        }
    }
    if (m_nHpfTarget != s.nHpfTarget || m_nLpfTarget != s.nLpfTarget) {
        m_nHpfTarget = s.nHpfTarget;
        m_nLpfTarget = s.nLpfTarget;
        m_xoverSlot.m_bDirty = 1;
    }
    Seal(m_xoverSlot);

    if (GetOutputOn() != s.nOutput || GetPolarity() != s.nPolarity || GetChannelGain() != s.nGain ||
        GetDelay() != s.nDelay || GetGateByte() != s.nGate || GetInputLevel() != s.nInputLevel) {
        Chan()[CH_OUTPUT] = s.nOutput;
        Chan()[CH_POLARITY] = s.nPolarity;
        SetWord(Chan() + CH_GAIN, s.nGain);
        SetWord(Chan() + CH_DELAY, s.nDelay);
        Chan()[CH_GATE] = s.nGate;
        Chan()[CH_INPUT_LEVEL] = s.nInputLevel;
        m_chanSlot.m_bDirty = 1;
        Seal(m_chanSlot);
    }
    m_bABFlag = s.bABFlag;
    m_bHpfOff = s.bHpfOff;
    m_bLpfOff = s.bLpfOff;
    m_bChannelOff = s.bChannelOff;
}

bool CTALVData::HoldsBlock(const BYTE* pBlock) const
{
    CTALVData loaded;
    loaded.SetChannel(m_nChannel);
    loaded.RestoreSetting(GetSetting());
    loaded.LoadFromBlock(pBlock);
    // A block holds no kept gains, bypass marks or reserved words, and
    // leaves the band frequency flag alone: only the values count.
    auto values = [](Setting s) {
        for (BandSetting& band : s.aBand)
            band.nSavedGain = band.bBypass = band.bBypassAllMark = band.bSavedBypassAllMark = 0;
        return s;
    };
    // A crossover still on its way to its target is no match either.
    return values(loaded.GetSetting()) == values(GetSetting()) && loaded.GetHpfCurrentFreq() == GetHpfCurrentFreq() &&
           loaded.GetLpfCurrentFreq() == GetLpfCurrentFreq();
}
