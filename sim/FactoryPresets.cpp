#include "FactoryPresets.h"

#include <stdexcept>
#include <utility>

#include "DeviceLimits.h"
#include "FrameChecksum.h"

namespace {

using namespace DeviceLimits;

// The graphic equaliser's centre frequencies, one per band.
constexpr std::array<int, NUM_BANDS> THIRD_OCTAVE_HZ = {
    20,  25,   32,   40,   50,   63,   80,   100,  125,  160,  200,  250,   315,   400,   500,  630,
    800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000};

constexpr int LINK_RIL = 0;
constexpr int BESSEL = 1;
constexpr int BTWORTH = 2;
constexpr int SLOPE_12 = 0;
constexpr int SLOPE_18 = 1;
constexpr int SLOPE_24 = 2;
constexpr int THIRD_OCTAVE_Q = 29;  // 0.34 octave wide, the usual graphic EQ band
constexpr int NARROWEST_Q = 0;      // what a fresh preset carries

struct Filter {
    int nFreq;
    int nType;
    int nSlope;
};
constexpr Filter HPF_OFF{FREQ_MIN, LINK_RIL, SLOPE_12};
constexpr Filter LPF_OFF{FREQ_MAX, LINK_RIL, SLOPE_12};

struct BandGain {
    int nBand;
    int nGain;
};

struct ChannelSetting {
    Filter hpf = HPF_OFF;
    Filter lpf = LPF_OFF;
    int nOutput = 1;
    int nPolarity = 0;
    int nGain = CHANNEL_GAIN_UNITY;
    int nDelay = 0;
    int nGate = GATE_MIN;
    int nInputLevel = 0;
    int nQ = THIRD_OCTAVE_Q;
    // Bands not listed stay flat. Always given, even empty, since the
    // compiler warns about trailing members a designated initializer omits.
    std::vector<BandGain> aBandGain;
};

void PutWord(BYTE* p, int v)
{
    SetWord(p, static_cast<std::int16_t>(v));
}

SimBlock BuildBlock(const ChannelSetting& set, int nChannel, int nSlot)
{
    SimBlock blk{};
    SetFrameEnds(blk.data(), BLOCK_FRAME_LEN, CMD_BLOCK_REPLY);
    blk[FRAME_INDEX1] = blk[BLOCK_INDEX1_COPY] = static_cast<BYTE>(nChannel);
    blk[FRAME_INDEX2] = blk[BLOCK_INDEX2_COPY] = static_cast<BYTE>(nSlot);

    std::array<int, NUM_BANDS> anGain;
    anGain.fill(BAND_GAIN_FLAT);
    for (const BandGain& g : set.aBandGain)
        anGain.at(static_cast<std::size_t>(g.nBand)) = g.nGain;
    for (int b = 0; b < NUM_BANDS; ++b) {
        BYTE* pBand = blk.data() + BlockBand(b);
        PutWord(pBand + BLOCK_BAND_FREQ, THIRD_OCTAVE_HZ[static_cast<std::size_t>(b)]);
        PutWord(pBand + BLOCK_BAND_GAIN, anGain[static_cast<std::size_t>(b)]);
        PutWord(pBand + BLOCK_BAND_Q, set.nQ);
    }

    PutWord(&blk[BLOCK_HPF_FREQ], set.hpf.nFreq);
    blk[BLOCK_HPF_TYPE] = static_cast<BYTE>(set.hpf.nType);
    blk[BLOCK_HPF_SLOPE] = static_cast<BYTE>(set.hpf.nSlope);
    PutWord(&blk[BLOCK_LPF_FREQ], set.lpf.nFreq);
    blk[BLOCK_LPF_TYPE] = static_cast<BYTE>(set.lpf.nType);
    blk[BLOCK_LPF_SLOPE] = static_cast<BYTE>(set.lpf.nSlope);
    blk[BLOCK_OUTPUT] = static_cast<BYTE>(set.nOutput);
    blk[BLOCK_POLARITY] = static_cast<BYTE>(set.nPolarity);
    PutWord(&blk[BLOCK_GAIN], set.nGain);
    PutWord(&blk[BLOCK_DELAY], set.nDelay);
    blk[BLOCK_GATE] = static_cast<BYTE>(set.nGate);
    blk[BLOCK_INPUT_LEVEL] = static_cast<BYTE>(set.nInputLevel);
    SetFrameChecksum(blk.data(), BLOCK_FRAME_LEN);
    return blk;
}

// Woofers on 0/1 and tweeters on 2/3, crossed at 2 kHz with 24 dB/Oct
// Linkwitz-Riley; the tweeters a little quieter and delayed a quarter
// millisecond to line up with the woofer's acoustic centre.
std::array<ChannelSetting, NUM_CHANNELS> TwoWay()
{
    const ChannelSetting low{.hpf = {40, BTWORTH, SLOPE_12},
                             .lpf = {2000, LINK_RIL, SLOPE_24},
                             .nInputLevel = 1,
                             .aBandGain = {{5, 230}, {11, 180}}};
    const ChannelSetting high{.hpf = {2000, LINK_RIL, SLOPE_24},
                              .nGain = 570,
                              .nDelay = 12,
                              .nInputLevel = 1,
                              .aBandGain = {{24, 185}, {28, 220}}};
    return {low, low, high, high};
}

std::array<ChannelSetting, NUM_CHANNELS> Flat()
{
    // Unity gain rather than the fresh preset's -60 dB: "flat" should pass
    // the signal through unchanged.
    const ChannelSetting flat{.nQ = NARROWEST_Q, .aBandGain = {}};
    return {flat, flat, flat, flat};
}

// Satellites on 0/1 above 100 Hz, one subwoofer on 2, channel 3 unused.
std::array<ChannelSetting, NUM_CHANNELS> SubSat()
{
    const ChannelSetting sat{.hpf = {100, LINK_RIL, SLOPE_24}, .nDelay = 48, .aBandGain = {{13, 190}}};
    const ChannelSetting sub{
        .hpf = {25, BTWORTH, SLOPE_12}, .lpf = {100, LINK_RIL, SLOPE_24}, .nGain = 630, .aBandGain = {{4, 220}}};
    const ChannelSetting unused{.nOutput = 0, .aBandGain = {}};
    return {sat, sat, sub, unused};
}

// Speech: rumble filtered, mud cut, presence lifted, a gentle gate.
std::array<ChannelSetting, NUM_CHANNELS> Vocal()
{
    const ChannelSetting voice{.hpf = {80, BESSEL, SLOPE_18},
                               .nGate = 50,
                               .aBandGain = {{10, 170}, {11, 175}, {22, 230}, {24, 220}, {29, 185}}};
    return {voice, voice, voice, voice};
}

// One three-way box: low, mid, high on 0..2, channel 3 unused.
std::array<ChannelSetting, NUM_CHANNELS> ThreeWay()
{
    const ChannelSetting low{.hpf = {30, BTWORTH, SLOPE_12}, .lpf = {250, LINK_RIL, SLOPE_24}, .aBandGain = {}};
    const ChannelSetting mid{.hpf = {250, LINK_RIL, SLOPE_24},
                             .lpf = {3150, LINK_RIL, SLOPE_24},
                             .nGain = 580,
                             .nDelay = 24,
                             .aBandGain = {}};
    const ChannelSetting high{.hpf = {3150, LINK_RIL, SLOPE_24}, .nGain = 560, .nDelay = 36, .aBandGain = {{27, 215}}};
    const ChannelSetting unused{.nOutput = 0, .aBandGain = {}};
    return {low, mid, high, unused};
}

}  // namespace

SimPreset FactoryPreset(int nSlot)
{
    std::pair<const char*, std::array<ChannelSetting, NUM_CHANNELS>> content;
    switch (nSlot) {
    case 0:  // the live setting starts as a copy of the first stored preset
    case 1:
        content = {"2WAY", TwoWay()};
        break;
    case 2:
        content = {"FLAT", Flat()};
        break;
    case 3:
        content = {"SUB+SAT", SubSat()};
        break;
    case 4:
        content = {"VOCAL", Vocal()};
        break;
    case 5:
        content = {"3WAY", ThreeWay()};
        break;
    default:
        throw std::out_of_range("no such preset slot");
    }
    SimPreset preset;
    preset.name = MakeSimName(content.first);
    for (int k = 0; k < NUM_CHANNELS; ++k)
        preset.aBlock[static_cast<std::size_t>(k)] = BuildBlock(content.second[static_cast<std::size_t>(k)], k, nSlot);
    return preset;
}
