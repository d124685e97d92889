#include "GradientProgressCtrl.h"

#include <QPainter>
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "QtColor.h"

namespace {
// A black start colour with nothing to fade to still gets this many bands.
constexpr int BLACK_BAND_COUNT = 255;

// One band's component: start + i * difference / bands, truncated. Equal
// start and end colours fade upward from the start and would pass 255.
int BandComponent(int nStart, int nDiff, int i, int nBands)
{
    const int n = static_cast<int>(nStart + static_cast<double>(i) * nDiff / nBands);
    return std::clamp(n, 0, 255);
}
}  // namespace

CGradientProgressCtrl::CGradientProgressCtrl(QWidget* pParent, int nId)
    : QWidget(pParent), m_nId(nId), m_clrBkGround(ToColorRef(palette().color(QPalette::Button)))
{
    // Every pixel is painted, so the toolkit need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CGradientProgressCtrl::SetRange(int nLower, int nUpper)
{
    m_nLower = nLower;
    m_nUpper = nUpper;
    m_nCurrentPosition = nLower;
    update();
}

void CGradientProgressCtrl::SetPos(int nPos)
{
    const int nNew = std::min(nPos, m_nUpper);
    // The link sets the position on every tick it waits; an unchanged bar
    // needs no repaint.
    if (nNew == m_nCurrentPosition)
        return;
    m_nCurrentPosition = nNew;
    update();
}

void CGradientProgressCtrl::GetRange(int& nLower, int& nUpper) const
{
    nLower = m_nLower;
    nUpper = m_nUpper;
}

void CGradientProgressCtrl::SetStep(int nStep)
{
    m_nStep = nStep;
}

void CGradientProgressCtrl::StepIt()
{
    const long long nNext = static_cast<long long>(m_nCurrentPosition) + m_nStep;
    SetPos(static_cast<int>(std::clamp<long long>(nNext, INT_MIN, INT_MAX)));
}

void CGradientProgressCtrl::SetStartColor(COLORREF cr)
{
    m_clrStart = cr;
    update();
}

void CGradientProgressCtrl::SetEndColor(COLORREF cr)
{
    m_clrEnd = cr;
    update();
}

void CGradientProgressCtrl::SetBkColor(COLORREF cr)
{
    m_clrBkGround = cr;
    update();
}

void CGradientProgressCtrl::SetTextColor(COLORREF cr)
{
    m_clrText = cr;
    update();
}

void CGradientProgressCtrl::ShowPercent(bool bShow)
{
    m_bShowPercent = bShow;
    update();
}

void CGradientProgressCtrl::SetVertical(bool bVertical)
{
    m_bVertical = bVertical;
    update();
}

int CGradientProgressCtrl::FilledLength(int nExtent) const
{
    if (nExtent <= 0 || m_nCurrentPosition <= m_nLower || m_nCurrentPosition > m_nUpper)
        return 0;
    // The lower bound is deliberately not subtracted: the bar shows position
    // over the upper bound. Only an upper bound of 0 (reachable with a
    // negative lower bound) falls back to the share of the range.
    const double dShare = m_nUpper != 0 ? static_cast<double>(m_nCurrentPosition) / m_nUpper
                                        : static_cast<double>(m_nCurrentPosition - static_cast<long long>(m_nLower)) /
                                              (static_cast<long long>(m_nUpper) - m_nLower);
    const double dLength = dShare * nExtent;
    if (!(dLength > 0))
        return 0;
    return dLength >= nExtent ? nExtent : static_cast<int>(dLength);
}

void CGradientProgressCtrl::DrawBar(QPainter& painter, const QSize& size) const
{
    if (size.width() <= 0 || size.height() <= 0)
        return;
    const bool bFilled = m_nCurrentPosition > m_nLower && m_nCurrentPosition <= m_nUpper;
    if (!bFilled)
        painter.fillRect(QRect(QPoint(0, 0), size), palette().color(QPalette::Button));
    else
        DrawGradient(painter, size, FilledLength(m_bVertical ? size.height() : size.width()));
    if (!m_strText.isEmpty()) {
        DrawWords(painter, size, m_strText);
    } else if (bFilled && m_bShowPercent) {
        DrawPercent(painter, size);
    }
}

void CGradientProgressCtrl::SetText(const std::string& strText)
{
    const QString strNew = QString::fromStdString(strText);
    if (strNew == m_strText)
        return;
    m_strText = strNew;
    setAccessibleDescription(m_strText);
    update();
}

void CGradientProgressCtrl::DrawGradient(QPainter& painter, const QSize& size, int nFilled) const
{
    const int nExtent = m_bVertical ? size.height() : size.width();
    const int nAcross = m_bVertical ? size.width() : size.height();
    // A stretch [nFrom, nTo) along the bar, over its whole breadth; a vertical
    // bar grows from the bottom.
    auto fill = [&](int nFrom, int nTo, const QColor& color) {
        if (nTo <= nFrom)
            return;
        const QRect rc =
            m_bVertical ? QRect(0, nExtent - nTo, nAcross, nTo - nFrom) : QRect(nFrom, 0, nTo - nFrom, nAcross);
        painter.fillRect(rc, color);
    };

    const int r0 = GetRValue(m_clrStart), g0 = GetGValue(m_clrStart), b0 = GetBValue(m_clrStart);
    int dr = GetRValue(m_clrEnd) - r0, dg = GetGValue(m_clrEnd) - g0, db = GetBValue(m_clrEnd) - b0;
    int nBands = std::max({std::abs(dr), std::abs(dg), std::abs(db)});
    if (nBands == 0) {
        dr = r0;
        dg = g0;
        db = b0;
        nBands = std::max({r0, g0, b0});
        if (nBands == 0)
            nBands = BLACK_BAND_COUNT;
    }

    const double dBandSize = static_cast<double>(nExtent) / nBands;
    for (int i = 0; i < nBands; ++i) {
        const int nFrom = static_cast<int>(i * dBandSize);
        // The last band ends at the bar's end even when rounding falls short.
        const int nTo = i == nBands - 1 ? nExtent : static_cast<int>((i + 1) * dBandSize);
        fill(nFrom, nTo,
             QColor(BandComponent(r0, dr, i, nBands), BandComponent(g0, dg, i, nBands),
                    BandComponent(b0, db, i, nBands)));
        if (nFilled < nTo) {
            fill(nFilled, nExtent, ToQColor(m_clrBkGround));
            return;
        }
    }
}

void CGradientProgressCtrl::DrawPercent(QPainter& painter, const QSize& size) const
{
    // Only reached with lower < position <= upper, so the range is not empty.
    const double dRange = static_cast<double>(m_nUpper) - m_nLower;
    if (!(dRange > 0))
        return;
    char szText[32];
    std::snprintf(szText, sizeof szText, "%3.0f %%",
                  (m_nCurrentPosition - static_cast<double>(m_nLower)) * 100.0 / dRange);
    DrawWords(painter, size, QString::fromLatin1(szText));
}

void CGradientProgressCtrl::DrawWords(QPainter& painter, const QSize& size, const QString& strText) const
{
    // The words cross the whole gradient and the empty part of the bar: a
    // rim of the colour farthest from theirs keeps every glyph readable on
    // any of them.
    const QColor text = ToQColor(m_clrText);
    const QColor rim = text.lightnessF() > 0.5 ? Qt::black : Qt::white;
    const QRect rc(QPoint(0, 0), size);
    constexpr int FLAGS = Qt::AlignCenter | Qt::TextSingleLine;
    painter.setPen(rim);
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (dx != 0 || dy != 0)
                painter.drawText(rc.translated(dx, dy), FLAGS, strText);
    painter.setPen(text);
    painter.drawText(rc, FLAGS, strText);
}

void CGradientProgressCtrl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawBar(painter, size());
}
