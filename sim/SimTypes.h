// Plain data the virtual processor stores and hands out: blocks, names, and
// the chunks of bytes it sends back down the line.
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "Frame.h"

// One channel's setting as a complete 274-byte block frame in the form the
// device sends it (command 0x53, channel and slot in bytes 4/5 and their
// copies, valid checksum, trailer), so a block reply is a plain copy.
using SimBlock = std::array<BYTE, BLOCK_FRAME_LEN>;

// A preset name: eight bytes, padded with spaces.
using SimName = std::array<BYTE, PRESET_NAME_LEN>;

// A piece of the device's output. nDelayMs is the pause before these bytes,
// counted from the previous chunk (or from the moment the frame that caused
// them was received when nothing is waiting), so the device's answers always
// leave in order. Line pacing at 9600 baud comes on top in the transport.
struct SimChunk {
    std::vector<BYTE> bytes;
    int nDelayMs = 0;
};

// The name and four channel blocks of one preset slot.
struct SimPreset {
    SimName name{};
    std::array<SimBlock, NUM_CHANNELS> aBlock{};
};

// Pads with spaces to eight bytes; longer text is cut, the field has no room.
inline SimName MakeSimName(std::string_view text)
{
    SimName name;
    name.fill(' ');
    for (std::size_t i = 0; i < name.size() && i < text.size(); ++i)
        name[i] = static_cast<BYTE>(text[i]);
    return name;
}
