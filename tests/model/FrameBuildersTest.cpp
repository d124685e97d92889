#include <array>

#include "BulkEqUpdate.h"
#include "ModelFixture.h"

namespace {
std::vector<BYTE> Of(const std::unique_ptr<CSendData>& d)
{
    return {d->GetData(), d->GetData() + d->GetLength()};
}
}  // namespace

TEST_F(ModelTest, NextFrameGoesChannelByChannelThenPolls)
{
    auto poll = route.GetNextFrame();
    EXPECT_EQ(Of(poll), (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xA5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAA}));

    route.GetChannel(2).SetGain(210, 3);
    route.GetChannel(1).SetGain(190, 0);
    route.GetChannel(1).SetPolarity(1);
    route.GetChannel(1).SetHpfType(1);
    route.GetChannel(0).SetGain(220, 30);

    const std::array<std::pair<int, int>, 5> order = {
        {{0, 30}, {1, 0}, {1, XOVER_FRAME_INDEX}, {1, CHANNEL_FRAME_INDEX}, {2, 3}}};
    for (auto [ch, index] : order) {
        auto f = route.GetNextFrame();
        ASSERT_EQ(f->GetLength(), SHORT_FRAME_LEN);
        EXPECT_EQ(f->GetData()[FRAME_CMD], CMD_PARAMETER);
        EXPECT_EQ(f->GetData()[FRAME_INDEX1], ch);
        EXPECT_EQ(f->GetData()[FRAME_INDEX2], index);
        EXPECT_TRUE(HasValidChecksum(f->GetData(), SHORT_FRAME_LEN));
    }
    EXPECT_EQ(route.GetNextFrame()->GetData()[FRAME_CMD], CMD_POLL);

    // A ramp under way holds back that channel's channel frame.
    route.GetChannel(0).SetHpfFreq(160);
    route.GetChannel(0).SetChannelGain(500);
    EXPECT_EQ(route.GetNextFrame()->GetData()[FRAME_INDEX2], XOVER_FRAME_INDEX);  // 40
    EXPECT_EQ(route.GetNextFrame()->GetData()[FRAME_INDEX2], XOVER_FRAME_INDEX);  // 80
    EXPECT_EQ(route.GetNextFrame()->GetData()[FRAME_INDEX2], XOVER_FRAME_INDEX);  // 160
    EXPECT_EQ(route.GetNextFrame()->GetData()[FRAME_INDEX2], CHANNEL_FRAME_INDEX);
    EXPECT_EQ(route.GetNextFrame()->GetData()[FRAME_CMD], CMD_POLL);
}

TEST_F(ModelTest, BlockWriteAndRequestFrames)
{
    auto block = route.GetChannel(1).BuildBlockWrite(0);
    const auto b = Of(block);
    ASSERT_EQ(b.size(), static_cast<std::size_t>(BLOCK_FRAME_LEN));
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[3], 0x54);
    EXPECT_EQ(b[4], 1);
    EXPECT_EQ(b[5], 0);
    EXPECT_EQ(b[270], 1);
    EXPECT_EQ(b[271], 0);
    EXPECT_EQ(b[6], 0x14);
    EXPECT_EQ(b[7], 0x00);
    EXPECT_EQ(b[8], 0xC8);
    EXPECT_EQ(b[9], 0x00);
    EXPECT_EQ(b[254], 0x14);
    EXPECT_EQ(b[255], 0x00);
    EXPECT_EQ(b[258], 0x20);
    EXPECT_EQ(b[259], 0x4E);
    EXPECT_EQ(b[268], 0x28);
    EXPECT_EQ(b[273], 0xAA);
    EXPECT_TRUE(HasValidChecksum(b.data(), BLOCK_FRAME_LEN));

    // The block carries the current crossover and never the reserved word.
    CTALVData& ch = route.GetChannel(3);
    ch.SetLpfFreq(1000);
    route.GetNextFrame();
    auto b2 = Of(ch.BuildBlockWrite(5));
    EXPECT_EQ(GetWord(&b2[BLOCK_LPF_FREQ]), 10000);
    EXPECT_EQ(b2[5], 5);
    EXPECT_EQ(b2[271], 5);

    auto req = Of(route.GetChannel(2).BuildBlockRequest(4));
    EXPECT_EQ(req, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0x53, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0, 2, 4,
                                      static_cast<BYTE>(0xA5 ^ 0x53 ^ 2 ^ 4 ^ 2 ^ 4), 0xAA}));
}

TEST_F(ModelTest, NameFramesAndQueries)
{
    auto two = Of(CTALVRoute::BuildNameFrame(3, "AB"));
    EXPECT_EQ(two[3], 0x55);
    EXPECT_EQ(two[4], 0);
    EXPECT_EQ(two[5], 3);
    EXPECT_EQ(two[15], 3);
    EXPECT_EQ(std::vector<BYTE>(two.begin() + 6, two.begin() + 14),
              (std::vector<BYTE>{'A', 'B', ' ', ' ', ' ', ' ', ' ', ' '}));
    EXPECT_TRUE(HasValidChecksum(two.data(), SHORT_FRAME_LEN));
    EXPECT_EQ(two[17], 0xAA);

    // A long name from a file is cut to the eight characters the field holds.
    auto longName = Of(CTALVRoute::BuildNameFrame(0, "ABCDEFGHIJKL"));
    EXPECT_EQ(std::string(longName.begin() + 6, longName.begin() + 14), "ABCDEFGH");
    EXPECT_EQ(longName[14], 0);
    EXPECT_EQ(longName[17], 0xAA);

    auto q = Of(CTALVRoute::BuildNameQuery(5));
    EXPECT_EQ(q, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0x56, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5,
                                    static_cast<BYTE>(0xA5 ^ 0x56), 0xAA}));
}

TEST_F(ModelTest, BulkUpdateSendsBlocksMutesAFewBandsAndLeavesOneBandToItsMark)
{
    // Bypass-all on a group of three: four bands of channel 0 (six frames
    // muted, as long as a block), one of channel 1, two and the delay of
    // channel 3 (five frames muted).
    Link({0, 1, 3}, 1);
    route.GetChannel(1).SetOutputOn(1);
    route.GetChannel(3).SetOutputOn(1);
    for (int b = 0; b < 4; ++b)
        route.GetChannel(0).SetGain(250, b);
    route.GetChannel(1).SetGain(250, 4);
    route.GetChannel(3).SetGain(240, 2);
    route.GetChannel(3).SetGain(230, 9);
    route.ClearAllDirty();
    route.GetChannel(3).SetDelay(97);
    route.GetChannel(2).SetGain(260, 1);  // not in the group: stays pending
    route.GetChannel(1).SetEqBypassAll(1);

    const auto frames = BuildBulkEqUpdate(3);
    // (command, channel, index): the block, then channel 3 muted around its bands
    std::vector<std::tuple<int, int, int>> seen;
    for (const auto& f : frames)
        seen.emplace_back(f->GetData()[FRAME_CMD], f->GetData()[FRAME_INDEX1], f->GetData()[FRAME_INDEX2]);
    EXPECT_EQ(seen, (std::vector<std::tuple<int, int, int>>{{CMD_BLOCK_WRITE, 0, 0},
                                                            {CMD_PARAMETER, 3, 32},
                                                            {CMD_PARAMETER, 3, 2},
                                                            {CMD_PARAMETER, 3, 9},
                                                            {CMD_PARAMETER, 3, 32}}));
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_TRUE(route.GetChannel(0).HoldsBlock(frames[0]->GetData()));
    EXPECT_EQ(GetWord(frames[0]->GetData() + BlockBand(3) + BLOCK_BAND_GAIN), 200);
    EXPECT_EQ(frames[1]->GetData()[CH_OUTPUT], 0);
    EXPECT_EQ(GetWord(frames[1]->GetData() + CH_DELAY), 97);
    EXPECT_EQ(GetWord(frames[2]->GetData() + BAND_GAIN), 200);
    EXPECT_EQ(frames[4]->GetData()[CH_OUTPUT], 1);
    for (std::size_t i = 1; i < frames.size(); ++i)
        EXPECT_TRUE(HasValidChecksum(frames[i]->GetData(), SHORT_FRAME_LEN));
    EXPECT_EQ(route.GetChannel(3).GetOutputOn(), 1);

    EXPECT_FALSE(route.GetChannel(0).IsAnyDirty());
    EXPECT_FALSE(route.GetChannel(3).IsAnyDirty());
    EXPECT_EQ(route.GetChannel(1).CountDirty(), 1);
    EXPECT_TRUE(route.GetChannel(1).IsBandDirty(4));
    EXPECT_TRUE(route.GetChannel(2).IsBandDirty(1));
}
