// The channel's whole state as one value.
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
