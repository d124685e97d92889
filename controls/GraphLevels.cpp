#include "GraphLevels.h"

#include <QPainter>
#include <QPolygon>

#include "Audio_OutData.h"
#include "PlotMapping.h"

void DrawGridLevels(QPainter& dc, const GridLevels& levels, double dOffset, const CAudio_OutData& display, int nLines)
{
    QPolygon run;
    const auto flush = [&] {
        for (int n = 0; n < nLines && run.size() > 1; ++n)
            dc.drawPolyline(run.translated(0, n));
        run.clear();
    };
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (!levels.abValid[i]) {
            flush();
            continue;
        }
        run << QPoint(display.m_aptCurve[i].x, DbToY(levels.adLevel[i] - dOffset, display.m_nHeight) + PLOT_TOP);
    }
    flush();
}
