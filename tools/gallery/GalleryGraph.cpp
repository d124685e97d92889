// The response graph: empty, each channel's colour with a shaped response,
// a band hovered, a band selected by the window, the crossover handles.
#include <QCoreApplication>
#include <QFont>
#include <QMouseEvent>

#include "Audio_Data.h"
#include "FStatic.h"
#include "Gallery.h"

namespace {
// The window's graph: 569 x 155 dialog units.
constexpr int GRAPH_WIDTH = 854;
constexpr int GRAPH_HEIGHT = 252;

void Shape(CAudio_OutData& out, int nChannel)
{
    out.SetABFlag(1);
    const int gains[] = {200, 230, 260, 250, 215, 190, 170, 160, 180, 200, 215, 230, 240, 220, 200, 185,
                         175, 190, 210, 240, 275, 300, 280, 240, 215, 200, 190, 175, 160, 150, 140};
    for (int b = 0; b < EQ_BANDS; ++b) {
        out.GetFilter(b).SetQIndex(20 + (b * 3) % 30);
        out.GetFilter(b).SetGainIndex(gains[(b + nChannel * 5) % EQ_BANDS]);
    }
    CFilter& hp = out.GetHighPass();
    hp.SetAlignment(0);
    hp.SetSlope(2);
    hp.SetFrequency(40 + nChannel * 60);
    CFilter& lp = out.GetLowPass();
    lp.SetAlignment(2);
    lp.SetSlope(nChannel);
    lp.SetFrequency(nChannel == 3 ? 20000 : 16000 - nChannel * 4000);
}

void Hover(CFStatic& graph, CPoint pt)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(pt.x, pt.y), graph.mapToGlobal(QPointF(pt.x, pt.y)), Qt::NoButton,
                  Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&graph, &e);
}

void RenderGraphs(CGalleryWriter& writer)
{
    CAudio_Data data;
    CFStatic graph;
    graph.setFont(QFont(QStringLiteral("Arial"), 8));  // the window's font
    graph.resize(GRAPH_WIDTH, GRAPH_HEIGHT);
    graph.InitLayout();
    writer.SaveWidget("graph-no-channel", graph);

    for (int k = 0; k < 4; ++k)
        Shape(data.GetOutData(k), k);
    graph.SetChannelArray(&data);
    for (int k = 0; k < 4; ++k) {
        graph.ShowChannel(k);
        writer.SaveWidget(QString("graph-channel%1").arg(k + 1), graph);
    }

    graph.ShowChannel(0);
    const CFilter& band = data.GetOutData(0).GetFilter(20);
    Hover(graph, band.m_rcHandle.CenterPoint());
    writer.SaveWidget("graph-band21-hovered", graph);
    graph.Redraw(5);
    writer.SaveWidget("graph-band6-selected", graph);
    graph.Redraw(EQ_HIGH_PASS);
    writer.SaveWidget("graph-highpass-selected", graph);
    graph.Redraw(EQ_LOW_PASS);
    writer.SaveWidget("graph-lowpass-selected", graph);
    graph.Redraw(30);
    writer.SaveWidget("graph-band31-selected", graph);

    CAudio_Data flat;
    graph.SetChannelArray(&flat);
    graph.ShowChannel(0);
    writer.SaveWidget("graph-flat", graph);
}

const bool s_registered = RegisterGalleryPage("graph", RenderGraphs);
}  // namespace
