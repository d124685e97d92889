// One channel as the preset file stores it: every saved field in the model's
// own encoding, in file order. The JSON form of a preset is built on it too.
#pragma once

#include <array>
#include <cstdint>

#include "Archive.h"
#include "Frame.h"

struct BandRecord {
    std::int16_t nFreq = 0;
    std::int16_t nGain = 0;
    std::int16_t nQ = 0;
    std::int16_t nReserved = 0;
    bool operator==(const BandRecord&) const = default;
};

struct FilterRecord {
    std::int16_t nFreq = 0;
    std::uint8_t nType = 0;
    std::uint8_t nSlope = 0;
    bool operator==(const FilterRecord&) const = default;
};

struct ChannelRecord {
    std::int32_t bABFlag = 0;
    std::int32_t bHpfOff = 0;
    std::int32_t bLpfOff = 0;
    std::int32_t bChannelOff = 0;
    std::uint8_t nOutput = 0;
    std::int16_t nGain = 0;
    std::int16_t nDelay = 0;
    std::uint8_t nPolarity = 0;
    std::uint8_t nGate = 0;  // stored byte, 40..70
    std::uint8_t nInputLevel = 0;
    FilterRecord hpf;
    FilterRecord lpf;
    std::array<BandRecord, NUM_BANDS> aBand;

    bool operator==(const ChannelRecord&) const = default;
};

inline constexpr int CHANNEL_RECORD_SIZE = 280;

// Writes the 280 bytes of one channel record.
void WriteChannelRecord(CArchive& ar, const ChannelRecord& rec);
// Reads them back as they stand, unchecked; throws at the end of the data.
void ReadChannelRecord(CArchive& ar, ChannelRecord& rec);
