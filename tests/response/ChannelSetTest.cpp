#include <gtest/gtest.h>

#include "Audio_Data.h"
#include "ChannelDisplay.h"
#include "EQ.h"
#include "FreqTables.h"
#include "PlotMapping.h"
#include "TALVData.h"

namespace {
const CRect CHANNEL_PLOT{35, 10, 335, 160};
}

TEST(ChannelSet, CreatedInOrderAndSumsToZero)
{
    CEQ eq;
    eq.Create(0, EQ_ELEMENTS);
    ASSERT_EQ(eq.GetSize(), 33);
    for (int i = 0; i < EQ_BANDS; ++i) {
        EXPECT_EQ(eq.GetAt(i).GetType(), 0);
        EXPECT_EQ(eq.GetAt(i).GetFrequency(), 1000);
    }
    EXPECT_EQ(eq.GetAt(EQ_HIGH_PASS).GetType(), FILTER_HIGH_PASS);
    EXPECT_EQ(eq.GetAt(EQ_HIGH_PASS).GetFrequency(), 20);
    EXPECT_EQ(eq.GetAt(EQ_LOW_PASS).GetType(), FILTER_LOW_PASS);
    EXPECT_EQ(eq.GetAt(EQ_LOW_PASS).GetFrequency(), 20000);

    eq.SetPlotRect(CHANNEL_PLOT);
    eq.SumCurve();
    for (int i = 0; i < GRID_POINTS; ++i)
        ASSERT_EQ(eq.m_ptCurve[i].y, DbToY(0, 150) + 10);

    // +6 and -6 dB at the same place and width cancel exactly enough.
    eq.GetAt(3).SetGainIndex(260);
    eq.GetAt(3).SetQIndex(10);
    eq.GetAt(9).SetGainIndex(140);
    eq.GetAt(9).SetQIndex(10);
    eq.SumCurve();
    for (int i = 0; i < GRID_POINTS; ++i) {
        ASSERT_NEAR(eq.m_dSum[i], 0.0, 1e-9);
        ASSERT_EQ(eq.m_ptCurve[i].y, DbToY(0, 150) + 10);
    }

    CEQ graphic;
    graphic.Create(1, 31);
    ASSERT_EQ(graphic.GetSize(), 31);
    EXPECT_EQ(graphic.GetAt(0).GetFrequency(), 20);
    EXPECT_EQ(graphic.GetAt(30).GetFrequency(), 20000);
    EXPECT_EQ(graphic.GetAt(30).GetType(), 0);
}

TEST(ChannelSet, DefaultFrequenciesByFlag)
{
    CEQ eq;
    eq.Create(0, EQ_ELEMENTS);
    eq.GetAt(15).SetFrequency(777);
    eq.SetDefaultFrequencies(0);
    for (int i = 0; i < LOW15_BANDS; ++i)
        EXPECT_EQ(eq.GetAt(i).GetFrequency(), g_nBandFreqLow15[i]);
    EXPECT_EQ(eq.GetAt(15).GetFrequency(), 777);
    eq.SetDefaultFrequencies(1);
    for (int i = 0; i < EQ_BANDS; ++i)
        EXPECT_EQ(eq.GetAt(i).GetFrequency(), g_nGraphicEqFreq[i]);
    EXPECT_EQ(eq.GetAt(EQ_HIGH_PASS).GetFrequency(), 20);
    EXPECT_EQ(eq.GetAt(EQ_LOW_PASS).GetFrequency(), 20000);
}

TEST(DisplayModel, AreaColoursAndAllFlat)
{
    CAudio_Data data;
    const COLORREF colours[] = {0x80FFFF, 0xFF00FF, 0xC4FFFF, 0x8080FF};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(data.GetOutData(k).GetCurveColor(), colours[k]);
        EXPECT_EQ(data.GetOutData(k).GetCurveColor2(), colours[k]);
        EXPECT_EQ(data.GetOutData(k).GetFilterCount(), 33);
    }
    CAudio_OutData& out = data.GetOutData(2);
    out.SetArea(CHANNEL_PLOT);
    EXPECT_EQ(out.m_aptCurve[0], (CPoint{35, 85}));
    EXPECT_EQ(out.m_aptCurve[GRID_POINTS - 1], (CPoint{335, 85}));

    EXPECT_EQ(out.IsAllFlat(), 1);
    out.GetHighPass().SetFrequency(500);  // crossovers take no part
    out.GetLowPass().SetFrequency(2000);
    EXPECT_EQ(out.IsAllFlat(), 1);
    out.Recompute();
    EXPECT_GT(out.m_aptCurve[0].y, 85);  // the high-pass cuts the bottom end
    out.GetFilter(30).SetGainIndex(201);
    EXPECT_EQ(out.IsAllFlat(), 0);
    out.GetFilter(30).SetGainIndex(200);
    out.GetFilter(0).SetGainIndex(0);
    EXPECT_EQ(out.IsAllFlat(), 0);
}

// The display is filled from a channel as the window fills it.
TEST(DisplayModel, LoadedFromTheChannel)
{
    CTALVData channel;
    channel.SetGain(320, 17);  // +12 dB at 1 kHz
    channel.SetQ(24, 17);
    channel.SetHpfFreq(100);
    channel.SetHpfType(0);
    channel.SetHpfSlope(2);
    channel.SetLpfFreq(8000);
    channel.SetLpfType(1);
    channel.SetLpfSlope(6);

    CAudio_OutData out;
    out.SetArea(CHANNEL_PLOT);
    LoadDisplayFromChannel(channel, out);
    EXPECT_EQ(out.GetFilter(17).GetFrequency(), 1000);
    EXPECT_EQ(out.GetFilter(17).GetGainIndex(), 320);
    EXPECT_EQ(out.GetFilter(17).GetQIndex(), 24);
    EXPECT_EQ(out.GetHighPass().GetFrequency(), 100);
    EXPECT_EQ(out.GetHighPass().GetAlignment(), 0);
    EXPECT_EQ(out.GetHighPass().GetSlope(), 2);
    EXPECT_EQ(out.GetLowPass().GetFrequency(), 8000);
    EXPECT_EQ(out.GetLowPass().GetAlignment(), 1);
    EXPECT_EQ(out.GetLowPass().GetSlope(), 6);
    const CEQ& eq = out.GetEQ();
    const double dAt1k =
        eq.GetAt(17).m_dCurve[136] + eq.GetAt(EQ_HIGH_PASS).m_dCurve[136] + eq.GetAt(EQ_LOW_PASS).m_dCurve[136];
    EXPECT_NEAR(eq.m_dSum[136], dAt1k, 1e-12);
    EXPECT_EQ(out.m_aptCurve[136].y, DbToY(eq.m_dSum[136], 150) + 10);
}
