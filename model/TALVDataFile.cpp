// The channel's side of the preset file: one 280-byte record.
#include "TALVData.h"

#include "Archive.h"
#include "PresetLimits.h"

ChannelRecord CTALVData::GetRecord() const
{
    ChannelRecord rec;
    rec.bABFlag = m_bABFlag;
    rec.bHpfOff = m_bHpfOff;
    rec.bLpfOff = m_bLpfOff;
    rec.bChannelOff = m_bChannelOff;
    rec.nOutput = GetOutputOn();
    rec.nGain = GetChannelGain();
    rec.nDelay = GetDelay();
    rec.nPolarity = GetPolarity();
    rec.nGate = GetGateByte();
    rec.nInputLevel = GetInputLevel();
    rec.hpf = {m_nHpfTarget, GetHpfType(), GetHpfSlope()};
    rec.lpf = {m_nLpfTarget, GetLpfType(), GetLpfSlope()};
    for (int b = 0; b < NUM_BANDS; ++b)
        rec.aBand[b] = {GetBandFreq(b), GetGain(b), GetQ(b), GetBandReserved(b)};
    return rec;
}

namespace {
template <typename T> T Take(CArchive& ar)
{
    T v{};
    ar >> v;
    return v;
}

BYTE TakeByte(CArchive& ar, ValueRange range)
{
    return static_cast<BYTE>(range.Clamp(Take<BYTE>(ar)));
}

short TakeWord(CArchive& ar, ValueRange range)
{
    return static_cast<short>(range.Clamp(Take<std::int16_t>(ar)));
}
}  // namespace

void CTALVData::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        FinishCrossoverRamp();
        WriteChannelRecord(ar, GetRecord());
        return;
    }

    // Each field is applied as soon as it is read, so a file that ends early
    // leaves what came before it in place; the frames are resealed either way.
    struct Resealer {
        CTALVData& d;
        ~Resealer() { d.SealAll(); }
    } reseal{*this};

    m_bABFlag = Take<std::int32_t>(ar);
    m_bHpfOff = Take<std::int32_t>(ar);
    m_bLpfOff = Take<std::int32_t>(ar);
    m_bChannelOff = Take<std::int32_t>(ar);
    Chan()[CH_OUTPUT] = TakeByte(ar, SWITCH_RANGE);
    SetWord(Chan() + CH_GAIN, TakeWord(ar, CHANNEL_GAIN_RANGE));
    SetWord(Chan() + CH_DELAY, TakeWord(ar, DELAY_RANGE));
    Chan()[CH_POLARITY] = TakeByte(ar, SWITCH_RANGE);
    Chan()[CH_GATE] = TakeByte(ar, GATE_BYTE_RANGE);
    Chan()[CH_INPUT_LEVEL] = TakeByte(ar, SWITCH_RANGE);

    m_nHpfTarget = TakeWord(ar, XOVER_FREQ_RANGE);
    SetWord(Xover() + XO_HPF_FREQ, m_nHpfTarget);
    Xover()[XO_HPF_TYPE] = TakeByte(ar, FILTER_TYPE_RANGE);
    Xover()[XO_HPF_SLOPE] = TakeByte(ar, FILTER_SLOPE_RANGE);
    m_nLpfTarget = TakeWord(ar, XOVER_FREQ_RANGE);
    SetWord(Xover() + XO_LPF_FREQ, m_nLpfTarget);
    Xover()[XO_LPF_TYPE] = TakeByte(ar, FILTER_TYPE_RANGE);
    Xover()[XO_LPF_SLOPE] = TakeByte(ar, FILTER_SLOPE_RANGE);

    for (int b = 0; b < NUM_BANDS; ++b) {
        SetWord(Band(b) + BAND_FREQ, TakeWord(ar, BAND_FREQ_RANGE));
        LoadBandGain(b, TakeWord(ar, BAND_GAIN_RANGE));
        SetWord(Band(b) + BAND_Q, TakeWord(ar, BAND_Q_RANGE));
        SetWord(Band(b) + BAND_RESERVED, Take<std::int16_t>(ar));
    }
}
