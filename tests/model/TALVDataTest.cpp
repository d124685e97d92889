#include <vector>

#include "ModelFixture.h"
#include "PresetLimits.h"

TEST_F(ModelTest, NewPresetHoldsTheDefaultsInItsFrames)
{
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const CTALVData& ch = route.GetChannel(k);
        EXPECT_EQ(ch.GetChannel(), k);
        for (int b = 0; b < NUM_BANDS; ++b) {
            EXPECT_EQ(ch.GetGain(b), 200);
            EXPECT_EQ(ch.GetQ(b), 0);
            EXPECT_TRUE(ch.IsBandBypassed(b));
            const BYTE* f = ch.GetBandFrame(b);
            EXPECT_EQ(f[FRAME_CMD], CMD_PARAMETER);
            EXPECT_EQ(f[FRAME_INDEX1], k);
            EXPECT_EQ(f[SHORT_INDEX1_COPY], k);
            EXPECT_EQ(f[FRAME_INDEX2], b);
            EXPECT_EQ(f[SHORT_INDEX2_COPY], b);
            EXPECT_EQ(f[SHORT_FRAME_LEN - 1], FRAME_TRAILER);
        }
        EXPECT_EQ(ch.GetBandFreq(0), 20);
        EXPECT_EQ(ch.GetBandFreq(17), 1000);
        EXPECT_EQ(ch.GetBandFreq(30), 20000);
        EXPECT_EQ(ch.GetCrossoverFrame()[FRAME_INDEX2], XOVER_FRAME_INDEX);
        EXPECT_EQ(ch.GetChannelFrame()[FRAME_INDEX2], CHANNEL_FRAME_INDEX);
        EXPECT_EQ(ch.GetHpfFreq(), 20);
        EXPECT_EQ(ch.GetLpfFreq(), 20000);
        EXPECT_EQ(ch.GetChannelGain(), 0);
        EXPECT_EQ(ch.GetDelay(), 0);
        EXPECT_EQ(ch.GetGateByte(), 40);
        EXPECT_EQ(ch.GetGateThreshold(), 10);
        EXPECT_EQ(ch.GetOutputOn(), 0);
        EXPECT_EQ(ch.GetABFlag(), 1);
        EXPECT_FALSE(ch.IsAnyDirty());
    }
    ExpectAllChecksumsValid();
}

TEST_F(ModelTest, GainAndBandBypass)
{
    CTALVData& ch = route.GetChannel(0);
    ch.SetGain(250, 4);
    EXPECT_FALSE(ch.IsBandBypassed(4));
    EXPECT_TRUE(ch.IsBandDirty(4));
    EXPECT_EQ(GetWord(ch.GetBandFrame(4) + BAND_GAIN), 250);

    // Bypass forces the band flat and gives the gain back afterwards.
    ch.SetBandBypass(4, 1);
    EXPECT_TRUE(ch.IsBandBypassed(4));
    EXPECT_EQ(ch.GetGain(4), 200);
    ch.SetBandBypass(4, 1);  // already on: nothing
    EXPECT_EQ(ch.GetGain(4), 200);
    ch.SetBandBypass(4, 0);
    EXPECT_EQ(ch.GetGain(4), 250);
    EXPECT_FALSE(ch.IsBandBypassed(4));

    // A band whose saved gain is flat cannot be bypassed: nothing to give back.
    ch.ClearDirty();
    ch.SetBandBypass(9, 1);
    EXPECT_FALSE(ch.IsBandDirty(9));

    // SetGain(200) lights the indicator without touching a bypass-all mark;
    // any other gain clears both.
    ch.SetGain(230, 6);
    ch.SetEqBypassAll(1);
    ch.SetGain(200, 6);
    EXPECT_TRUE(ch.IsBandBypassed(6));
    EXPECT_TRUE(ch.AreAllBandsBypassed());
    ch.SetGain(201, 6);
    EXPECT_FALSE(ch.IsBandBypassed(6));
    EXPECT_FALSE(ch.AreAllBandsBypassed());

    // Out-of-range band numbers are ignored rather than written past the frames.
    ch.SetGain(300, 31);
    ch.SetQ(3, -1);
    ch.SetBandBypass(40, 1);
    EXPECT_EQ(ch.GetGain(31), 0);
    ExpectAllChecksumsValid();
}

TEST_F(ModelTest, BypassAllRestoresGainsExceptIndividuallyBypassedBands)
{
    CTALVData& ch = route.GetChannel(1);
    ch.SetGain(150, 0);
    ch.SetGain(260, 1);
    ch.SetGain(320, 2);
    ch.SetBandBypass(2, 1);  // bypassed on its own
    ch.ClearDirty();

    ch.SetEqBypassAll(1);
    EXPECT_TRUE(ch.AreAllBandsBypassed());
    for (int b = 0; b < NUM_BANDS; ++b)
        EXPECT_EQ(ch.GetGain(b), 200) << b;
    EXPECT_TRUE(ch.IsBandDirty(0));
    EXPECT_TRUE(ch.IsBandDirty(1));
    EXPECT_FALSE(ch.IsBandDirty(2));  // already flat

    ch.SetEqBypassAll(0);
    EXPECT_EQ(ch.GetGain(0), 150);
    EXPECT_EQ(ch.GetGain(1), 260);
    EXPECT_EQ(ch.GetGain(2), 200);
    EXPECT_TRUE(ch.IsBandBypassed(2));
    EXPECT_FALSE(ch.IsBandBypassed(0));

    // Ending a band's bypass while bypass-all holds it brings its gain back.
    ch.SetEqBypassAll(1);
    ch.SetBandBypass(1, 0);
    EXPECT_EQ(ch.GetGain(1), 260);
    EXPECT_FALSE(ch.IsBandBypassed(1));
    ch.SetEqBypassAll(0);
    EXPECT_EQ(ch.GetGain(0), 150);

    // Bypassing a band held by bypass-all keeps the user's gain to come back to.
    ch.SetEqBypassAll(1);
    ch.SetBandBypass(0, 1);
    ch.SetEqBypassAll(0);
    EXPECT_EQ(ch.GetGain(0), 200);
    ch.SetBandBypass(0, 0);
    EXPECT_EQ(ch.GetGain(0), 150);
    ExpectAllChecksumsValid();
}

namespace {
std::vector<int> RampHpf(CTALVRoute& route, int nChannel)
{
    std::vector<int> sent;
    for (int i = 0; i < 40; ++i) {
        auto f = route.GetNextFrame();
        if (f->GetData()[FRAME_CMD] == CMD_POLL)
            break;
        EXPECT_EQ(f->GetData()[FRAME_INDEX1], nChannel);
        EXPECT_EQ(f->GetData()[FRAME_INDEX2], XOVER_FRAME_INDEX);
        EXPECT_TRUE(HasValidChecksum(f->GetData(), SHORT_FRAME_LEN));
        sent.push_back(GetWord(f->GetData() + XO_HPF_FREQ));
    }
    return sent;
}
}  // namespace

TEST_F(ModelTest, CrossoverRampMovesAnOctaveAPerSendAndEndsAtTheTarget)
{
    CTALVData& ch = route.GetChannel(2);
    ch.SetHpfFreq(20000);
    EXPECT_EQ(ch.GetHpfFreq(), 20000);
    EXPECT_EQ(ch.GetHpfCurrentFreq(), 20);
    EXPECT_EQ(RampHpf(route, 2), (std::vector<int>{40, 80, 160, 320, 640, 1280, 2560, 5120, 10240, 20000}));

    ch.SetHpfFreq(1000);
    RampHpf(route, 2);
    ch.SetHpfFreq(20);
    EXPECT_EQ(RampHpf(route, 2), (std::vector<int>{500, 250, 125, 62, 31, 20}));
    // A change within an octave, or of the type alone, is one frame.
    ch.SetHpfFreq(30);
    EXPECT_EQ(RampHpf(route, 2), (std::vector<int>{30}));
    ch.SetHpfType(1);
    EXPECT_EQ(RampHpf(route, 2), (std::vector<int>{30}));

    // The low-pass ramps the same way, in the same frame.
    ch.SetLpfFreq(2000);
    auto f = route.GetNextFrame();
    EXPECT_EQ(GetWord(f->GetData() + XO_LPF_FREQ), 10000);
}

TEST_F(ModelTest, ChannelSectionSettersStoreTheirBytes)
{
    CTALVData& ch = route.GetChannel(3);
    ch.SetOutputOn(1);
    ch.SetPolarity(1);
    ch.SetChannelGain(570);
    ch.SetDelay(480);
    ch.SetGateThreshold(25);
    ch.SetInputLevel(1);
    const BYTE* f = ch.GetChannelFrame();
    EXPECT_EQ(f[CH_OUTPUT], 1);
    EXPECT_EQ(f[CH_POLARITY], 1);
    EXPECT_EQ(GetWord(f + CH_GAIN), 570);
    EXPECT_EQ(GetWord(f + CH_DELAY), 480);
    EXPECT_EQ(f[CH_GATE], 55);
    EXPECT_EQ(ch.GetGateThreshold(), 25);
    EXPECT_EQ(f[CH_INPUT_LEVEL], 1);
    EXPECT_TRUE(ch.IsChannelDirty());

    ch.ClearDirty();
    ch.SetOutputOnSilent(0);
    EXPECT_FALSE(ch.IsChannelDirty());
    EXPECT_EQ(ch.GetOutputOn(), 0);
    ExpectAllChecksumsValid();
}

TEST_F(ModelTest, LoadFromBlockTakesTheDevicesValuesAndClampsImpossibleOnes)
{
    CTALVData& src = route.GetChannel(0);
    src.SetGain(260, 3);
    src.SetQ(12, 3);
    src.SetHpfType(1);
    src.SetHpfSlope(4);
    src.SetChannelGain(610);
    src.SetDelay(96);
    src.SetOutputOn(1);
    src.SetGateThreshold(20);
    auto block = src.BuildBlockWrite(0);
    std::vector<BYTE> b(block->GetData(), block->GetData() + BLOCK_FRAME_LEN);
    SetWord(&b[BlockBand(7) + BLOCK_BAND_GAIN], 200);
    SetWord(&b[BlockBand(8) + BLOCK_BAND_GAIN], 180);

    CTALVData& dst = route.GetChannel(3);
    dst.SetEqBypassAll(1);
    dst.ClearDirty();
    dst.LoadFromBlock(b.data());
    EXPECT_EQ(dst.GetChannel(), 3);
    EXPECT_EQ(dst.GetGain(3), 260);
    EXPECT_EQ(dst.GetQ(3), 12);
    EXPECT_TRUE(dst.IsBandBypassed(7));
    EXPECT_FALSE(dst.IsBandBypassed(8));
    EXPECT_EQ(dst.GetHpfType(), 1);
    EXPECT_EQ(dst.GetHpfSlope(), 4);
    EXPECT_EQ(dst.GetChannelGain(), 610);
    EXPECT_EQ(dst.GetDelay(), 96);
    EXPECT_EQ(dst.GetOutputOn(), 1);
    EXPECT_EQ(dst.GetGateThreshold(), 20);
    EXPECT_FALSE(dst.IsAnyDirty());
    EXPECT_EQ(dst.GetChannelFrame()[FRAME_INDEX1], 3);

    // A corrupt block never puts values outside their tables into the model.
    SetWord(&b[BlockBand(0) + BLOCK_BAND_Q], 300);
    SetWord(&b[BlockBand(0) + BLOCK_BAND_FREQ], 0);
    b[BLOCK_HPF_TYPE] = 9;
    b[BLOCK_LPF_SLOPE] = 200;
    SetWord(&b[BLOCK_HPF_FREQ], -5);
    SetWord(&b[BLOCK_DELAY], 5000);
    b[BLOCK_GATE] = 0;
    dst.LoadFromBlock(b.data());
    EXPECT_EQ(dst.GetQ(0), 59);
    EXPECT_EQ(dst.GetBandFreq(0), 20);
    EXPECT_EQ(dst.GetHpfType(), 2);
    EXPECT_EQ(dst.GetLpfSlope(), 6);
    EXPECT_EQ(dst.GetHpfFreq(), 20);
    EXPECT_EQ(dst.GetDelay(), 960);
    EXPECT_EQ(dst.GetGateByte(), 40);
    ExpectAllChecksumsValid();
}
