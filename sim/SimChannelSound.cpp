#include "SimChannelSound.h"

#include <algorithm>
#include <cmath>

#include "DeviceLimits.h"
#include "Filter.h"

using namespace DeviceLimits;

namespace {
// The gate byte is the entered value plus 30, shown as entered value - 120 dBu.
constexpr int GATE_BYTE_TO_DBU = -150;

int Word(const SimBlock& block, int nOffset)
{
    return GetWord(block.data() + nOffset);
}

void PlaceSections(const CFilter& filter, int nFirst, SimChannelSound& sound)
{
    CrossoverSections sections;
    const int nCount = filter.GetSections(sections);
    for (int k = 0; k < nCount; ++k) {
        sound.aSection[static_cast<std::size_t>(nFirst + k)] = sections[static_cast<std::size_t>(k)];
        sound.abActive[static_cast<std::size_t>(nFirst + k)] = true;
    }
}
}  // namespace

double GateThresholdDbfs(int nGateByte, int nInputLevel)
{
    const double dDbu = nGateByte + GATE_BYTE_TO_DBU;
    return dDbu - (nInputLevel ? HIGH_LEVEL_DBU_AT_FULL_SCALE : LOW_LEVEL_DBU_AT_FULL_SCALE);
}

SimChannelSound ChannelSoundFromBlock(const SimBlock& block, int nInputLevel)
{
    SimChannelSound sound;
    // The same filter elements the graph draws, so the sound has the curve's
    // very coefficients.
    for (int b = 0; b < NUM_BANDS; ++b) {
        const int nBand = BlockBand(b);
        CFilter band;
        band.SetFrequency(std::clamp(Word(block, nBand + BLOCK_BAND_FREQ), FREQ_MIN, FREQ_MAX));
        band.SetGainIndex(Word(block, nBand + BLOCK_BAND_GAIN));
        band.SetQIndex(Word(block, nBand + BLOCK_BAND_Q));
        PlaceSections(band, b, sound);
    }
    const auto crossover = [&](int nType, int nFreq, int nAlign, int nSlope, int nFirst) {
        CFilter filter;
        filter.SetBandHandle(0);
        filter.SetType(nType);
        filter.SetAlignment(std::clamp(nAlign, 0, XOVER_ALIGNMENTS - 1));
        filter.SetSlope(std::clamp(nSlope, 0, XOVER_SLOPES - 1));
        filter.SetFrequency(std::clamp(nFreq, FREQ_MIN, FREQ_MAX));
        PlaceSections(filter, nFirst, sound);
    };
    crossover(FILTER_HIGH_PASS, Word(block, BLOCK_HPF_FREQ), block[BLOCK_HPF_TYPE], block[BLOCK_HPF_SLOPE],
              SOUND_HIGH_PASS);
    crossover(FILTER_LOW_PASS, Word(block, BLOCK_LPF_FREQ), block[BLOCK_LPF_TYPE], block[BLOCK_LPF_SLOPE],
              SOUND_LOW_PASS);

    const int nGain = std::clamp(Word(block, BLOCK_GAIN), 0, CHANNEL_GAIN_MAX);
    sound.dGain = std::pow(10.0, (nGain - CHANNEL_GAIN_UNITY) * 0.1 / 20.0) * (block[BLOCK_POLARITY] ? -1.0 : 1.0);
    sound.bOn = block[BLOCK_OUTPUT] != 0;
    sound.nDelay = std::clamp(Word(block, BLOCK_DELAY), 0, DELAY_MAX);
    sound.dGateThreshold = std::pow(10.0, GateThresholdDbfs(block[BLOCK_GATE], nInputLevel) / 20.0);
    return sound;
}
