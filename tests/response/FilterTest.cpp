#include <gtest/gtest.h>

#include "Filter.h"
#include "PlotMapping.h"

namespace {
// A plot area 300 x 150 pixels at the graph's margins.
const CRect PLOT{35, 10, 335, 160};

CFilter LaidOut(int nType, int nFreq)
{
    CFilter f;
    f.SetType(nType);
    f.SetBandHandle(nType < FILTER_HIGH_PASS);
    f.SetPlotRect(PLOT);
    f.SetFrequency(nFreq);
    return f;
}

// Grabs the handle at its centre, so drags place the centre at the pointer.
void GrabCentre(CFilter& f)
{
    f.GrabAt(f.m_rcHandle.CenterPoint());
}
}  // namespace

TEST(Filter, DefaultsGainAndQIndicesAndLabels)
{
    CFilter f;
    EXPECT_EQ(f.GetType(), 0);
    EXPECT_EQ(f.GetFrequency(), 1000);
    EXPECT_EQ(f.GetGainIndex(), 200);
    EXPECT_TRUE(f.IsFlat());
    EXPECT_EQ(f.GetQIndex(), 25);
    for (double v : f.m_dCurve)
        ASSERT_EQ(v, 0.0);
    EXPECT_EQ(f.FormatLabel(), "1000HZ 4.80Q 0.0dB");

    f.SetGainIndex(201);
    EXPECT_NEAR(f.GetGain(), 0.1, 1e-12);
    EXPECT_FALSE(f.IsFlat());
    EXPECT_EQ(f.GetGainIndex(), 201);
    f.SetGainIndex(0);
    EXPECT_DOUBLE_EQ(f.GetGain(), -20.0);
    EXPECT_EQ(f.GetGainIndex(), 0);
    f.SetGainIndex(200);
    EXPECT_EQ(f.GetGain(), 0.0);
    EXPECT_TRUE(f.IsFlat());
    for (int i = 0; i <= 400; ++i) {
        f.SetGainIndex(i);
        ASSERT_EQ(f.GetGainIndex(), i);
    }
    for (int q = 0; q < 60; ++q) {
        f.SetQIndex(q);
        ASSERT_EQ(f.GetQIndex(), q);
    }
    f.SetQIndex(24);
    EXPECT_NEAR(f.GetQIndex() * 0.01 + 0.05, 0.29, 1e-12);
    f.SetGainIndex(235);
    f.SetQIndex(25);
    EXPECT_EQ(f.FormatLabel(), "1000HZ 4.80Q 3.5dB");
    f.SetQIndex(24);
    EXPECT_EQ(f.FormatLabel(), "1000HZ 4.97Q 3.5dB");
    EXPECT_EQ(f.m_strLabel, "1000HZ 4.97Q 3.5dB");

    // Indices outside the tables are held at their ends.
    f.SetGainIndex(-7);
    EXPECT_EQ(f.GetGainIndex(), 0);
    f.SetGainIndex(9999);
    EXPECT_EQ(f.GetGainIndex(), 400);
    f.SetQIndex(-3);
    EXPECT_EQ(f.GetQIndex(), 0);
    f.SetQIndex(75);
    EXPECT_EQ(f.GetQIndex(), 59);

    f.SetType(2);
    f.SetGainIndex(165);
    EXPECT_EQ(f.FormatLabel(), "1000HZ -3.5dB");
    CFilter hp = LaidOut(FILTER_HIGH_PASS, 120);
    EXPECT_EQ(hp.FormatLabel(), "120HZ ");
}

TEST(Filter, PolygonFollowsTheCurveBetweenTheZeroLine)
{
    CFilter f = LaidOut(0, 1000);
    f.SetGainIndex(320);
    EXPECT_EQ(f.m_ptPolygon[0], (CPoint{35, 85}));
    EXPECT_EQ(f.m_ptPolygon[POLYGON_POINTS - 1], (CPoint{335, 85}));
    EXPECT_EQ(f.m_ptPolygon[1].x, 35);
    EXPECT_EQ(f.m_ptPolygon[GRID_POINTS].x, 335);
    for (int i = 0; i < GRID_POINTS; ++i) {
        EXPECT_EQ(f.m_ptPolygon[i + 1].y, DbToY(f.m_dCurve[i], 150) + 10);
        EXPECT_EQ(f.m_ptPolygon[i + 1].x, FreqToX(g_dFreqGrid[i], 300) + 35);
    }
    EXPECT_EQ(f.m_ptPolygon[137].y, DbToY(12.0, 150) + 10);
}

TEST(Filter, HandleAndLabelPlacement)
{
    CFilter band = LaidOut(0, 1000);
    EXPECT_EQ(band.m_rcHandle, (CRect{196, 77, 212, 93}));
    // The label would run past the plot's right edge: it ends there instead.
    EXPECT_EQ(band.m_rcLabel, (CRect{165, 62, 335, 118}));
    band.SetFrequency(20);
    EXPECT_EQ(band.m_rcHandle, (CRect{27, 77, 43, 93}));
    EXPECT_EQ(band.m_rcLabel, (CRect{27, 62, 193, 118}));
    band.SetFrequency(20000);
    EXPECT_EQ(band.m_rcHandle, (CRect{322, 77, 343, 93}));  // five pixels wider at 20 kHz
    EXPECT_EQ(band.m_rcLabel, (CRect{165, 62, 335, 118}));
    band.SetFrequency(1000);
    band.SetGainIndex(400);
    EXPECT_EQ(band.m_rcHandle.top, 10 + 17);
    band.SetGainIndex(0);
    EXPECT_EQ(band.m_rcHandle.top, 10 + 117);

    CFilter shelf = LaidOut(1, 100);
    EXPECT_EQ(shelf.m_rcLabel.top, shelf.m_rcHandle.top + 25);
    EXPECT_EQ(shelf.m_rcLabel.right, shelf.m_rcHandle.right + 90);
    shelf.SetFrequency(10000);
    EXPECT_EQ(shelf.m_rcLabel.right, 335);
    EXPECT_EQ(shelf.m_rcLabel.left, 335 - 116);

    CFilter hp = LaidOut(FILTER_HIGH_PASS, 1000);
    EXPECT_EQ(hp.m_rcHandle, (CRect{196, 135, 212, 151}));
    EXPECT_EQ(hp.m_rcLabel, (CRect{196, 145, 262, 176}));
    CFilter lp = LaidOut(FILTER_LOW_PASS, 20000);
    EXPECT_EQ(lp.m_rcHandle, (CRect{327, 148, 343, 164}));
    EXPECT_EQ(lp.m_rcLabel, (CRect{269, 138, 335, 189}));
    CFilter hpOff = LaidOut(FILTER_HIGH_PASS, 20);
    EXPECT_EQ(hpOff.m_rcHandle.left, 27);
}

TEST(Filter, DragGainAtThePlotEdges)
{
    CFilter band = LaidOut(0, 1000);
    GrabCentre(band);
    EXPECT_TRUE(band.DragGain({100, 10}));  // the plot top: 30.5 dB, held at 20
    EXPECT_EQ(band.GetGainIndex(), 400);
    EXPECT_DOUBLE_EQ(band.GetGain(), 20.0);
    EXPECT_TRUE(band.DragGain({400, -50}));  // above the top still reports
    EXPECT_EQ(band.GetFrequency(), 1000);    // sideways never moves a band
    EXPECT_TRUE(band.DragGain({100, 500}));  // far below: the bottom, -20
    EXPECT_EQ(band.GetGainIndex(), 0);
    EXPECT_DOUBLE_EQ(band.GetGain(), -20.0);
    EXPECT_FALSE(band.DragGain({100, 400}));  // still -20: no change
    EXPECT_TRUE(band.DragGain({100, 70}));    // y 60 -> 6.5 dB
    EXPECT_EQ(band.GetGainIndex(), 265);
    EXPECT_EQ(band.m_rcHandle.CenterPoint().y, DbToY(6.5, 150) + 10);
    EXPECT_NEAR(band.m_dCurve[136], 6.5, 0.05);

    // A plot without height never divides by zero: the drag lands on 0 dB.
    band.SetPlotRect({35, 10, 335, 10});
    band.DragGain({100, 40});
    EXPECT_TRUE(band.IsFlat());
}

TEST(Filter, DragFrequencyStopsAtTheOtherFilter)
{
    CFilter hp = LaidOut(FILTER_HIGH_PASS, 1000);
    GrabCentre(hp);
    EXPECT_TRUE(hp.DragFrequency({335, 140}, 5000));  // right edge, past the low-pass
    EXPECT_EQ(hp.GetFrequency(), 5000);
    EXPECT_TRUE(hp.DragFrequency({35, 140}, 5000));  // the left edge switches it off
    EXPECT_EQ(hp.GetFrequency(), 20);
    for (double v : hp.m_dCurve)
        ASSERT_EQ(v, 0.0);

    CFilter lp = LaidOut(FILTER_LOW_PASS, 2000);
    GrabCentre(lp);
    EXPECT_TRUE(lp.DragFrequency({0, 140}, 1000));  // left edge: stops at the high-pass
    EXPECT_EQ(lp.GetFrequency(), 1000);
    EXPECT_TRUE(lp.DragFrequency({600, 140}, 1000));  // right edge: 20 kHz, off
    EXPECT_EQ(lp.GetFrequency(), 20000);
    for (double v : lp.m_dCurve)
        ASSERT_EQ(v, 0.0);

    lp.SetLPFDragEnabled(0);
    EXPECT_FALSE(lp.DragFrequency({100, 140}, 20));
    EXPECT_EQ(lp.GetFrequency(), 20000);
    CFilter band = LaidOut(0, 1000);
    EXPECT_FALSE(band.DragFrequency({100, 80}, 20000));
    EXPECT_EQ(band.GetFrequency(), 1000);

    // A plot too narrow for a decade gives the ends of the range.
    lp.SetLPFDragEnabled(1);
    lp.SetPlotRect({35, 10, 37, 160});
    lp.DragFrequency({36, 140}, 50);
    EXPECT_EQ(lp.GetFrequency(), 50);
}
