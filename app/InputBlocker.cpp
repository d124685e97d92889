#include "InputBlocker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include "AccessibleInput.h"

CInputBlocker::~CInputBlocker()
{
    Block(false);
}

void CInputBlocker::Block(bool bBlock)
{
    if (bBlock == m_bBlocking)
        return;
    m_bBlocking = bBlock;
    if (bBlock) {
        qApp->installEventFilter(this);
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        qApp->removeEventFilter(this);
        QApplication::restoreOverrideCursor();
    }
}

bool CInputBlocker::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // As a plain number: the accessible-input event is ours, not one of Qt's types.
    switch (static_cast<int>(pEvent->type())) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::DragEnter:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case WM_ACCESSIBLE_INPUT: {
        auto* pWidget = qobject_cast<QWidget*>(pWatched);
        return pWidget && pWidget->window() == &m_window;
    }
    default:
        return false;
    }
}
