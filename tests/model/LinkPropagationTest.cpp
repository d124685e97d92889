#include "ModelFixture.h"

TEST_F(ModelTest, LinkedChannelsFollowQCrossoverAndChannelEdits)
{
    Link({0, 2}, 7);
    CTALVData& a = route.GetChannel(0);
    CTALVData& b = route.GetChannel(2);
    CTALVData& other = route.GetChannel(1);

    a.SetGain(300, 5);  // SetGain alone does not propagate
    EXPECT_EQ(b.GetGain(5), 200);
    b.SetGain(300, 5);  // the window repeats gain edits on each linked channel
    b.SetGain(260, 5);
    a.SetQ(17, 5);  // ... but the Q edit copies the whole band
    EXPECT_EQ(b.GetQ(5), 17);
    EXPECT_EQ(b.GetGain(5), 300);
    EXPECT_TRUE(b.IsBandDirty(5));
    EXPECT_EQ(other.GetQ(5), 0);

    a.SetLpfFreq(3000);
    a.SetLpfSlope(3);
    EXPECT_EQ(b.GetLpfFreq(), 3000);
    EXPECT_EQ(b.GetLpfSlope(), 3);
    EXPECT_TRUE(b.IsCrossoverDirty());
    EXPECT_FALSE(other.IsCrossoverDirty());

    a.SetPolarity(1);
    a.SetChannelGain(550);
    a.SetGateThreshold(30);
    a.SetOutputOn(1);
    a.SetDelay(100);
    a.SetInputLevel(1);
    EXPECT_EQ(b.GetPolarity(), 1);
    EXPECT_EQ(b.GetChannelGain(), 550);
    EXPECT_EQ(b.GetGateThreshold(), 30);
    EXPECT_EQ(b.GetOutputOn(), 0);  // output and delay follow only in bass link mode
    EXPECT_EQ(b.GetDelay(), 0);
    EXPECT_EQ(b.GetInputLevel(), 0);  // never copied
    EXPECT_EQ(other.GetChannelGain(), 0);

    a.SetEqBypassAll(1);
    EXPECT_TRUE(b.AreAllBandsBypassed());
    EXPECT_FALSE(other.AreAllBandsBypassed() && other.GetGain(5) != 200);
    a.SetEqBypassAll(0);
    EXPECT_EQ(b.GetGain(5), 300);
    ExpectAllChecksumsValid();
}

TEST_F(ModelTest, BassLinkModeCarriesOutputAndDelayToo)
{
    Link({0, 1}, 0);
    CTALVData& a = route.GetChannel(0);
    CTALVData& b = route.GetChannel(1);
    a.SetDelay(240);
    EXPECT_EQ(b.GetDelay(), 0);
    g_bBassLink = true;
    a.SetDelay(240);
    a.SetOutputOn(1);
    EXPECT_EQ(b.GetDelay(), 240);
    EXPECT_EQ(b.GetOutputOn(), 1);
    ExpectAllChecksumsValid();
}

TEST_F(ModelTest, CopyLinkedAndCopyAllTakeDifferentParts)
{
    CTALVData& src = route.GetChannel(0);
    src.SetGain(330, 2);
    src.SetQ(8, 2);
    src.SetBandBypass(2, 1);
    src.SetHpfFreq(80);
    route.GetNextFrame();  // band 2
    route.GetNextFrame();  // one ramp step: current 40, target 80
    src.SetHpfType(2);
    src.SetOutputOn(1);
    src.SetDelay(77);
    src.SetPolarity(1);
    src.SetChannelGain(420);
    src.SetGateThreshold(33);
    src.SetInputLevel(1);
    ASSERT_EQ(src.GetHpfCurrentFreq(), 40);

    CTALVData& linked = route.GetChannel(2);
    linked.ClearDirty();
    linked.CopyLinked(src);
    EXPECT_EQ(linked.GetQ(2), 8);
    EXPECT_TRUE(linked.IsBandBypassed(2));
    linked.SetBandBypass(2, 0);  // saved gain came along
    EXPECT_EQ(linked.GetGain(2), 330);
    EXPECT_EQ(linked.GetHpfCurrentFreq(), 40);
    EXPECT_EQ(linked.GetHpfFreq(), 80);
    EXPECT_EQ(linked.GetHpfType(), 2);
    EXPECT_EQ(linked.GetPolarity(), 1);
    EXPECT_EQ(linked.GetChannelGain(), 420);
    EXPECT_EQ(linked.GetGateThreshold(), 33);
    EXPECT_EQ(linked.GetOutputOn(), 0);
    EXPECT_EQ(linked.GetDelay(), 0);
    EXPECT_EQ(linked.GetInputLevel(), 0);
    EXPECT_EQ(linked.GetChannel(), 2);
    // Caught mid-ramp: the ramp goes on to the target.
    EXPECT_TRUE(linked.IsCrossoverDirty());

    CTALVData& all = route.GetChannel(1);
    all.ClearDirty();
    all.CopyAll(src);
    EXPECT_EQ(all.GetHpfCurrentFreq(), 40);
    EXPECT_EQ(all.GetHpfFreq(), 80);  // the target comes along, so a save gives channel 1 the same crossover
    EXPECT_EQ(all.GetOutputOn(), 1);
    EXPECT_EQ(all.GetDelay(), 77);
    EXPECT_EQ(all.GetInputLevel(), 0);
    EXPECT_EQ(all.GetChannel(), 1);
    EXPECT_EQ(all.GetChannelFrame()[FRAME_INDEX1], 1);

    // Only the unfinished ramp is pending, and it reaches the target.
    EXPECT_TRUE(all.IsCrossoverDirty());
    EXPECT_FALSE(all.IsBandDirty(2));
    EXPECT_FALSE(all.IsChannelDirty());
    for (int i = 0; i < 8 && all.IsCrossoverDirty(); ++i) {
        all.ClearCrossoverDirty();
        all.StepCrossoverRamp();
    }
    EXPECT_EQ(all.GetHpfCurrentFreq(), 80);
    EXPECT_FALSE(route.GetChannel(2).IsBandDirty(3));
    ExpectAllChecksumsValid();
}

TEST_F(ModelTest, DestroyedRouteLeavesNoDanglingLinkPointers)
{
    {
        CTALVRoute other;
        ResetLinkGroups(other);
        EXPECT_EQ(g_apChannel[2], &other.GetChannel(2));
    }
    for (CTALVData* p : g_apChannel)
        EXPECT_EQ(p, nullptr);
}
