// The preset file loader on any bytes: whatever it takes over is stored
// within the valid ranges, and storing, loading and storing again gives the
// same bytes. The whole-file loader refuses with a reason and touches
// nothing, or takes the bytes as they are (gate and input level clamped).
#include <cstdint>
#include <vector>

#include "Archive.h"
#include "FuzzCheck.h"
#include "PresetFile.h"
#include "PresetLimits.h"
#include "PresetLoader.h"
#include "TALVRoute.h"

namespace {
void CheckRanges(const ChannelRecord& rec)
{
    for (const BandRecord& band : rec.aBand) {
        FuzzCheck(BAND_FREQ_RANGE.Contains(band.nFreq), "band frequency in range");
        FuzzCheck(BAND_GAIN_RANGE.Contains(band.nGain), "band gain in range");
        FuzzCheck(BAND_Q_RANGE.Contains(band.nQ), "band Q in range");
    }
    for (const FilterRecord* f : {&rec.hpf, &rec.lpf}) {
        FuzzCheck(XOVER_FREQ_RANGE.Contains(f->nFreq), "crossover frequency in range");
        FuzzCheck(FILTER_TYPE_RANGE.Contains(f->nType), "alignment in range");
        FuzzCheck(FILTER_SLOPE_RANGE.Contains(f->nSlope), "slope in range");
    }
    FuzzCheck(SWITCH_RANGE.Contains(rec.nOutput) && SWITCH_RANGE.Contains(rec.nPolarity) &&
                  SWITCH_RANGE.Contains(rec.nInputLevel),
              "switches in range");
    FuzzCheck(CHANNEL_GAIN_RANGE.Contains(rec.nGain), "channel gain in range");
    FuzzCheck(DELAY_RANGE.Contains(rec.nDelay), "delay in range");
    FuzzCheck(GATE_BYTE_RANGE.Contains(rec.nGate), "gate in range");
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    CTALVRoute route;
    try {
        CArchive ar(pData, nSize);
        route.Serialize(ar);
    } catch (const CArchiveException&) {
        // A file that ends early keeps what came before its end.
    }
    const std::vector<std::uint8_t> first = StorePresetBytes(route);
    for (int k = 0; k < NUM_CHANNELS; ++k)
        CheckRanges(route.GetChannel(k).GetRecord());

    CTALVRoute again;
    CArchive in(first.data(), first.size());
    again.Serialize(in);  // what we stored must load whole: no exception
    FuzzCheck(in.GetPosition() == first.size(), "a stored preset loads to its end");
    FuzzCheck(StorePresetBytes(again) == first, "store, load, store gives the same bytes");

    const std::vector<std::uint8_t> bytes(pData, pData + nSize);
    CTALVRoute whole;
    const std::vector<std::uint8_t> untouched = StorePresetBytes(whole);
    std::string error;
    if (LoadPresetBytes(bytes, whole, error) == PresetFault::None) {
        // A name in the 16-bit form is stored back in the 8-bit one.
        constexpr std::size_t NAME_AT = NUM_CHANNELS * CHANNEL_RECORD_SIZE;
        constexpr std::size_t GATE_AT = 22;  // in each channel record
        constexpr std::size_t INPUT_AT = 23;
        // Gate bytes and input levels beyond their ranges are taken clamped.
        std::vector<std::uint8_t> expected = bytes;
        for (std::size_t at = 0; at < NAME_AT; at += CHANNEL_RECORD_SIZE) {
            expected[at + GATE_AT] = static_cast<std::uint8_t>(GATE_BYTE_RANGE.Clamp(expected[at + GATE_AT]));
            expected[at + INPUT_AT] = static_cast<std::uint8_t>(SWITCH_RANGE.Clamp(expected[at + INPUT_AT]));
        }
        if (bytes[NAME_AT] != 0xFF)
            FuzzCheck(StorePresetBytes(whole) == expected, "a preset taken whole stores back to its bytes");
    } else {
        FuzzCheck(!error.empty(), "a refused file has a reason");
        FuzzCheck(StorePresetBytes(whole) == untouched, "a refused file changes nothing");
    }
    return 0;
}
