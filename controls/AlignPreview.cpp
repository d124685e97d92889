#include "AlignPreview.h"

#include <QPainter>
#include <QPen>

#include "GraphLevels.h"

namespace {
const QColor SUM_COLOUR(64, 224, 255);      // the skin's cyan, as a fit's prediction
const QColor BEFORE_COLOUR(225, 225, 225);  // light grey, dashed
constexpr int SUM_LINES = 3;                // bold: drawn three times, a pixel apart
}  // namespace

void CAlignPreview::Set(std::vector<Curve> aChannel, const GridLevels& before, const GridLevels& after,
                        const bool (&abInRange)[GRID_POINTS])
{
    m_aChannel = std::move(aChannel);
    m_before = before;
    m_after = after;
    double dSum = 0.0;
    int n = 0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (abInRange[i] && after.abValid[i]) {
            dSum += after.adLevel[i];
            ++n;
        }
    }
    m_dReferenceDb = n > 0 ? dSum / n : 0.0;
    m_bShown = true;
}

void CAlignPreview::Draw(QPainter& dc, const CAudio_OutData& display) const
{
    if (!m_bShown)
        return;
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    for (const Curve& curve : m_aChannel) {
        dc.setPen(QPen(curve.colour, 1));
        DrawGridLevels(dc, curve.levels, m_dReferenceDb, display);
    }
    dc.setPen(QPen(BEFORE_COLOUR, 1, Qt::DashLine));
    DrawGridLevels(dc, m_before, m_dReferenceDb, display);
    dc.setPen(QPen(SUM_COLOUR, 1));
    DrawGridLevels(dc, m_after, m_dReferenceDb, display, SUM_LINES);
    dc.restore();
}
