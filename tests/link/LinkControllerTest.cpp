#include "LinkFixture.h"
#include "LinkLossText.h"

#include <algorithm>

namespace {

using namespace std::chrono_literals;

Bytes Reply(BYTE command, int nLen, BYTE b4 = 0, BYTE b5 = 0)
{
    Bytes frame(static_cast<std::size_t>(nLen), 0);
    std::fill_n(frame.begin(), FRAME_HEADER_LEN, FRAME_HEADER);
    frame[FRAME_CMD] = command;
    frame[FRAME_INDEX1] = b4;
    frame[FRAME_INDEX2] = b5;
    frame.back() = FRAME_TRAILER;
    return frame;
}
Bytes PollReply()
{
    return Reply(CMD_POLL, POLL_REPLY_LEN);
}
Bytes Ack()
{
    return Reply(CMD_ACK, SHORT_FRAME_LEN);
}
Bytes NameReply(BYTE nSlot, const std::string& name)
{
    Bytes frame = Reply(CMD_NAME_REPLY, SHORT_FRAME_LEN, 0, nSlot);
    std::copy(name.begin(), name.end(), frame.begin() + FRAME_PAYLOAD);
    return frame;
}
Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST_F(LinkFixture, ConnectSendsNamesThenLivePresetByteForByteAndLoadsIt)
{
    CTALVRoute expected;
    std::vector<Bytes> aExpected;
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s)
        aExpected.push_back(FrameBytes(*CTALVRoute::BuildNameQuery(s)));
    aExpected.push_back(FrameBytes(*CTALVRoute::BuildNameFrame(0, "NULL")));
    for (int k = 0; k < NUM_CHANNELS; ++k)
        aExpected.push_back(FrameBytes(*expected.GetChannel(k).BuildBlockRequest(0)));

    // Offline edits are not sent: connecting drops their marks.
    m_route.GetChannel(2).SetChannelGain(123);
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(m_wnd.m_bTimer);
    EXPECT_FALSE(m_wnd.m_bEnabled);
    EXPECT_EQ(Link().GetCount(), 11);
    EXPECT_EQ(m_wnd.m_nUpper, PROGRESS_RANGE);

    std::vector<int> anProgress;
    for (std::size_t i = 0; i < aExpected.size(); ++i) {
        const Bytes frame = TickAndAnswer(aExpected[i].size());
        EXPECT_EQ(frame, aExpected[i]) << "frame " << i;
        // One frame per tick: nothing else followed it.
        EXPECT_TRUE(TakeWritten(5ms).empty()) << "frame " << i;
        if (i >= 7)
            anProgress.push_back(m_wnd.m_nPos);
    }
    EXPECT_EQ(anProgress, (std::vector<int>{100, 200, 300, 400}));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return m_wnd.m_bEnabled; }));

    // Names arrived as one sent message after slot 5, the read completed by
    // one posted message after channel 3.
    ASSERT_EQ(m_wnd.m_aHandled.size(), 2u);
    EXPECT_EQ(m_wnd.m_aHandled[0].nMsg, WM_PRESET_NAMES_RECEIVED);
    EXPECT_EQ(m_wnd.m_aHandled[0].lParam, 5);
    EXPECT_EQ(m_wnd.m_aHandled[1].nMsg, WM_PRESET_READ_COMPLETE);
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s) {
        const SimName& name = m_device.GetName(s);
        std::string strName(name.begin(), name.end());
        strName.erase(strName.find_last_not_of(' ') + 1);
        EXPECT_EQ(m_link.GetPresetName(s), strName);
    }
    // The model now holds the device's live preset, edit included.
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const Bytes mine = FrameBytes(*m_route.GetChannel(k).BuildBlockWrite(0));
        const SimBlock& theirs = m_device.GetBlock(0, k);
        EXPECT_TRUE(std::equal(mine.begin() + FRAME_PAYLOAD, mine.end() - 2, theirs.begin() + FRAME_PAYLOAD))
            << "channel " << k;
    }
    EXPECT_FALSE(m_route.GetChannel(2).IsAnyDirty());

    // Idle: a poll, and the next one only after its answer, on a later tick.
    const Bytes poll = FrameBytes(*CTALVRoute::BuildPollFrame());
    m_link.OnLinkTick();
    EXPECT_EQ(TakeFrame(poll.size()), poll);
    m_link.OnLinkTick();
    m_link.OnLinkTick();
    EXPECT_TRUE(TakeWritten(5ms).empty());
    DeviceSends(PollReply());
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 0; }));
    EXPECT_EQ(TickAndAnswer(poll.size()), poll);
}

TEST_F(LinkFixture, TwoEditsLeaveOnTwoTicksEachAfterTheAnswer)
{
    ConnectAndSettle();
    m_route.GetChannel(0).SetGain(250, 3);
    m_route.GetChannel(2).SetChannelGain(500);
    const Bytes band = FrameBytes(*m_route.GetChannel(0).BuildBandFrame(3));
    const Bytes chan = FrameBytes(*m_route.GetChannel(2).BuildChannelFrame());

    m_link.OnLinkTick();
    EXPECT_EQ(TakeFrame(band.size()), band);
    m_link.OnLinkTick();  // still waiting: nothing more goes out
    EXPECT_TRUE(TakeWritten(5ms).empty());
    DeviceAnswers(band);
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 0; }));
    EXPECT_EQ(TickAndAnswer(chan.size()), chan);
    EXPECT_EQ(TickAndAnswer(SHORT_FRAME_LEN), FrameBytes(*CTALVRoute::BuildPollFrame()));

    // The device applied both to its live slot.
    CTALVRoute readBack;
    readBack.GetChannel(0).LoadFromBlock(m_device.GetBlock(0, 0).data());
    readBack.GetChannel(2).LoadFromBlock(m_device.GetBlock(0, 2).data());
    EXPECT_EQ(readBack.GetChannel(0).GetGain(3), 250);
    EXPECT_EQ(readBack.GetChannel(2).GetChannelGain(), 500);
}

TEST_F(LinkFixture, SilentDeviceGetsOneResendThenTheLinkGivesUp)
{
    ASSERT_TRUE(Connect());
    const Bytes first = FrameBytes(*CTALVRoute::BuildNameQuery(0));
    m_link.OnLinkTick();  // tick 1 sends
    EXPECT_EQ(TakeFrame(first.size()), first);
    for (int nTick = 2; nTick <= 100; ++nTick)
        m_link.OnLinkTick();
    EXPECT_TRUE(TakeWritten(5ms).empty());
    EXPECT_EQ(m_wnd.m_nPos, 99);  // one step per waiting tick
    m_link.OnLinkTick();          // tick 101: the 100th wait resends after a purge
    EXPECT_EQ(TakeFrame(first.size()), first);
    for (int nTick = 102; nTick <= 151; ++nTick)
        m_link.OnLinkTick();
    EXPECT_TRUE(m_link.IsConnected());
    EXPECT_TRUE(m_asBoxes.empty());
    m_link.OnLinkTick();  // tick 152: more than 150 ticks of waiting
    EXPECT_FALSE(m_link.IsConnected());
    EXPECT_FALSE(Link().IsOpen());
    EXPECT_EQ(Link().GetCount(), 0);  // the other ten frames went unsent
    EXPECT_FALSE(m_wnd.m_bTimer);
    EXPECT_TRUE(m_wnd.m_bEnabled);
    EXPECT_EQ(m_wnd.m_nPos, 0);
    ASSERT_EQ(m_asBoxes.size(), 1u);
    EXPECT_EQ(m_asBoxes[0], "Unable to Open COM-Port");
    EXPECT_EQ(m_aBoxIcons[0], MessageIcon::None);
    EXPECT_EQ(m_link.GetLoss(), LinkLoss::NoAnswer);
    EXPECT_TRUE(TakeWritten(5ms).empty());
}

TEST_F(LinkFixture, GarbageBadTrailersAndMisplacedRepliesNeverRemoveTheHead)
{
    ASSERT_TRUE(Connect(CDeviceLink::ConnectMode::NamesOnly));
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    const int nDropped = Link().GetDroppedCount();

    Bytes badTrailer = PollReply();
    badTrailer.back() = 0x55;
    DeviceSends(Join({{0x00, 0x12, 0xFF, 0xFF, 0x34},              // stray bytes, two FFs only
                      {0xFF, 0xFF, 0xFF, 0x99, 0xAA, 0x01, 0xAA},  // unknown command
                      badTrailer,
                      Reply(CMD_BLOCK_REPLY, BLOCK_FRAME_LEN, 7, 0),  // channel 7: no place for it
                      NameReply(9, "NINE")}));                        // slot 9 likewise
    EXPECT_TRUE(m_wnd.PumpUntil([&] { return Link().GetDroppedCount() == nDropped + 3; }));
    EXPECT_EQ(Link().GetCount(), 6);
    EXPECT_TRUE(m_wnd.m_aHandled.empty());

    // The right answer, after all that, is taken.
    DeviceSends(NameReply(0, "LIVE  "));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 5; }));
    EXPECT_EQ(Link().GetNames()[0], "LIVE");
}

TEST_F(LinkFixture, RepliesSplitOrJoinedAcrossReads)
{
    ASSERT_TRUE(Connect(CDeviceLink::ConnectMode::NamesOnly));
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s)
        TickAndAnswer(SHORT_FRAME_LEN);
    ASSERT_EQ(Link().GetCount(), 0);

    // A reply with nothing queued has nothing to answer.
    const int nDropped = Link().GetDroppedCount();
    DeviceSends(PollReply());
    EXPECT_TRUE(m_wnd.PumpUntil([&] { return Link().GetDroppedCount() == nDropped + 1; }));
    EXPECT_EQ(Link().GetCount(), 0);

    // A block reply in two reads, for channel 2: stored, nothing posted.
    Link().Enqueue(m_route.GetChannel(2).BuildBlockRequest(3));
    Link().Enqueue(CTALVRoute::BuildPollFrame());
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    SimBlock block = m_device.GetBlock(3, 2);
    const Bytes whole(block.begin(), block.end());
    DeviceSends(Bytes(whole.begin(), whole.begin() + 100));
    m_wnd.PumpFor(50ms);
    EXPECT_EQ(Link().GetCount(), 2);
    DeviceSends(Bytes(whole.begin() + 100, whole.end()));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 1; }));
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), Link().GetBlock(2)));
    EXPECT_TRUE(m_wnd.m_aHandled.size() == 1);  // only the names message

    // An acknowledgement and a poll reply in one read: the acknowledgement
    // takes the head, the poll reply behind it is discarded with the buffers.
    Link().RemoveHead();
    Link().Enqueue(m_route.GetChannel(0).BuildBandFrame(3));
    Link().Enqueue(CTALVRoute::BuildPollFrame());
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    DeviceSends(Join({Ack(), PollReply()}));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 1; }));
    m_wnd.PumpFor(50ms);
    EXPECT_EQ(Link().GetCount(), 1);

    // Hundreds of junk bytes before a reply in the same read still leave
    // the reply whole.
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    Bytes junk(700, 0x11);
    DeviceSends(Join({junk, PollReply()}));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 0; }));
}

TEST_F(LinkFixture, WriteTransferMovesProgressOnAcknowledgedBlocks)
{
    ConnectAndSettle();
    m_route.GetChannel(1).SetChannelGain(640);
    m_link.SetPresetName(4, "LONGNAME12");  // cut to the field's 8 characters
    m_wnd.m_anPos.clear();
    m_link.WriteToDevice(4);
    EXPECT_FALSE(m_wnd.m_bEnabled);
    EXPECT_TRUE(m_link.IsWritePending());
    TickAndAnswer(SHORT_FRAME_LEN);  // name frame
    std::vector<int> anAfterAck;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        TickAndAnswer(BLOCK_FRAME_LEN);
        anAfterAck.push_back(m_wnd.m_nPos);
        EXPECT_TRUE(m_wnd.m_bEnabled);  // from the first acknowledged block on
    }
    EXPECT_EQ(anAfterAck, (std::vector<int>{100, 200, 300, 400}));
    EXPECT_FALSE(m_link.IsWritePending());
    const SimName& name = m_device.GetName(4);
    EXPECT_EQ(std::string(name.begin(), name.end()), "LONGNAME");
    CTALVRoute readBack;
    readBack.GetChannel(1).LoadFromBlock(m_device.GetBlock(4, 1).data());
    EXPECT_EQ(readBack.GetChannel(1).GetChannelGain(), 640);
}

TEST_F(LinkFixture, ReadInBassLinkModeWritesChannelOneBack)
{
    ConnectAndSettle();
    g_bBassLink = true;
    m_link.ReadFromDevice(3);
    for (int i = 0; i < 5; ++i)
        TickAndAnswer(SHORT_FRAME_LEN);
    // The preset read goes to the live slot whole: its name, then the blocks.
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 1 + NUM_CHANNELS; }));
    g_bBassLink = false;
    EXPECT_EQ(FrameBytes(*Link().GetQueue().GetAt(0))[FRAME_INDEX2], 0);
    const Bytes write = FrameBytes(*Link().GetQueue().GetAt(2));
    EXPECT_EQ(write[FRAME_CMD], CMD_BLOCK_WRITE);
    EXPECT_EQ(write[FRAME_INDEX1], 1);
    EXPECT_EQ(write[FRAME_INDEX2], 0);
    // Channel 1 now carries channel 0's setting of slot 3.
    CTALVRoute expected;
    expected.GetChannel(1).LoadFromBlock(m_device.GetBlock(3, 0).data());
    EXPECT_EQ(write, FrameBytes(*expected.GetChannel(1).BuildBlockWrite(0)));
}

TEST_F(LinkFixture, PortThatCannotBeOpenedIsReported)
{
    EXPECT_FALSE(m_link.Connect("ttyDoesNotExist9"));
    EXPECT_FALSE(m_link.IsConnected());
    EXPECT_EQ(Link().GetPortError(), ENOENT);
    ASSERT_EQ(m_asBoxes.size(), 1u);
    EXPECT_EQ(m_asBoxes[0], "Unable to Open COM-Port");
    EXPECT_EQ(m_aBoxIcons[0], MessageIcon::Error);
    EXPECT_FALSE(m_wnd.m_bTimer);
}

// Each answer must be of the kind the head waits for; anything else is
// dropped and the head keeps waiting, so no answer is ever filed under
// another request.
TEST_F(LinkFixture, AnswersAreTakenOnlyByTheRequestTheyAnswer)
{
    ASSERT_TRUE(Connect(CDeviceLink::ConnectMode::NamesOnly));
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);  // name query for slot 0
    const int nDropped = Link().GetDroppedCount();
    const SimBlock block = m_device.GetBlock(2, 0);
    DeviceSends(Join({NameReply(1, "ONE"), PollReply(), Ack(), Bytes(block.begin(), block.end())}));
    EXPECT_TRUE(m_wnd.PumpUntil([&] { return Link().GetDroppedCount() == nDropped + 4; }));
    EXPECT_EQ(Link().GetCount(), 6);
    EXPECT_EQ(Link().GetNames()[1], "");
    DeviceSends(NameReply(0, "LIVE"));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 5; }));

    // A late second answer to slot 0's query is not slot 1's name.
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    DeviceSends(NameReply(0, "STALE"));
    m_wnd.PumpFor(50ms);
    EXPECT_EQ(Link().GetCount(), 5);
    EXPECT_EQ(Link().GetNames()[0], "LIVE");
    Link().ClearBuffers();
    while (Link().GetCount() > 0)
        Link().RemoveHead();

    // A block request takes the block of its channel, whatever the reply's
    // slot byte says; a block of another channel is not it.
    Link().Enqueue(m_route.GetChannel(2).BuildBlockRequest(4));
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    SimBlock other = m_device.GetBlock(4, 1);
    SimBlock wanted = m_device.GetBlock(4, 2);
    wanted[FRAME_INDEX2] = 0;
    DeviceSends(Bytes(other.begin(), other.end()));
    m_wnd.PumpFor(50ms);
    EXPECT_EQ(Link().GetCount(), 1);
    DeviceSends(Bytes(wanted.begin(), wanted.end()));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 0; }));
    EXPECT_TRUE(std::equal(wanted.begin(), wanted.end(), Link().GetBlock(2)));
    EXPECT_FALSE(std::equal(other.begin(), other.end(), Link().GetBlock(1)));

    // The name frame takes any answer, but keeps nothing of it: a block for
    // channel 3 is neither stored nor taken as the end of a read.
    Link().Enqueue(CTALVRoute::BuildNameFrame(3, "NAME"));
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    const SimBlock last = m_device.GetBlock(5, 3);
    DeviceSends(Bytes(last.begin(), last.end()));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 0; }));
    m_wnd.PumpFor(20ms);
    EXPECT_FALSE(std::equal(last.begin(), last.end(), Link().GetBlock(3)));
    for (const auto& m : m_wnd.m_aHandled)
        EXPECT_NE(m.nMsg, WM_PRESET_READ_COMPLETE);

    // A parameter frame wants an acknowledgement, not a poll reply; and a
    // frame not sent yet takes no answer at all (a stray acknowledgement
    // would otherwise drop it unsent).
    Link().Enqueue(m_route.GetChannel(0).BuildChannelFrame());
    Link().Enqueue(m_route.GetChannel(1).BuildChannelFrame());
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    DeviceSends(PollReply());
    m_wnd.PumpFor(50ms);
    EXPECT_EQ(Link().GetCount(), 2);
    DeviceSends(Ack());
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 1; }));
    DeviceSends(Ack());
    m_wnd.PumpFor(50ms);
    EXPECT_EQ(Link().GetCount(), 1);
    m_link.OnLinkTick();
    EXPECT_EQ(TakeFrame(SHORT_FRAME_LEN), FrameBytes(*m_route.GetChannel(1).BuildChannelFrame()));
}

TEST_F(LinkFixture, NoHalfFrameOutlivesTheConnectionAndFFRunsAreOneHeader)
{
    // Most of a block arrives, then the connection ends.
    ASSERT_TRUE(Connect());
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    const SimBlock block = m_device.GetBlock(0, 0);
    DeviceSends(Bytes(block.begin(), block.begin() + 260));
    m_wnd.PumpFor(50ms);
    m_link.Disconnect();

    // The new connection's first answer is its own, not the old block's end.
    ASSERT_TRUE(Connect(CDeviceLink::ConnectMode::NamesOnly));
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    DeviceSends(NameReply(0, "LIVE"));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 5; }));
    EXPECT_EQ(Link().GetNames()[0], "LIVE");

    // Noise that ends in FF right before a header: the run is one header.
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    DeviceSends(Join({{0x00, 0xFF, 0xFF, 0x13, 0xAA, 0xFF}, NameReply(1, "ONE")}));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 4; }));
    EXPECT_EQ(Link().GetNames()[1], "ONE");
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    DeviceSends(Join({Bytes(7, 0xFF), NameReply(2, "TWO")}));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 3; }));
    EXPECT_EQ(Link().GetNames()[2], "TWO");

    // Two 0xFF are no header: an answer that starts with only two is none.
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    Bytes shortHeader = NameReply(3, "BAD");
    shortHeader.erase(shortHeader.begin());
    DeviceSends(shortHeader);
    m_wnd.PumpFor(50ms);
    EXPECT_EQ(Link().GetCount(), 3);
    DeviceSends(NameReply(3, "THREE"));
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 2; }));
    EXPECT_EQ(Link().GetNames()[3], "THREE");
}

// A transfer is whole only when every one of its frames was answered; a
// line that hangs up in the middle ends the link at once and says so.
TEST_F(LinkFixture, TransferCountsItsAnswersAndAHangUpEndsTheLink)
{
    ConnectAndSettle();
    EXPECT_TRUE(m_link.IsTransferComplete());  // the connect's read of slot 0
    m_link.WriteToDevice(2);
    EXPECT_EQ(m_link.GetTransferAnswered(), 0);
    TickAndAnswer(SHORT_FRAME_LEN);  // name frame
    TickAndAnswer(BLOCK_FRAME_LEN);  // channel 1
    EXPECT_EQ(m_link.GetTransferAnswered(), 2);
    m_link.OnLinkTick();
    TakeFrame(BLOCK_FRAME_LEN);  // channel 2 goes out, and the line drops
    m_pty.CloseMaster();
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return !m_link.IsConnected(); }));
    EXPECT_EQ(m_link.GetLoss(), LinkLoss::HungUp);
    EXPECT_EQ(m_link.GetTransferAnswered(), 2);
    EXPECT_FALSE(m_link.IsTransferComplete());
    ASSERT_EQ(m_asBoxes.size(), 1u);
    EXPECT_EQ(m_asBoxes[0], "Unable to Open COM-Port");
    // What that left is said with what was stored, the frame on the line or not.
    const std::string strLeft = "slot 2 is left partly written: ";
    const std::pair<std::pair<int, bool>, std::string> said[] = {
        {{2, false}, "name and channel 1 of 4 stored"},
        {{2, true}, "name and channel 1 of 4 stored; channel 2 was being sent and may be stored too"},
        {{1, false}, "the name, no channel of 4 stored"},
        {{4, false}, "name and channels 1-3 of 4 stored"},
    };
    for (const auto& [answered, strPart] : said)
        EXPECT_EQ(DescribeWrittenPart(2, answered.first, answered.second), strLeft + strPart);
}

TEST_F(LinkFixture, GivingUpAfterUnusableAnswersSaysTheyCame)
{
    ASSERT_TRUE(Connect(CDeviceLink::ConnectMode::NamesOnly));
    m_link.OnLinkTick();
    TakeFrame(SHORT_FRAME_LEN);
    Bytes bad = NameReply(0, "LIVE");
    bad.back() = 0x55;
    for (int nTick = 2; nTick <= 152; ++nTick) {
        if (nTick == 50 || nTick == 120) {
            DeviceSends(bad);
            m_wnd.PumpFor(20ms);
        }
        m_link.OnLinkTick();
    }
    EXPECT_FALSE(m_link.IsConnected());
    EXPECT_EQ(m_link.GetLoss(), LinkLoss::DamagedAnswers);
}

// A device that answers so late that the request went out twice answers it
// twice; the second answer must not stand in for the next request's.
TEST_F(LinkFixture, ReadWithLateAnswersKeepsEachChannelsOwnBlock)
{
    ConnectAndSettle();
    m_link.ReadFromDevice(4);
    TickAndAnswer(SHORT_FRAME_LEN);  // name frame
    m_link.OnLinkTick();             // channel 0's request
    Bytes written = TakeFrame(SHORT_FRAME_LEN);
    for (int nTick = 2; nTick <= 101; ++nTick)
        m_link.OnLinkTick();  // the 100th tick of waiting sends it again
    written = Join({written, TakeFrame(SHORT_FRAME_LEN)});
    // Both answers come now, one after the other.
    m_device.Receive(written);
    const std::vector<SimChunk> answers = m_device.TakeOutput();
    ASSERT_EQ(answers.size(), 2u);
    DeviceSends(answers[0].bytes);
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 3; }));
    DeviceSends(answers[1].bytes);
    m_wnd.PumpFor(50ms);
    ASSERT_EQ(Link().GetCount(), 3);
    for (int nGuard = 0; Link().GetCount() > 0 && nGuard < 10; ++nGuard)
        TickAndAnswer(SHORT_FRAME_LEN);
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const SimBlock& block = m_device.GetBlock(4, k);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), Link().GetBlock(k))) << "channel " << k;
    }
}

}  // namespace

TEST_F(LinkFixture, ABigChangeGoesAsBlocksAndAStopAwaitsTheFrameOnTheLineAndRestoresMutedOutputs)
{
    ConnectAndSettle();
    ResetLinkGroups(m_route);
    CTALVData& ch = m_route.GetChannel(0);
    ch.SetOutputOn(1);
    TickAndAnswer(SHORT_FRAME_LEN);

    // Most of a channel goes whole, with the bar and its words.
    for (int b = 0; b < 12; ++b)
        m_route.GetChannel(2).SetGain(static_cast<short>(150 + b), b);
    m_route.GetChannel(2).SetHpfFreq(400);
    EXPECT_EQ(TickAndAnswer(BLOCK_FRAME_LEN)[FRAME_CMD], CMD_BLOCK_WRITE);
    EXPECT_FALSE(m_route.GetChannel(2).IsAnyDirty());
    EXPECT_TRUE(m_route.GetChannel(2).HoldsBlock(m_device.GetBlock(0, 2).data())) << "the ramp ends in the block";
    EXPECT_EQ(m_route.GetChannel(2).GetHpfCurrentFreq(), 400);

    // A bulk equaliser change of three bands cut with its second band on the
    // line: that band's answer is awaited, the outputs come back on, the
    // rest is named, and nothing else goes.
    for (int b = 0; b < 3; ++b)
        ch.SetGain(static_cast<short>(230 + b), b);
    m_route.GetChannel(3).SetDelay(48);
    m_link.SendEqChange(0);
    ASSERT_EQ(Link().GetCount(), 5);
    for (int i = 0; i < 2; ++i)
        TickAndAnswer(SHORT_FRAME_LEN);
    EXPECT_EQ(m_device.GetBlock(0, 0)[BLOCK_OUTPUT], 0);
    m_link.WaitForChanges();
    m_link.OnLinkTick();
    EXPECT_NE(m_wnd.m_strText.find("sending 4 changes"), std::string::npos) << m_wnd.m_strText;
    const Bytes onLine = TakeFrame(SHORT_FRAME_LEN);
    EXPECT_TRUE(m_link.StopSending());
    ASSERT_EQ(Link().GetCount(), 2);
    DeviceAnswers(onLine);
    ASSERT_TRUE(m_wnd.PumpUntil([&] { return Link().GetCount() == 1; }));
    TickAndAnswer(SHORT_FRAME_LEN);
    EXPECT_EQ(m_device.GetBlock(0, 0)[BLOCK_OUTPUT], 1);
    EXPECT_FALSE(m_link.HasPendingChanges());
    const CUndelivered& undelivered = m_link.GetUndelivered();
    EXPECT_EQ(undelivered.Describe(), "CH1: band 3\nCH4: output, polarity, gain, delay and noise gate");

    // A block on the line whose answer never comes is waited for until the
    // resend time, not sent again, and said.
    for (int b = 0; b < 8; ++b)
        ch.SetGain(static_cast<short>(190 - b), b);
    m_link.OnLinkTick();
    ASSERT_EQ(TakeFrame(BLOCK_FRAME_LEN)[FRAME_CMD], CMD_BLOCK_WRITE);
    EXPECT_TRUE(m_link.StopSending());
    EXPECT_TRUE(m_link.GetUndelivered().IsEmpty());
    for (int i = 0; i < LINK_RESEND_TICKS; ++i)
        m_link.OnLinkTick();
    EXPECT_EQ(Link().GetCount(), 0);
    EXPECT_TRUE(TakeWritten(5ms).empty());
    EXPECT_EQ(m_link.GetUndelivered().Describe(), "CH1: every value");

    // A bracket whose mute never went out is dropped whole.
    ch.SetGain(300, 20);
    ch.SetGain(300, 21);
    m_link.SendEqChange(0);
    EXPECT_FALSE(m_link.StopSending());
    EXPECT_EQ(Link().GetCount(), 0);
    EXPECT_TRUE(m_link.GetUndelivered().Covers(0, 20));
}
