#include "ChannelRecord.h"

void WriteChannelRecord(CArchive& ar, const ChannelRecord& rec)
{
    ar << rec.bABFlag << rec.bHpfOff << rec.bLpfOff << rec.bChannelOff;
    ar << rec.nOutput << rec.nGain << rec.nDelay << rec.nPolarity << rec.nGate << rec.nInputLevel;
    ar << rec.hpf.nFreq << rec.hpf.nType << rec.hpf.nSlope;
    ar << rec.lpf.nFreq << rec.lpf.nType << rec.lpf.nSlope;
    for (const BandRecord& band : rec.aBand)
        ar << band.nFreq << band.nGain << band.nQ << band.nReserved;
}

void ReadChannelRecord(CArchive& ar, ChannelRecord& rec)
{
    ar >> rec.bABFlag >> rec.bHpfOff >> rec.bLpfOff >> rec.bChannelOff;
    ar >> rec.nOutput >> rec.nGain >> rec.nDelay >> rec.nPolarity >> rec.nGate >> rec.nInputLevel;
    ar >> rec.hpf.nFreq >> rec.hpf.nType >> rec.hpf.nSlope;
    ar >> rec.lpf.nFreq >> rec.lpf.nType >> rec.lpf.nSlope;
    for (BandRecord& band : rec.aBand)
        ar >> band.nFreq >> band.nGain >> band.nQ >> band.nReserved;
}
