#include "AlignPreview.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <algorithm>

#include "GraphLevels.h"
#include "PlotMapping.h"

namespace {
const QColor SUM_COLOUR(64, 224, 255);      // the skin's cyan, as a fit's prediction
const QColor BEFORE_COLOUR(225, 225, 225);  // light grey, dashed
constexpr int SUM_LINES = 3;                // bold: drawn three times, a pixel apart
const QColor KEY_BACKGROUND(0, 0, 0, 170);  // the curves beneath stay faintly in sight
const QColor KEY_TEXT(235, 235, 235);
constexpr int KEY_MARGIN = 6;   // from the plot's corner, and inside the key
constexpr int KEY_SAMPLE = 24;  // the length of each line's sample
constexpr int KEY_GAP = 6;      // between the sample and its name
constexpr int KEY_SAMPLE_LINE_PITCH = 1;

// A line's sample as the plot draws it: nLines pixel rows for a bold one.
void DrawSample(QPainter& dc, const QPen& pen, int x, int y, int nLines)
{
    dc.setPen(pen);
    for (int k = 0; k < nLines; ++k)
        dc.drawLine(x, y + k * KEY_SAMPLE_LINE_PITCH, x + KEY_SAMPLE, y + k * KEY_SAMPLE_LINE_PITCH);
}
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
    DrawKey(dc);
    dc.restore();
}

void CAlignPreview::DrawKey(QPainter& dc) const
{
    struct Entry {
        QPen pen;
        int nLines;
        QString strName;
    };
    std::vector<Entry> entries;
    for (const Curve& curve : m_aChannel)
        entries.push_back({QPen(curve.colour, 1), 1, curve.strName});
    entries.push_back({QPen(BEFORE_COLOUR, 1, Qt::DashLine), 1, QStringLiteral("sum now")});
    entries.push_back({QPen(SUM_COLOUR, 1), SUM_LINES, QStringLiteral("sum aligned")});
    const QFontMetrics metrics(dc.font());
    int nTextWidth = 0;
    for (const Entry& entry : entries)
        nTextWidth = std::max(nTextWidth, metrics.horizontalAdvance(entry.strName));
    const int nRow = metrics.height();
    const QRect box(PLOT_LEFT + KEY_MARGIN, PLOT_TOP + KEY_MARGIN, 2 * KEY_MARGIN + KEY_SAMPLE + KEY_GAP + nTextWidth,
                    2 * KEY_MARGIN + nRow * static_cast<int>(entries.size()));
    dc.fillRect(box, KEY_BACKGROUND);
    int y = box.top() + KEY_MARGIN;
    for (const Entry& entry : entries) {
        const int x = box.left() + KEY_MARGIN;
        DrawSample(dc, entry.pen, x, y + nRow / 2 - entry.nLines / 2, entry.nLines);
        dc.setPen(KEY_TEXT);
        dc.drawText(QRect(x + KEY_SAMPLE + KEY_GAP, y, nTextWidth, nRow), Qt::AlignLeft | Qt::AlignVCenter,
                    entry.strName);
        y += nRow;
    }
}
