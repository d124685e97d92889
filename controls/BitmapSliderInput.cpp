// The fader under the mouse and the keyboard: drags with their reports at
// most every 200 ms, the navigation keys, the focus and the window's requests.
#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimerEvent>
#include <algorithm>
#include <cstdlib>

#include "BitmapSlider.h"
#include "WindowMessage.h"

// ---- mouse -----------------------------------------------------------------

void CBitmapSlider::mousePressEvent(QMouseEvent* e)
{
    if (!m_bEnable || e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    // Qt keeps sending the mouse to the widget that took the press until the
    // button is released, which stands in for capturing it.
    setFocus(Qt::MouseFocusReason);
    m_bDragging = true;

    const QPoint point = e->position().toPoint();
    const int nPointer = m_bVertical ? point.y() : point.x();
    const int nThumb = m_bVertical ? m_nThumbHeight : m_nThumbWidth;
    const long long nDiff = static_cast<long long>(nPointer) - Pos2Pixel(m_nPos);
    // A press on the thumb keeps the grab point under the pointer; anywhere
    // else the thumb centre jumps to the pointer.
    m_nClickOffset = std::llabs(nDiff) <= nThumb / 2 ? int(nDiff) : 0;

    OnMouseMove(point);
    m_timer.start(SLIDER_TIMER_MS, this);
    update();
    e->accept();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_bEnable || !m_bDragging) {
        QWidget::mouseMoveEvent(e);
        return;
    }
    OnMouseMove(e->position().toPoint());
    e->accept();
}

void CBitmapSlider::OnMouseMove(const QPoint& point)
{
    const long long nPointer = m_bVertical ? point.y() : point.x();
    const long long nMargin = m_bVertical ? m_nMarginTop : m_nMarginLeft;
    const long long nFarMargin = m_bVertical ? m_nMarginBottom : m_nMarginRight;
    const long long nThumb = m_bVertical ? m_nThumbHeight : m_nThumbWidth;
    const long long nExtent = m_bVertical ? m_nHeight : m_nWidth;
    const long long nLow = nMargin + nThumb / 2;
    const long long nHigh = std::max(nLow, nExtent - nFarMargin - nThumb / 2);
    const int nPixel = ClampToInt(std::clamp(nPointer - m_nClickOffset, nLow, nHigh));
    if (nPixel != Pos2Pixel(m_nPos)) {
        SetPosClamped(Pixel2Pos(nPixel));
        m_bMoved = true;
    }
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* e)
{
    if (!m_bEnable || e->button() != Qt::LeftButton || !m_bDragging) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    m_bDragging = false;
    update();
    PostToParent(WM_SLIDER_MOVED);
    m_bMoved = false;
    m_timer.stop();
    e->accept();
}

void CBitmapSlider::EndDrag()
{
    if (!m_bDragging)
        return;
    m_bDragging = false;
    m_timer.stop();
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    // The window must not be left with a position the drag never reported.
    if (m_bMoved)
        PostToParent(WM_SLIDER_MOVED);
    m_bMoved = false;
    update();
}

void CBitmapSlider::timerEvent(QTimerEvent* e)
{
    if (m_timer.isActive() && e->timerId() == m_timer.timerId()) {
        OnTimer(ID_TIMER_SLIDER);
        return;
    }
    QWidget::timerEvent(e);
}

void CBitmapSlider::OnTimer(int nIDEvent)
{
    if (nIDEvent == ID_TIMER_SLIDER && m_bMoved) {
        PostToParent(WM_SLIDER_MOVING);
        m_bMoved = false;
    }
}

// ---- keyboard and focus ----------------------------------------------------

void CBitmapSlider::keyPressEvent(QKeyEvent* e)
{
    // Tab never gets here: Qt moves the focus with it first.
    if (!m_bEnable) {
        QWidget::keyPressEvent(e);
        return;
    }
    const long long nPos = m_nPos;
    switch (e->key()) {
    case Qt::Key_PageUp:
        SetPosClamped(nPos - m_nPage);
        break;
    case Qt::Key_PageDown:
        SetPosClamped(nPos + m_nPage);
        break;
    case Qt::Key_End:
        SetPosClamped(m_nMax);
        break;
    case Qt::Key_Home:
        SetPosClamped(m_nMin);
        break;
    case Qt::Key_Up:
        SetPosClamped(nPos - 1);
        break;
    case Qt::Key_Down:
        SetPosClamped(nPos + 1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        // Reported unchanged: the window moves the focus along the faders
        // with these keys.
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    PostToParent(WM_SLIDER_MOVED);
    e->accept();
}

void CBitmapSlider::focusInEvent(QFocusEvent* e)
{
    m_bFocus = true;
    PostToParent(WM_SLIDER_MOVING);
    update();
    QWidget::focusInEvent(e);
}

void CBitmapSlider::focusOutEvent(QFocusEvent* e)
{
    m_bFocus = false;
    update();
    QWidget::focusOutEvent(e);
}

// ---- messages and state changes -------------------------------------------

bool CBitmapSlider::event(QEvent* e)
{
    if (e->type() == static_cast<QEvent::Type>(WM_SLIDER_TAKEFOCUS) && dynamic_cast<CWindowMessageEvent*>(e)) {
        // A disabled control cannot hold the focus, so it does not claim it.
        // While a box holds the window the focus only moves once the window
        // is back: the flag follows the real focus, or frames would stay
        // behind on every fader asked in the meantime.
        if (isEnabled()) {
            setFocus(Qt::OtherFocusReason);
            m_bFocus = hasFocus();
            update();
        }
        return true;
    }
    return QWidget::event(e);
}

void CBitmapSlider::changeEvent(QEvent* e)
{
    // Once disabled (by Enable or with the whole window) the release would
    // never arrive, so a drag in progress ends here.
    if (e->type() == QEvent::EnabledChange && !isEnabled())
        EndDrag();
    QWidget::changeEvent(e);
}

void CBitmapSlider::PostToParent(int nMsg)
{
    PostWindowMessage(parentWidget(), nMsg, static_cast<WPARAM>(m_nID), static_cast<LPARAM>(m_nPos));
}
