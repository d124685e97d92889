// Editing in the window while connected: what each control does to the
// preset, to the other views and to the bytes the device receives.
#include "WindowFixture.h"

#include "Audio_OutData.h"
#include "FStatic.h"
#include "FontStatic.h"

TEST_F(WindowTest, BandFaderEditReachesTheDeviceAsOneFrameAndLinkedChannelsFollow)
{
    Connect();
    const int nBefore = Accepted(CMD_PARAMETER);
    DragFader(IDC_BAND_FADER + 5, -20);
    const short g = Channel(0).GetGain(5);
    EXPECT_GT(g, 200);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_BAND_GAIN + 5)->GetValue(), g);
    EXPECT_EQ(Ctl<CFontStatic>(IDC_BAND_LABEL + 5)->GetTextColor(), 0x0000FFu);
    EXPECT_FALSE(Ctl<CBitButton>(IDC_BAND_BYPASS + 5)->GetCheck());
    Tick();  // the dirty band goes out on the next tick, alone
    Tick();
    EXPECT_EQ(Accepted(CMD_PARAMETER), nBefore + 1);
    ExpectDeviceHolds(0, 0);

    // Channel 2 joins channel 0's group: it takes channel 0's settings and
    // goes to the device whole; then band edits reach both.
    const int nBlocks = Accepted(CMD_BLOCK_WRITE);
    Choose(IDC_LINK_LIST + 2, 0);
    EXPECT_EQ(Channel(2).GetGain(5), g);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_GATE_FIELD + 2)->GetValue(), Channel(0).GetGateThreshold());
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Accepted(CMD_BLOCK_WRITE), nBlocks + 1);
    Type(IDC_BAND_GAIN + 9, "-3");
    EXPECT_EQ(Channel(0).GetGain(9), 170);
    EXPECT_EQ(Channel(2).GetGain(9), 170);
    EXPECT_EQ(Ctl<CBitmapSlider>(IDC_BAND_FADER + 9)->GetInvertedPos(), 170);
    // A gate typed into column 0 shows in column 2 too.
    Type(IDC_GATE_FIELD, "-95");
    EXPECT_EQ(Ctl<CNumEdit>(IDC_GATE_FIELD + 2)->GetValue(), 25);
    ASSERT_TRUE(Drain());
    for (int k = 0; k < NUM_CHANNELS; ++k)
        ExpectDeviceHolds(0, k, "after linking");

    // Q mode moves only the Q; the gain fields are disabled.
    Click(IDC_EQ_Q_MODE);
    EXPECT_TRUE(Dlg().IsQMode());
    EXPECT_FALSE(Ctl<CNumEdit>(IDC_BAND_GAIN + 3)->isEnabled());
    DragFader(IDC_BAND_FADER + 3, 15);
    EXPECT_EQ(Channel(0).GetQ(3), Ctl<CBitmapSlider>(IDC_BAND_FADER + 3)->GetInvertedPos());
    EXPECT_EQ(Channel(2).GetQ(3), Channel(0).GetQ(3));
    EXPECT_EQ(Channel(0).GetGain(3), 200);
    ASSERT_TRUE(Drain());
    ExpectDeviceHolds(0, 2, "Q of a linked channel");
}

TEST_F(WindowTest, BandBypassAndBypassAllSendTheBulkFramesWhileConnected)
{
    // Offline, bypass-all changes the bands and queues nothing.
    Type(IDC_BAND_GAIN + 4, "6");
    Click(IDC_EQ_BYPASS_ALL);
    EXPECT_EQ(Channel(0).GetGain(4), 200);
    EXPECT_EQ(Link().GetCount(), 0);
    Click(IDC_EQ_BYPASS_ALL);
    EXPECT_EQ(Channel(0).GetGain(4), 260);

    Connect();
    Type(IDC_BAND_GAIN + 4, "6");
    ASSERT_TRUE(Drain());
    Click(IDC_BAND_BYPASS + 4);
    EXPECT_EQ(Channel(0).GetGain(4), 200);
    EXPECT_TRUE(Ctl<CBitButton>(IDC_BAND_BYPASS + 4)->GetCheck());
    EXPECT_EQ(Ctl<CNumEdit>(IDC_BAND_GAIN + 4)->GetValue(), 200);
    Click(IDC_BAND_BYPASS + 4);
    EXPECT_EQ(Channel(0).GetGain(4), 260);

    // Bypass-all: outputs muted, the changed bands, outputs restored.
    ASSERT_TRUE(Drain());
    Click(IDC_EQ_BYPASS_ALL);
    ASSERT_GE(Link().GetCount(), 3);
    const CSendDataQueue& queue = Link().GetQueue();
    EXPECT_EQ(queue.GetAt(0)->GetData()[FRAME_INDEX2], CHANNEL_FRAME_INDEX);
    EXPECT_EQ(queue.GetAt(0)->GetData()[CH_OUTPUT], 0);
    EXPECT_EQ(queue.GetAt(1)->GetData()[FRAME_INDEX2], 4);
    EXPECT_EQ(queue.GetAt(queue.GetCount() - 1)->GetData()[FRAME_INDEX2], CHANNEL_FRAME_INDEX);
    EXPECT_TRUE(Ctl<CBitButton>(IDC_EQ_BYPASS_ALL)->GetCheck());
    ASSERT_TRUE(Drain());
    ExpectDeviceHolds(0, 0, "after bypass-all");
}

TEST_F(WindowTest, CrossoverDelayAndInputControlsKeepTheirLimits)
{
    Type(IDC_LPF_FIELD, "1000");
    DragFader(IDC_HPF_FADER, -200);  // far up: far above the low-pass
    EXPECT_EQ(Channel(0).GetHpfFreq(), 1000);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_HPF_FIELD)->GetValue(), 1000);
    CBitmapSlider reference;
    reference.SetRange(0, 100);
    reference.SetFreqReversed(true);
    reference.SetFrequency(1000);
    EXPECT_EQ(Ctl<CBitmapSlider>(IDC_HPF_FADER)->GetPos(), reference.GetPos()) << "the fader jumps to 1000 Hz";
    Type(IDC_HPF_FIELD, "80");
    Type(IDC_LPF_FIELD, "50");
    EXPECT_EQ(Channel(0).GetLpfFreq(), 80);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_LPF_FIELD)->GetValue(), 80);
    EXPECT_EQ(Ctl<CFStatic>(IDC_GRAPH)->GetShownChannel(), 0);

    Choose(IDC_HPF_SLOPE, 4);
    Choose(IDC_HPF_TYPE, 2);
    EXPECT_EQ(Channel(0).GetHpfSlope(), 4);
    EXPECT_EQ(Channel(0).GetHpfType(), 2);
    EXPECT_TRUE(Channel(0).IsCrossoverDirty());

    // Delay: near the end snaps to the end; the off key follows the delay.
    DragFader(IDC_DELAY_FADER, -400);
    EXPECT_EQ(Channel(0).GetDelay(), 960);
    EXPECT_EQ(Ctl<CBitmapSlider>(IDC_DELAY_FADER)->GetInvertedPos(), 960);
    EXPECT_FALSE(Ctl<CxSkinButton>(IDC_DELAY_OFF)->GetCheck());
    Click(IDC_DELAY_OFF);
    EXPECT_EQ(Channel(0).GetDelay(), 0);
    EXPECT_TRUE(Ctl<CxSkinButton>(IDC_DELAY_OFF)->GetCheck());
    Click(IDC_DELAY_OFF);
    EXPECT_TRUE(Ctl<CxSkinButton>(IDC_DELAY_OFF)->GetCheck());
    Type(IDC_DELAY_FIELD, "5");
    const short nDelay = Channel(0).GetDelay();
    EXPECT_GT(nDelay, 0);
    Choose(IDC_DELAY_UNIT, 2);  // INCH: another number, the same delay
    EXPECT_EQ(Channel(0).GetDelay(), nDelay);
    EXPECT_NE(Ctl<CNumEdit>(IDC_DELAY_FIELD)->text(), QStringLiteral("5.00"));

    // The input level belongs to channel 0 whatever channel is edited.
    Click(IDC_CHANNEL_BUTTON + 2);
    ASSERT_EQ(Dlg().GetCurChannel(), 2);
    const BYTE nLevel = Channel(0).GetInputLevel();
    Click(nLevel ? IDC_INPUT_LOW : IDC_INPUT_HIGH);
    EXPECT_NE(Channel(0).GetInputLevel(), nLevel);
    EXPECT_EQ(Channel(2).GetInputLevel(), 0);
}

TEST_F(WindowTest, ClickingAKeyFirstTakesTheHalfTypedFieldsValue)
{
    QLineEdit* pField = Ctl<QLineEdit>(IDC_GAIN_FIELD);
    pField->setFocus();
    pField->selectAll();
    QTest::keyClicks(pField, "-12");
    Click(IDC_CHANNEL_BUTTON + 1);  // the field's value is taken, then the channel changes
    EXPECT_EQ(Channel(0).GetChannelGain(), 480);
    EXPECT_EQ(Dlg().GetCurChannel(), 1);
}

TEST_F(WindowTest, ChannelsOutputsAndBassLinkMode)
{
    Connect();
    // Stereo: an output switch acts on its own column only.
    const BYTE nOut1 = Channel(1).GetOutputOn();
    Click(IDC_OUTPUT_SWITCH);
    EXPECT_EQ(Channel(1).GetOutputOn(), nOut1);
    Click(IDC_POLARITY + 3);
    EXPECT_TRUE(Ctl<CBitButton>(IDC_POLARITY + 3)->GetCheck());
    EXPECT_EQ(Channel(3).GetPolarity(), 1);

    // Bass link on while channel 3 is edited: channel 0 edited, buttons off,
    // channel 1 equal to channel 0 and sent whole.
    Click(IDC_CHANNEL_BUTTON + 3);
    Type(IDC_HPF_FIELD, "60");  // channel 3
    Click(IDC_CHANNEL_BUTTON);
    Type(IDC_LPF_FIELD, "5000");
    Type(IDC_DELAY_FIELD, "3");
    const int nBlocks = Accepted(CMD_BLOCK_WRITE);
    Click(IDC_BASS_LINK);
    EXPECT_TRUE(g_bBassLink);
    EXPECT_EQ(Dlg().GetCurChannel(), 0);
    EXPECT_FALSE(Ctl<CxSkinButton>(IDC_CHANNEL_BUTTON + 2)->isEnabled());
    EXPECT_FALSE(Ctl<QComboBox>(IDC_LINK_LIST + 1)->isEnabled());
    EXPECT_EQ(Ctl<QComboBox>(IDC_LINK_LIST + 1)->currentIndex(), 0);
    EXPECT_EQ(Channel(1).GetDelay(), Channel(0).GetDelay());
    EXPECT_EQ(Channel(1).GetLpfFreq(), 5000) << "the target frequency comes along";
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Accepted(CMD_BLOCK_WRITE), nBlocks + 1);
    ExpectDeviceHolds(0, 1, "bass link copy, ramp finished");

    // Now the output switch of channel 0 takes channel 1 along.
    Click(IDC_OUTPUT_SWITCH);
    EXPECT_EQ(Channel(1).GetOutputOn(), Channel(0).GetOutputOn());
    EXPECT_EQ(Ctl<CBitButton>(IDC_OUTPUT_SWITCH + 1)->GetCheck(), Ctl<CBitButton>(IDC_OUTPUT_SWITCH)->GetCheck());

    // Off: separate groups again, channel 1 keeps what it got.
    Click(IDC_BASS_LINK);
    EXPECT_FALSE(g_bBassLink);
    EXPECT_NE(g_anLinkGroup[0], g_anLinkGroup[1]);
    EXPECT_EQ(Ctl<QComboBox>(IDC_LINK_LIST + 1)->currentIndex(), 1);
    EXPECT_TRUE(Ctl<CxSkinButton>(IDC_CHANNEL_BUTTON + 2)->isEnabled());
    Type(IDC_LPF_FIELD, "8000");
    EXPECT_EQ(Channel(1).GetLpfFreq(), 5000);
    EXPECT_EQ(Channel(3).GetHpfFreq(), 60);
}

TEST_F(WindowTest, GraphDragPendingAtAChannelChangeStaysWithItsChannel)
{
    CFStatic* pGraph = Ctl<CFStatic>(IDC_GRAPH);
    const CPoint centre = Dlg().GetCurves().GetOutData(0).GetFilter(12).m_rcHandle.CenterPoint();
    pGraph->OnMouseMove(centre);
    pGraph->OnMouseMove(centre);
    pGraph->OnLButtonDown(centre);
    pGraph->OnMouseMove({centre.x, centre.y - 40});
    pGraph->OnLButtonUp({centre.x, centre.y - 40});
    // The step is still pending when the user picks channel 1.
    Click(IDC_CHANNEL_BUTTON + 1);
    EXPECT_GT(Channel(0).GetGain(12), 200);
    EXPECT_EQ(Channel(1).GetGain(12), 200);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_BAND_GAIN + 12)->GetValue(), 200);
    EXPECT_EQ(Dlg().GetSelBand(), -2) << "no label red after a channel change";
    Click(IDC_CHANNEL_BUTTON);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_BAND_GAIN + 12)->GetValue(), Channel(0).GetGain(12));
    EXPECT_EQ(Ctl<CBitmapSlider>(IDC_BAND_FADER + 12)->GetInvertedPos(), Channel(0).GetGain(12));
}
