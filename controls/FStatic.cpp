#include "FStatic.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <algorithm>
#include <cstdio>

#include "Audio_Data.h"
#include "GraphOverlay.h"
#include "MemDC.h"
#include "PlotMapping.h"
#include "QtColor.h"
#include "QtRect.h"

namespace {
const QColor AXIS_COLOUR(100, 100, 100);
const QColor PLOT_BORDER_COLOUR(0, 180, 0);
const QColor GRID_COLOUR(21, 100, 21);
const QColor FOCUS_FILL_COLOUR(68, 86, 98);
const QColor TEXT_COLOUR(255, 255, 255);

// The plot area inside the graph: the rest is the axes' margin.
constexpr int PLOT_RIGHT_MARGIN = 10;
constexpr int PLOT_BOTTOM_MARGIN = 20;
constexpr int LEVEL_STEPS = 12;  // 5 dB each
constexpr int LEVEL_LABEL_X = 6;
constexpr int LEVEL_TOP_DB = 30;

// Vertical grid lines: 20..90 Hz, 100..900 Hz, 1..10 kHz.
int GridFrequency(int i)
{
    if (i < 9)
        return (i + 2) * 10;
    if (i < 18)
        return (i - 7) * 100;
    return (i - 16) * 1000;
}

// Text whose top-left corner is at (x, y), as the axes place their labels.
void TextOut(QPainter& dc, int x, int y, const char* szText)
{
    dc.drawText(QRect(x, y, 1000, 1000), Qt::AlignLeft | Qt::AlignTop, QString::fromLatin1(szText));
}

CPoint PointOf(const QMouseEvent* pEvent)
{
    const QPoint pt = pEvent->position().toPoint();
    return {pt.x(), pt.y()};
}

bool IsCrossover(const CFilter* pFilter)
{
    return pFilter->GetType() == FILTER_HIGH_PASS || pFilter->GetType() == FILTER_LOW_PASS;
}
}  // namespace

std::string CFStatic::LevelLabel(int nDb)
{
    if (nDb == 0)
        return "0dB";
    // Signed both ways, so "+10" and "10" are never told apart by eye.
    char szText[16];
    std::snprintf(szText, sizeof szText, "%+d", nDb);
    return szText;
}

CFStatic::CFStatic(QWidget* pParent, int nCtrlId) : QWidget(pParent), m_nCtrlId(nCtrlId)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CFStatic::InitLayout()
{
    m_rcClient = {0, 0, width(), height()};
    m_rcPlot = {m_rcClient.left + PLOT_LEFT, m_rcClient.top + PLOT_TOP, m_rcClient.right - PLOT_RIGHT_MARGIN,
                m_rcClient.bottom - PLOT_BOTTOM_MARGIN};
    for (int i = 0; i < GRID_LINES; ++i)
        m_nGridX[i] = FreqToX(GridFrequency(i), m_rcPlot.Width()) + PLOT_LEFT;
    m_timerNotify.start(NOTIFY_PERIOD_MS, this);
}

void CFStatic::ShowChannel(int i)
{
    if (!m_pChannels || i < 0 || i >= CAudio_OutRoute::GetSize())
        return;
    m_nShownChannel = i;
    m_pChannel = &m_pChannels->GetOutData(i);
    m_pEQ = &m_pChannel->GetEQ();
    m_pChannel->SetArea(m_rcPlot);
    m_pHot = nullptr;
    m_lNotifyParam = 0;
    Redraw(-1);
}

void CFStatic::Redraw(int nSelected)
{
    m_nSelected = nSelected;
    DrawPlot();
    update();
}

bool CFStatic::ImageFits() const
{
    return m_image.deviceIndependentSize().toSize() == size() && m_image.devicePixelRatio() == devicePixelRatioF();
}

bool CFStatic::HasDrawingArea() const
{
    return width() > 0 && height() > 0;
}

void CFStatic::DrawAxes()
{
    if (!HasDrawingArea())
        return;
    if (!ImageFits()) {
        // As many pixels as the screen shows, so lines and text stay sharp
        // on a scaled screen.
        const qreal dRatio = devicePixelRatioF();
        m_image = QImage((QSizeF(size()) * dRatio).toSize(), QImage::Format_RGB32);
        m_image.setDevicePixelRatio(dRatio);
    }
    CMemDC memDC(&m_image, ToQRect(m_rcClient));
    QPainter& dc = memDC.Painter();
    dc.setFont(font());
    dc.setPen(AXIS_COLOUR);
    dc.setBrush(Qt::black);
    dc.drawRect(ToQRect(m_rcClient).adjusted(0, 0, -1, -1));

    const int H = m_rcPlot.Height();
    const int nStep = H / LEVEL_STEPS;
    // A label every 10 dB: the top one just inside the graph, the bottom one
    // on the plot's last line, the others beside their grid lines.
    for (int k = 0; k <= LEVEL_STEPS / 2; ++k) {
        const int y = k == 0 ? m_rcClient.top + 5 : k == LEVEL_STEPS / 2 ? H : 2 * k * nStep + 3;
        TextOut(dc, LEVEL_LABEL_X, y, LevelLabel(LEVEL_TOP_DB - 10 * k).c_str());
    }

    // Each frequency label centred under its grid line, kept inside the graph.
    const int W = m_rcPlot.Width();
    const int y = m_rcPlot.bottom;
    const struct {
        int nFreq;
        const char* szText;
    } freqLabels[] = {{20, "20"},   {50, "50"},   {100, "100"}, {200, "200"},   {500, "500"},
                      {1000, "1K"}, {2000, "2K"}, {5000, "5K"}, {10000, "10K"}, {20000, "20K"}};
    const QFontMetrics metrics(dc.font());
    for (const auto& label : freqLabels) {
        const QString strText = QString::fromLatin1(label.szText);
        const int nWidth = metrics.horizontalAdvance(strText);
        const int xLine = FreqToX(label.nFreq, W) + PLOT_LEFT;
        const int x = std::clamp(xLine - nWidth / 2, m_rcClient.left + 1, m_rcClient.right - nWidth - 2);
        TextOut(dc, x, y, label.szText);
    }
}

CFilter* CFStatic::FocusElement()
{
    if (m_nSelected >= 0 && m_pEQ && m_nSelected < m_pEQ->GetSize())
        return &m_pEQ->GetAt(m_nSelected);
    return m_pHot;
}

void CFStatic::DrawPlot()
{
    if (!HasDrawingArea())
        return;
    if (!ImageFits())
        DrawAxes();
    const QRect rcPlot = ToQRect(m_rcPlot);
    if (rcPlot.isEmpty())
        return;
    // Only the plot area is redrawn; what falls outside it is cut off.
    CMemDC memDC(&m_image, rcPlot);
    QPainter& dc = memDC.Painter();
    dc.setFont(font());
    dc.setPen(PLOT_BORDER_COLOUR);
    dc.setBrush(Qt::black);
    dc.drawRect(ToQRect(m_rcPlot).adjusted(0, 0, -1, -1));

    CFilter* pFocus = m_pEQ ? FocusElement() : nullptr;
    if (pFocus) {
        QPolygon outline(POLYGON_POINTS);
        for (int i = 0; i < POLYGON_POINTS; ++i)
            outline.setPoint(i, pFocus->m_ptPolygon[i].x, pFocus->m_ptPolygon[i].y);
        dc.setPen(FOCUS_FILL_COLOUR);
        dc.setBrush(FOCUS_FILL_COLOUR);
        dc.drawPolygon(outline);
    }

    dc.setPen(GRID_COLOUR);
    for (int i = 1; i < GRID_LINES; ++i)
        dc.drawLine(m_nGridX[i], m_rcPlot.top, m_nGridX[i], m_rcPlot.bottom);
    for (int i = 1; i <= LEVEL_STEPS; ++i) {
        const int y = m_rcPlot.top + static_cast<int>(m_rcPlot.Height() / static_cast<double>(LEVEL_STEPS) * i);
        dc.drawLine(m_rcPlot.left, y, m_rcPlot.right, y);
    }

    dc.setBackgroundMode(Qt::TransparentMode);
    if (!m_pChannel)
        return;
    m_pChannel->Recompute();
    if (m_pOverlay)
        m_pOverlay->Draw(dc, *m_pChannel, m_nShownChannel);
    QPolygon curve(GRID_POINTS);
    for (int i = 0; i < GRID_POINTS; ++i)
        curve.setPoint(i, m_pChannel->m_aptCurve[i].x, m_pChannel->m_aptCurve[i].y);
    dc.setPen(ToQColor(m_pChannel->GetCurveColor()));
    dc.drawPolyline(curve);

    dc.setPen(TEXT_COLOUR);
    DrawHandleTexts(dc);
    if (m_pOverlay)
        m_pOverlay->DrawOverHandles(dc, *m_pChannel, m_nShownChannel);
    if (pFocus)
        DrawValueLabel(dc, *pFocus);
}

void CFStatic::DrawHandleTexts(QPainter& dc)
{
    // From the last element down, so lower numbers end up on top.
    for (int i = m_pEQ->GetSize() - 1; i >= 0; --i) {
        const CFilter& element = m_pEQ->GetAt(i);
        char szText[16];
        switch (element.GetType()) {
        case FILTER_HIGH_PASS:
            std::snprintf(szText, sizeof szText, "H");
            break;
        case FILTER_LOW_PASS:
            std::snprintf(szText, sizeof szText, "L");
            break;
        default:
            std::snprintf(szText, sizeof szText, "%d", i + 1);
            break;
        }
        Qt::Alignment align = Qt::AlignHCenter;
        if (element.m_rcHandle.right == m_rcPlot.right)
            align = Qt::AlignLeft;
        else if (element.GetFrequency() <= HIGH_PASS_OFF_HZ)
            align = Qt::AlignRight;
        else if (element.GetFrequency() >= LOW_PASS_OFF_HZ)
            align = Qt::AlignLeft;
        dc.drawText(ToQRect(element.m_rcHandle), align | Qt::AlignVCenter, QString::fromLatin1(szText));
    }
}

void CFStatic::OnLButtonDown(CPoint pt)
{
    if (m_bOverHandle && m_pHot && m_pHot->m_bHover) {
        m_pHot->m_bDragging = 1;
        m_pHot->GrabAt(pt);
    }
}

void CFStatic::OnLButtonUp(CPoint /*pt*/)
{
    if (m_pHot && m_pHot->m_bHover) {
        m_pHot->m_bDragging = 0;
        m_pHot->m_bHover = 0;
        m_bOverHandle = 0;
    }
    UpdateCursor();
}

void CFStatic::OnMouseMove(CPoint pt)
{
    if (!m_pEQ) {
        m_bOverHandle = 0;
        UpdateCursor();
        return;
    }
    if (m_pHot && IsCrossover(m_pHot)) {
        CrossoverMove(pt);
    } else if (m_pHot && !m_pHot->m_rcHandle.PtInRect(pt) && m_pHot->m_bDragging) {
        // The handle jumps under the pointer on this step.
        m_bChanged = m_pHot->DragGain(pt);
        if (m_bChanged)
            m_bNotifyPending = 1;
        Redraw(-1);
        m_bOverHandle = 0;
    } else if (m_pHot && m_pHot->m_rcHandle.PtInRect(pt)) {
        m_pHot->m_bHover = 1;
        if (m_pHot->m_bDragging) {
            m_bChanged = m_pHot->DragGain(pt);
            if (m_bChanged) {
                m_bNotifyPending = 1;
                Redraw(-1);
            }
        }
        m_bOverHandle = 1;
    } else {
        m_bOverHandle = 0;
        for (int i = 0; i < m_pEQ->GetSize(); ++i) {
            CFilter& element = m_pEQ->GetAt(i);
            if (element.m_rcHandle.PtInRect(pt)) {
                // The element found stays hot while nothing else is hovered,
                // so its outline and label stay shown.
                m_pHot = &element;
                m_pHot->m_bHover = 1;
                m_nHotIndex = i;
                Redraw(-1);
                m_bOverHandle = 1;
                break;
            }
        }
    }
    UpdateCursor();
}

void CFStatic::CrossoverMove(CPoint pt)
{
    const bool bHighPass = m_pHot->GetType() == FILTER_HIGH_PASS;
    const int nBound = m_pEQ->GetAt(bHighPass ? EQ_LOW_PASS : EQ_HIGH_PASS).GetFrequency();
    const bool bInside = m_pHot->m_rcHandle.PtInRect(pt);
    if (!bInside && m_pHot->m_bDragging) {
        m_bChanged = m_pHot->DragFrequency(pt, nBound);
        if (m_bChanged)
            m_bNotifyPending = 1;
        Redraw(-1);
        m_bOverHandle = 1;
    } else if (!bInside) {
        m_pHot = nullptr;
        m_bOverHandle = 0;
    } else {
        // Hovering again right after a drag ended makes the handle grabbable
        // without leaving it first, as the band handles are.
        m_pHot->m_bHover = 1;
        if (m_pHot->m_bDragging) {
            m_bChanged = m_pHot->DragFrequency(pt, nBound);
            if (m_bChanged) {
                m_bNotifyPending = 1;
                Redraw(-1);
            }
        }
        m_bOverHandle = 1;
    }
}

void CFStatic::OnTimer(int nIDEvent)
{
    if (nIDEvent != ID_TIMER_GRAPH || !m_pNotifyWnd || !m_bNotifyPending)
        return;
    m_bNotifyPending = 0;
    SendWindowMessage(m_pNotifyWnd, WM_GRAPH_CHANGED, static_cast<WPARAM>(m_nHotIndex), m_lNotifyParam);
}

bool CFStatic::IsDragging() const
{
    return m_bNotifyPending || (m_pHot && m_pHot->m_bDragging);
}

void CFStatic::UpdateCursor()
{
    if (m_bOverHandle)
        setCursor(m_hDragCursor);
    else
        unsetCursor();
}

void CFStatic::paintEvent(QPaintEvent* /*pEvent*/)
{
    DrawAxes();
    DrawPlot();
    QPainter painter(this);
    if (m_image.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(0, 0, m_image);
}

void CFStatic::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    // The window lays the graph out once; a later size change (a zoomed
    // window) lays it out again so the plot follows.
    if (m_timerNotify.isActive()) {
        InitLayout();
        if (m_pChannel)
            m_pChannel->SetArea(m_rcPlot);
    }
}

void CFStatic::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonDown(PointOf(pEvent));
}

void CFStatic::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    mousePressEvent(pEvent);
}

void CFStatic::mouseReleaseEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonUp(PointOf(pEvent));
}

void CFStatic::mouseMoveEvent(QMouseEvent* pEvent)
{
    OnMouseMove(PointOf(pEvent));
}

void CFStatic::timerEvent(QTimerEvent* pEvent)
{
    if (pEvent->timerId() == m_timerNotify.timerId())
        OnTimer(ID_TIMER_GRAPH);
    else
        QWidget::timerEvent(pEvent);
}
