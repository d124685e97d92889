// Where the graph writes the focused element's values ("1000HZ 4.23Q
// -6.0dB"): next to its handle, but never over a handle's number or the
// curve, and on a dark box so that no grid line hides a character.
#include <QFontMetrics>
#include <QPainter>
#include <array>

#include "Audio_Data.h"
#include "FStatic.h"
#include "QtRect.h"

namespace {
constexpr int LABEL_PAD = 3;  // pixels of box around the text
constexpr int LABEL_GAP = 2;  // between the box and the handle or the plot's edge
const QColor LABEL_BOX(0, 0, 0, 215);
const QColor LABEL_TEXT(255, 255, 255);

// rc moved, not resized, to lie inside bounds where it fits.
QRect Inside(QRect rc, const QRect& bounds)
{
    rc.moveLeft(std::clamp(rc.left(), bounds.left(), std::max(bounds.left(), bounds.right() - rc.width() + 1)));
    rc.moveTop(std::clamp(rc.top(), bounds.top(), std::max(bounds.top(), bounds.bottom() - rc.height() + 1)));
    return rc;
}
}  // namespace

// How much of the picture a box at rc would hide: the handles' numbers it
// covers, and the pieces of the curve that cross it.
int CFStatic::LabelCollisions(const QRect& rc) const
{
    int nHits = 0;
    for (int i = 0; i < m_pEQ->GetSize(); ++i)
        if (rc.intersects(ToQRect(m_pEQ->GetAt(i).m_rcHandle)))
            ++nHits;
    const CPoint* pCurve = m_pChannel->m_aptCurve;
    for (int i = 0; i + 1 < GRID_POINTS; ++i) {
        const QRect piece = QRect(QPoint(pCurve[i].x, pCurve[i].y), QPoint(pCurve[i + 1].x, pCurve[i + 1].y))
                                .normalized()
                                .adjusted(0, 0, 1, 1);
        if (rc.intersects(piece))
            ++nHits;
    }
    return nHits;
}

void CFStatic::DrawValueLabel(QPainter& dc, CFilter& focus)
{
    const QString strText = QString::fromLatin1(focus.FormatLabel().c_str());
    const QFontMetrics metrics(dc.font());
    const QSize size(metrics.horizontalAdvance(strText) + 2 * LABEL_PAD, metrics.height());
    const QRect plot = ToQRect(m_rcPlot).adjusted(LABEL_GAP, LABEL_GAP, -LABEL_GAP, -LABEL_GAP);
    const QRect handle = ToQRect(focus.m_rcHandle);
    const int nAbove = handle.top() - LABEL_GAP - size.height();
    const int nBelow = handle.bottom() + LABEL_GAP;
    const int nRight = handle.right() + LABEL_GAP;
    const int nLeft = handle.left() - LABEL_GAP - size.width();
    // Beside the handle first, where the eye is; the plot's corners last.
    const std::array<QRect, 8> candidates = {
        QRect(QPoint(nRight, nAbove), size),
        QRect(QPoint(nLeft, nAbove), size),
        QRect(QPoint(nRight, nBelow), size),
        QRect(QPoint(nLeft, nBelow), size),
        QRect(plot.topLeft(), size),
        QRect(QPoint(plot.right() - size.width() + 1, plot.top()), size),
        QRect(QPoint(plot.left(), plot.bottom() - size.height() + 1), size),
        QRect(QPoint(plot.right() - size.width() + 1, plot.bottom() - size.height() + 1), size),
    };
    QRect best;
    int nBest = -1;
    for (const QRect& candidate : candidates) {
        const QRect rc = Inside(candidate, plot);
        const int nHits = LabelCollisions(rc);
        if (nBest < 0 || nHits < nBest) {
            best = rc;
            nBest = nHits;
        }
        if (nHits == 0)
            break;
    }
    dc.fillRect(best, LABEL_BOX);
    dc.setPen(LABEL_TEXT);
    dc.drawText(best, Qt::AlignCenter, strText);
}
