// The bytes on the wire: frame lengths, command bytes, offsets, and the
// little-endian word helpers every builder and parser uses.
#pragma once

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;

// Lengths of the frames the device and the program exchange.
inline constexpr int SHORT_FRAME_LEN = 18;
inline constexpr int BLOCK_FRAME_LEN = 274;
inline constexpr int POLL_REPLY_LEN = 14;

inline constexpr BYTE FRAME_HEADER = 0xFF;  // three of them start every frame
inline constexpr int FRAME_HEADER_LEN = 3;
inline constexpr BYTE FRAME_TRAILER = 0xAA;
inline constexpr BYTE CHECKSUM_SEED = 0xA5;

// Command bytes (byte 3).
inline constexpr BYTE CMD_PARAMETER = 0x52;      // "R": one band, crossover or channel section
inline constexpr BYTE CMD_BLOCK_REQUEST = 0x53;  // "S": program asks for a block
inline constexpr BYTE CMD_BLOCK_REPLY = 0x53;    // "S": device answers with the block
inline constexpr BYTE CMD_BLOCK_WRITE = 0x54;    // "T"
inline constexpr BYTE CMD_NAME = 0x55;           // "U"
inline constexpr BYTE CMD_NAME_QUERY = 0x56;     // "V": question and answer alike
inline constexpr BYTE CMD_NAME_REPLY = 0x56;
inline constexpr BYTE CMD_ACK = 0x5F;   // "_"
inline constexpr BYTE CMD_POLL = 0xA5;  // poll frame and its 14-byte reply

// Positions shared by all frames.
inline constexpr int FRAME_CMD = 3;
inline constexpr int FRAME_INDEX1 = 4;  // channel, or 0
inline constexpr int FRAME_INDEX2 = 5;  // frame index or preset slot
inline constexpr int FRAME_PAYLOAD = 6;

// Short frame (18 bytes).
inline constexpr int SHORT_PAYLOAD_LEN = 8;
inline constexpr int SHORT_INDEX1_COPY = 14;
inline constexpr int SHORT_INDEX2_COPY = 15;
inline constexpr int SHORT_CHECKSUM = 16;

// Frame indexes of the parameter frames.
inline constexpr int NUM_BANDS = 31;
inline constexpr int XOVER_FRAME_INDEX = 31;
inline constexpr int CHANNEL_FRAME_INDEX = 32;
inline constexpr int NUM_CHANNELS = 4;
inline constexpr int NUM_PRESET_SLOTS = 6;  // slot 0 live, 1..5 stored
inline constexpr int PRESET_NAME_LEN = 8;

// Band frame payload.
inline constexpr int BAND_FREQ = 6;
inline constexpr int BAND_GAIN = 8;
inline constexpr int BAND_Q = 10;
inline constexpr int BAND_RESERVED = 12;

// Crossover frame payload.
inline constexpr int XO_HPF_FREQ = 6;
inline constexpr int XO_HPF_TYPE = 8;
inline constexpr int XO_HPF_SLOPE = 9;
inline constexpr int XO_LPF_FREQ = 10;
inline constexpr int XO_LPF_TYPE = 12;
inline constexpr int XO_LPF_SLOPE = 13;

// Channel frame payload.
inline constexpr int CH_OUTPUT = 6;
inline constexpr int CH_POLARITY = 7;
inline constexpr int CH_GAIN = 8;
inline constexpr int CH_DELAY = 10;
inline constexpr int CH_GATE = 12;
inline constexpr int CH_INPUT_LEVEL = 13;

// Block frame (274 bytes), command 0x54 out and 0x53 back.
constexpr int BlockBand(int nBand)
{
    return 6 + 8 * nBand;
}
inline constexpr int BLOCK_BAND_FREQ = 0;  // offsets inside one band record
inline constexpr int BLOCK_BAND_GAIN = 2;
inline constexpr int BLOCK_BAND_Q = 4;
inline constexpr int BLOCK_BAND_RESERVED = 6;  // always sent as 0, ignored on receipt
inline constexpr int BLOCK_HPF_FREQ = 254;
inline constexpr int BLOCK_HPF_TYPE = 256;
inline constexpr int BLOCK_HPF_SLOPE = 257;
inline constexpr int BLOCK_LPF_FREQ = 258;
inline constexpr int BLOCK_LPF_TYPE = 260;
inline constexpr int BLOCK_LPF_SLOPE = 261;
inline constexpr int BLOCK_OUTPUT = 262;
inline constexpr int BLOCK_POLARITY = 263;
inline constexpr int BLOCK_GAIN = 264;
inline constexpr int BLOCK_DELAY = 266;
inline constexpr int BLOCK_GATE = 268;
inline constexpr int BLOCK_INPUT_LEVEL = 269;
inline constexpr int BLOCK_INDEX1_COPY = 270;
inline constexpr int BLOCK_INDEX2_COPY = 271;
inline constexpr int BLOCK_CHECKSUM = 272;

// Length of the frame that follows a command byte as the device sends it, or 0
// for a command the program does not know.
constexpr int ReplyLength(BYTE command)
{
    switch (command) {
    case CMD_BLOCK_REPLY:
        return BLOCK_FRAME_LEN;
    case CMD_NAME_REPLY:
    case CMD_ACK:
        return SHORT_FRAME_LEN;
    case CMD_POLL:
        return POLL_REPLY_LEN;
    default:
        return 0;
    }
}

// Length of a frame the program sends, by its command byte, or 0 when unknown.
constexpr int RequestLength(BYTE command)
{
    switch (command) {
    case CMD_BLOCK_WRITE:
        return BLOCK_FRAME_LEN;
    case CMD_PARAMETER:
    case CMD_BLOCK_REQUEST:
    case CMD_NAME:
    case CMD_NAME_QUERY:
    case CMD_POLL:
        return SHORT_FRAME_LEN;
    default:
        return 0;
    }
}

// Little-endian signed words, as every multi-byte value on the wire and on disk.
inline std::int16_t GetWord(const BYTE* p)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

inline void SetWord(BYTE* p, std::int16_t v)
{
    const auto u = static_cast<std::uint16_t>(v);
    p[0] = static_cast<BYTE>(u & 0xFF);
    p[1] = static_cast<BYTE>(u >> 8);
}
