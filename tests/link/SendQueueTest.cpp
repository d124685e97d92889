// What the send queue puts on the line for a change, what the bar says
// while it goes, and what it says did not arrive when the sending is cut.
#include "LinkFixture.h"

#include <algorithm>

// A channel with six frames or more to send goes as one block write to the
// live slot; with fewer, as its short frames in order. The device's bytes:
// the command byte of each frame on the line.
TEST(SendQueue, SixMarkedFramesOfAChannelGoAsOneBlockFiveAsShortFrames)
{
    for (int nMarked = 1; nMarked <= 9; ++nMarked) {
        for (const bool bMixed : {false, true}) {
            CTALVRoute route;
            ResetLinkGroups(route);
            CTALVData& ch = route.GetChannel(2);
            // Bands only, or the crossover and the channel section among them.
            int nBands = bMixed && nMarked >= 3 ? nMarked - 2 : nMarked;
            for (int b = 0; b < nBands; ++b)
                ch.SetGain(static_cast<short>(210 + b), 3 * b);
            if (nBands < nMarked) {
                ch.SetHpfFreq(100);
                ch.FinishCrossoverRamp();
                ch.SetDelay(10);
            }
            ASSERT_EQ(ch.CountDirty(), nMarked);
            const std::vector<BYTE> expectedBlock = [&] {
                const auto pBlock = ch.BuildBlockWrite(0);
                return std::vector<BYTE>(pBlock->GetData(), pBlock->GetData() + pBlock->GetLength());
            }();
            std::vector<BYTE> commands;
            std::vector<BYTE> lastBytes;
            for (int n = 0; n < 20; ++n) {
                const auto pFrame = route.GetNextFrame();
                if (pFrame->GetData()[FRAME_CMD] == CMD_POLL)
                    break;
                commands.push_back(pFrame->GetData()[FRAME_CMD]);
                lastBytes.assign(pFrame->GetData(), pFrame->GetData() + pFrame->GetLength());
            }
            SCOPED_TRACE(std::to_string(nMarked) + (bMixed ? " frames with crossover and channel" : " bands"));
            if (nMarked >= CTALVRoute::BLOCK_CHANGE_FRAMES) {
                ASSERT_EQ(commands, std::vector<BYTE>{CMD_BLOCK_WRITE});
                EXPECT_EQ(lastBytes, expectedBlock);
            } else {
                ASSERT_EQ(commands.size(), static_cast<std::size_t>(nMarked));
                EXPECT_EQ(std::count(commands.begin(), commands.end(), CMD_BLOCK_WRITE), 0);
                EXPECT_EQ(lastBytes.size(), static_cast<std::size_t>(SHORT_FRAME_LEN));
            }
            EXPECT_FALSE(ch.IsAnyDirty());
        }
    }
}

// While a change of many short frames goes, the bar says how many are still
// on their way, the one waiting for its answer included, and moves forward
// with every answer; at the end the words go and the bar is full.
TEST_F(LinkFixture, TheBarCountsTheChangesStillOnTheirWay)
{
    ConnectAndSettle();
    ResetLinkGroups(m_route);
    for (int b = 0; b < 5; ++b) {
        m_route.GetChannel(0).SetGain(static_cast<short>(220 + b), b);
        m_route.GetChannel(3).SetGain(static_cast<short>(180 - b), 30 - b);
    }
    std::vector<std::string> texts;
    std::vector<int> positions;
    for (int n = 0; n < 10; ++n) {
        TickAndAnswer(SHORT_FRAME_LEN);
        texts.push_back(m_wnd.m_strText);
        positions.push_back(m_wnd.m_nPos);
    }
    const std::vector<std::string> expected = {
        "sending 10 changes", "sending 9 changes", "sending 8 changes", "sending 7 changes", "sending 6 changes",
        "sending 5 changes",  "sending 4 changes", "sending 3 changes", "sending 2 changes", "sending 1 change"};
    EXPECT_EQ(texts, expected);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end())) << ::testing::PrintToString(positions);
    EXPECT_LT(positions.back(), 400);
    TickAndAnswer(SHORT_FRAME_LEN);  // a poll
    EXPECT_EQ(m_wnd.m_strText, "");
    EXPECT_EQ(m_wnd.m_nPos, 400);
}

// A link lost while a stopped bulk change brings its muted outputs back:
// what the stop left undelivered stays said, and the restore is added. A
// loss on a later connection says only what that one lost of the live
// preset.
TEST_F(LinkFixture, ALinkLostAfterAStopAddsToWhatTheStopLeftUndelivered)
{
    ConnectAndSettle();
    ResetLinkGroups(m_route);
    CTALVData& ch = m_route.GetChannel(1);
    ch.SetOutputOn(1);
    TickAndAnswer(SHORT_FRAME_LEN);
    // Three bands: fewer than a block's worth, so they go muted.
    for (int b = 0; b < 3; ++b)
        ch.SetGain(static_cast<short>(240 - b), 2 * b);
    m_link.SendEqChange(1);
    for (int i = 0; i < 3; ++i)  // the mute and two bands
        TickAndAnswer(SHORT_FRAME_LEN);
    m_route.GetChannel(2).SetGain(190, 4);
    ASSERT_TRUE(m_link.StopSending());
    const std::string strStopped = m_link.GetUndelivered().Describe();
    EXPECT_EQ(strStopped, "CH2: band 5\nCH3: band 5");
    // The device falls silent before the restore is answered.
    for (int n = 0; n <= LINK_GIVE_UP_TICKS + 1 && m_link.IsConnected(); ++n)
        m_link.OnLinkTick();
    ASSERT_FALSE(m_link.IsConnected());
    const CUndelivered& undelivered = m_link.GetUndelivered();
    EXPECT_TRUE(undelivered.Covers(1, 4));
    EXPECT_TRUE(undelivered.Covers(2, 4));
    EXPECT_TRUE(undelivered.Covers(1, CHANNEL_FRAME_INDEX)) << "the outputs' restore";
    EXPECT_EQ(undelivered.Describe(),
              "CH2: band 5; output, polarity, gain, delay and noise gate\n"
              "CH3: band 5");

    // Frames for a stored slot are no part of the live preset.
    TakeWritten();
    ConnectAndSettle();
    Link().Enqueue(CTALVRoute::BuildNameFrame(2, "SLOT2"));
    Link().Enqueue(m_route.GetChannel(1).BuildBlockWrite(2));
    m_route.GetChannel(3).SetDelay(20);
    for (int n = 0; n <= LINK_GIVE_UP_TICKS + 1 && m_link.IsConnected(); ++n)
        m_link.OnLinkTick();
    EXPECT_EQ(m_link.GetUndelivered().Describe(), "CH4: output, polarity, gain, delay and noise gate");
}
