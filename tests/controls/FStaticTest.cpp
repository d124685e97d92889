#include <gtest/gtest.h>

#include <QMouseEvent>

#include "Audio_Data.h"
#include "FStatic.h"
#include "MessageRecorder.h"
#include "PlotMapping.h"

namespace {
class GraphTest : public ::testing::Test {
protected:
    GraphTest() : m_graph(&m_parent)
    {
        m_graph.resize(855, 250);  // plot area 810 x 220
        for (int k = 0; k < 4; ++k)
            m_data.GetOutData(k).SetABFlag(1);
        m_graph.SetChannelArray(&m_data);
        m_graph.SetNotifyWnd(&m_parent);
        m_graph.InitLayout();
        m_graph.ShowChannel(0);
    }

    void Mouse(QEvent::Type type, CPoint pt, Qt::MouseButtons buttons)
    {
        const QPointF pos(pt.x, pt.y);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, pos, m_graph.mapToGlobal(pos), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&m_graph, &e);
    }
    void Move(CPoint pt, bool bHeld = false) { Mouse(QEvent::MouseMove, pt, bHeld ? Qt::LeftButton : Qt::NoButton); }
    void Press(CPoint pt) { Mouse(QEvent::MouseButtonPress, pt, Qt::LeftButton); }
    void Release(CPoint pt) { Mouse(QEvent::MouseButtonRelease, pt, Qt::NoButton); }

    // Hovers the element's handle and presses on its centre.
    CPoint Grab(int nElement)
    {
        const CPoint centre = Element(nElement).m_rcHandle.CenterPoint();
        // Leaving a crossover handle drops it on one move; the next finds
        // the handle under the pointer.
        Move(centre);
        Move(centre);
        EXPECT_EQ(m_graph.GetHotIndex(), nElement);
        EXPECT_TRUE(m_graph.IsOverHandle());
        Press(centre);
        return centre;
    }

    std::vector<RecordedMessage> Reported()
    {
        m_graph.OnTimer(ID_TIMER_GRAPH);
        return m_parent.Of(WM_GRAPH_CHANGED);
    }

    CFilter& Element(int i) { return m_data.GetOutData(0).GetFilter(i); }

    CAudio_Data m_data;
    CMessageRecorder m_parent;
    CFStatic m_graph;
};
}  // namespace

TEST_F(GraphTest, BandDragChangesGainOnlyAndIsReportedOncePerPeriod)
{
    const CPoint centre = Grab(17);    // 1 kHz
    Move({centre.x + 200, 10}, true);  // above and to the side
    Move({centre.x + 300, -40}, true);
    Move({centre.x - 100, 5}, true);
    EXPECT_EQ(Element(17).GetFrequency(), 1000);
    EXPECT_EQ(Element(17).GetGainIndex(), 400);
    auto reports = Reported();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].wParam, 17u);
    EXPECT_EQ(reports[0].lParam, 0);
    EXPECT_EQ(Reported().size(), 1u) << "nothing new, nothing sent";

    Move({centre.x, 10 + 220 + 50}, true);  // below the plot
    EXPECT_EQ(Element(17).GetGainIndex(), 0);
    Release({centre.x, 300});
    EXPECT_EQ(Reported().size(), 2u);
    EXPECT_EQ(Element(17).m_bDragging, 0);

    // The summed curve follows: -20 dB at 1 kHz.
    EXPECT_EQ(m_data.GetOutData(0).m_aptCurve[136].y, DbToY(-20.0, 220) + 10);

    // Moving without the button does not drag.
    Move({centre.x, 60});
    EXPECT_EQ(Element(17).GetGainIndex(), 0);
}

TEST_F(GraphTest, CrossoverHandlesStopAtEachOtherAndSwitchOff)
{
    Element(EQ_HIGH_PASS).SetFrequency(1000);
    Element(EQ_LOW_PASS).SetFrequency(5000);
    m_graph.Redraw(-1);

    CPoint h = Grab(EQ_HIGH_PASS);
    Move({840, h.y}, true);  // past the low-pass
    EXPECT_EQ(Element(EQ_HIGH_PASS).GetFrequency(), 5000);
    auto reports = Reported();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].wParam, 31u);
    Move({0, h.y}, true);  // the left edge switches it off
    EXPECT_EQ(Element(EQ_HIGH_PASS).GetFrequency(), 20);
    for (double v : Element(EQ_HIGH_PASS).m_dCurve)
        ASSERT_EQ(v, 0.0);
    Release({0, h.y});
    EXPECT_EQ(Reported().size(), 2u);

    Element(EQ_HIGH_PASS).SetFrequency(1000);
    CPoint l = Grab(EQ_LOW_PASS);
    Move({36, l.y}, true);  // past the high-pass
    EXPECT_EQ(Element(EQ_LOW_PASS).GetFrequency(), 1000);
    Move({900, l.y}, true);  // the right edge: 20 kHz, off
    EXPECT_EQ(Element(EQ_LOW_PASS).GetFrequency(), 20000);
    for (double v : Element(EQ_LOW_PASS).m_dCurve)
        ASSERT_EQ(v, 0.0);
    reports = Reported();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[2].wParam, 32u);

    // Released over its handle, it can be grabbed again at once.
    const CPoint at = Element(EQ_LOW_PASS).m_rcHandle.CenterPoint();
    Move(at, true);
    Release(at);
    Move(at);
    Press(at);
    Move({400, l.y}, true);
    EXPECT_LT(Element(EQ_LOW_PASS).GetFrequency(), 20000);
}

TEST_F(GraphTest, HoveredOrSelectedElementIsShadedAndLabelled)
{
    Element(4).SetGainIndex(320);  // band 5, 50 Hz, +12 dB
    m_graph.Redraw(-1);
    const QColor shade(68, 86, 98);
    const int x = FreqToX(50, 810) + 35 + 3;
    const int yInside = DbToY(6.0, 220) + 10;
    EXPECT_NE(m_graph.GetImage().pixelColor(x, yInside), shade);

    const CPoint centre = Element(4).m_rcHandle.CenterPoint();
    Move(centre);
    EXPECT_EQ(m_graph.GetHot(), &Element(4));
    EXPECT_EQ(m_graph.GetImage().pixelColor(x, yInside), shade);
    EXPECT_EQ(Element(4).m_strLabel, "50HZ 4.80Q 12.0dB");

    Move({600, 40});  // away from every handle: still shown
    EXPECT_FALSE(m_graph.IsOverHandle());
    EXPECT_EQ(m_graph.GetImage().pixelColor(x, yInside), shade);

    m_graph.Redraw(20);  // the window selects band 21
    EXPECT_NE(m_graph.GetImage().pixelColor(x, yInside), shade);
    EXPECT_EQ(m_graph.GetSelected(), 20);

    // The summed curve is drawn in the channel's colour (the handle numbers
    // cover it in places).
    const auto curvePixels = [this](int nChannel, QColor colour) {
        int n = 0;
        for (const CPoint& pt : m_data.GetOutData(nChannel).m_aptCurve)
            n += m_graph.GetImage().pixelColor(pt.x, pt.y) == colour;
        return n;
    };
    EXPECT_GT(curvePixels(0, QColor(255, 255, 128)), 150);
    m_graph.ShowChannel(1);
    EXPECT_GT(curvePixels(1, QColor(255, 0, 255)), 150);
}

// No channel yet, no size, nonsense indices: nothing breaks, nothing is sent.
TEST(Graph, DegenerateUse)
{
    CMessageRecorder parent;
    CFStatic bare(&parent);
    bare.resize(300, 100);
    bare.SetNotifyWnd(&parent);
    bare.InitLayout();
    bare.Redraw(5);
    bare.OnMouseMove({50, 50});
    bare.OnLButtonDown({50, 50});
    bare.OnLButtonUp({50, 50});
    bare.OnTimer(ID_TIMER_GRAPH);
    bare.ShowChannel(2);  // no channels assigned
    EXPECT_FALSE(bare.grab().isNull());
    EXPECT_TRUE(parent.m_messages.empty());

    CAudio_Data data;
    CFStatic tiny(&parent);
    tiny.resize(0, 0);
    tiny.SetChannelArray(&data);
    tiny.InitLayout();
    tiny.ShowChannel(0);
    tiny.ShowChannel(7);
    tiny.Redraw(99);
    tiny.OnMouseMove({0, 0});
    tiny.grab();
    EXPECT_EQ(tiny.GetShownChannel(), 0);
    tiny.resize(20, 10);  // smaller than the margins
    tiny.Redraw(-1);
    tiny.grab();
}

// The level axis: every label but 0 carries its sign.
TEST(Graph, LevelLabelsCarryTheirSign)
{
    const std::pair<int, const char*> labels[] = {{30, "+30"},  {20, "+20"},  {10, "+10"}, {0, "0dB"},
                                                  {-10, "-10"}, {-20, "-20"}, {-30, "-30"}};
    for (const auto& [nDb, pszText] : labels)
        EXPECT_EQ(CFStatic::LevelLabel(nDb), pszText);
}
