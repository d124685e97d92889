#include "AccessibleInput.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace {

// The last filter on the control: the application's filters see an event
// first, so the request arrives here only when none of them took it.
class CArrival : public QObject {
public:
    bool HasArrived() const { return m_bArrived; }

protected:
    bool eventFilter(QObject* /*pWatched*/, QEvent* pEvent) override
    {
        if (pEvent->type() != static_cast<QEvent::Type>(WM_ACCESSIBLE_INPUT))
            return false;
        m_bArrived = true;
        return true;
    }

private:
    bool m_bArrived = false;
};

}  // namespace

bool AdmitAccessibleInput(QWidget* pControl)
{
    if (!pControl || !pControl->isVisible() || !pControl->isEnabled())
        return false;
    QWidget* pModal = QApplication::activeModalWidget();
    if (pModal && pModal != pControl->window())
        return false;
    CArrival arrival;
    pControl->installEventFilter(&arrival);
    QEvent request(static_cast<QEvent::Type>(WM_ACCESSIBLE_INPUT));
    QCoreApplication::sendEvent(pControl, &request);
    pControl->removeEventFilter(&arrival);
    return arrival.HasArrived();
}

bool ClickAsUser(QWidget* pControl)
{
    if (!AdmitAccessibleInput(pControl))
        return false;
    const QPointF ptLocal = QRectF(pControl->rect()).center();
    const QPointF ptGlobal = pControl->mapToGlobal(ptLocal);
    QMouseEvent press(QEvent::MouseButtonPress, ptLocal, ptGlobal, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pControl, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, ptLocal, ptGlobal, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pControl, &release);
    // The pointer never came: no hover look left behind.
    if (!pControl->underMouse()) {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(pControl, &leave);
    }
    return true;
}

bool ClickOnActivationKey(QKeyEvent& keyEvent, const std::function<void()>& fnClick)
{
    // Enter on the keypad carries the keypad modifier, which is no modifier
    // the user holds.
    if ((keyEvent.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    switch (keyEvent.key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Select:
        break;
    default:
        return false;
    }
    if (!keyEvent.isAutoRepeat())
        fnClick();
    keyEvent.accept();
    return true;
}
