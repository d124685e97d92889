#include "WindowMessage.h"

#include <QCoreApplication>

CWindowMessageEvent::CWindowMessageEvent(int nMsg, WPARAM wParam, LPARAM lParam)
    : QEvent(static_cast<QEvent::Type>(nMsg)), m_wParam(wParam), m_lParam(lParam)
{
}

void PostWindowMessage(QObject* pTarget, int nMsg, WPARAM wParam, LPARAM lParam)
{
    if (pTarget)
        QCoreApplication::postEvent(pTarget, new CWindowMessageEvent(nMsg, wParam, lParam));
}

LRESULT SendWindowMessage(QObject* pTarget, int nMsg, WPARAM wParam, LPARAM lParam)
{
    if (!pTarget)
        return 0;
    CWindowMessageEvent event(nMsg, wParam, lParam);
    QCoreApplication::sendEvent(pTarget, &event);
    return event.m_lResult;
}
