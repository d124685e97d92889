#include "DeviceLimits.h"

namespace DeviceLimits {

namespace {

bool InRange(int v, int nMin, int nMax)
{
    return v >= nMin && v <= nMax;
}

}  // namespace

bool IsBandInRange(int nFreq, int nGain, int nQ)
{
    return InRange(nFreq, FREQ_MIN, FREQ_MAX) && InRange(nGain, 0, BAND_GAIN_MAX) && InRange(nQ, 0, Q_INDEX_MAX);
}

bool IsFilterInRange(int nFreq, int nType, int nSlope)
{
    return InRange(nFreq, FREQ_MIN, FREQ_MAX) && InRange(nType, 0, FILTER_TYPE_MAX) &&
           InRange(nSlope, 0, FILTER_SLOPE_MAX);
}

bool IsChannelSectionInRange(int nOutput, int nPolarity, int nGain, int nDelay, int nGate, int nInputLevel)
{
    return InRange(nOutput, 0, SWITCH_MAX) && InRange(nPolarity, 0, SWITCH_MAX) &&
           InRange(nGain, 0, CHANNEL_GAIN_MAX) && InRange(nDelay, 0, DELAY_MAX) && InRange(nGate, GATE_MIN, GATE_MAX) &&
           InRange(nInputLevel, 0, SWITCH_MAX);
}

bool IsParameterFrameInRange(const BYTE* pFrame)
{
    const int nIndex = pFrame[FRAME_INDEX2];
    if (nIndex < NUM_BANDS)
        return IsBandInRange(GetWord(pFrame + BAND_FREQ), GetWord(pFrame + BAND_GAIN), GetWord(pFrame + BAND_Q));
    if (nIndex == XOVER_FRAME_INDEX)
        return IsFilterInRange(GetWord(pFrame + XO_HPF_FREQ), pFrame[XO_HPF_TYPE], pFrame[XO_HPF_SLOPE]) &&
               IsFilterInRange(GetWord(pFrame + XO_LPF_FREQ), pFrame[XO_LPF_TYPE], pFrame[XO_LPF_SLOPE]);
    if (nIndex == CHANNEL_FRAME_INDEX)
        return IsChannelSectionInRange(pFrame[CH_OUTPUT], pFrame[CH_POLARITY], GetWord(pFrame + CH_GAIN),
                                       GetWord(pFrame + CH_DELAY), pFrame[CH_GATE], pFrame[CH_INPUT_LEVEL]);
    return false;
}

bool IsBlockInRange(const BYTE* pBlock)
{
    for (int b = 0; b < NUM_BANDS; ++b) {
        const BYTE* pBand = pBlock + BlockBand(b);
        if (!IsBandInRange(GetWord(pBand + BLOCK_BAND_FREQ), GetWord(pBand + BLOCK_BAND_GAIN),
                           GetWord(pBand + BLOCK_BAND_Q)))
            return false;
    }
    return IsFilterInRange(GetWord(pBlock + BLOCK_HPF_FREQ), pBlock[BLOCK_HPF_TYPE], pBlock[BLOCK_HPF_SLOPE]) &&
           IsFilterInRange(GetWord(pBlock + BLOCK_LPF_FREQ), pBlock[BLOCK_LPF_TYPE], pBlock[BLOCK_LPF_SLOPE]) &&
           IsChannelSectionInRange(pBlock[BLOCK_OUTPUT], pBlock[BLOCK_POLARITY], GetWord(pBlock + BLOCK_GAIN),
                                   GetWord(pBlock + BLOCK_DELAY), pBlock[BLOCK_GATE], pBlock[BLOCK_INPUT_LEVEL]);
}

}  // namespace DeviceLimits
