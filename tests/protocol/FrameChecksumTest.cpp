#include <gtest/gtest.h>

#include <array>

#include "FrameChecksum.h"
#include "SendData.h"

TEST(FrameChecksum, PollFrameChecksumIsZeroAndTrailerIsSet)
{
    std::array<BYTE, SHORT_FRAME_LEN> f{};
    SetFrameEnds(f.data(), SHORT_FRAME_LEN, CMD_POLL);
    SetFrameChecksum(f.data(), SHORT_FRAME_LEN);
    const std::array<BYTE, SHORT_FRAME_LEN> expected{0xFF, 0xFF, 0xFF, 0xA5, 0, 0, 0, 0, 0,
                                                     0,    0,    0,    0,    0, 0, 0, 0, 0xAA};
    EXPECT_EQ(f, expected);
    EXPECT_TRUE(HasValidChecksum(f.data(), SHORT_FRAME_LEN));
}

TEST(FrameChecksum, CoversCommandByteUpToTheByteBeforeTheChecksumOnly)
{
    std::array<BYTE, BLOCK_FRAME_LEN> f{};
    f.fill(0x11);
    SetFrameEnds(f.data(), BLOCK_FRAME_LEN, CMD_BLOCK_WRITE);
    SetFrameChecksum(f.data(), BLOCK_FRAME_LEN);
    const BYTE sum = f[BLOCK_CHECKSUM];
    // Header and trailer are outside the sum.
    f[0] = 0x00;
    f[BLOCK_FRAME_LEN - 1] = 0x00;
    EXPECT_EQ(FrameChecksum(f.data(), BLOCK_FRAME_LEN), sum);
    // Byte 271 is the last byte inside it.
    f[BLOCK_INDEX2_COPY] ^= 0x40;
    EXPECT_FALSE(HasValidChecksum(f.data(), BLOCK_FRAME_LEN));
}

TEST(FrameWords, LittleEndianSignedWordsRoundTrip)
{
    BYTE b[2];
    SetWord(b, 20000);
    EXPECT_EQ(b[0], 0x20);
    EXPECT_EQ(b[1], 0x4E);
    SetWord(b, -2);
    EXPECT_EQ(b[0], 0xFE);
    EXPECT_EQ(b[1], 0xFF);
    EXPECT_EQ(GetWord(b), -2);
}

TEST(SendData, OwnsACopyAndStartsUnsent)
{
    BYTE frame[SHORT_FRAME_LEN] = {0xFF, 0xFF, 0xFF, CMD_ACK};
    CSendData d(frame, SHORT_FRAME_LEN);
    frame[3] = 0;
    EXPECT_EQ(d.GetData()[3], CMD_ACK);
    EXPECT_EQ(d.m_nLength, SHORT_FRAME_LEN);
    EXPECT_EQ(d.m_bUnsent, 1);
    EXPECT_EQ(d.m_nWaitTicks, 0);
    EXPECT_EQ(d.m_bProgressAck, 0);
}
