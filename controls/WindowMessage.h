// Window messages on Qt: a control tells its parent what happened by posting
// or sending a message number with two parameters, as the window expects.
// Private messages keep their numbers as Qt event types (all lie in Qt's user
// event range); the platform's command message travels as WM_COMMAND_EVENT.
#pragma once

#include <QEvent>
#include <cstdint>

class QObject;

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// The command message (a click, a changed field): wParam holds the control
// id in its low word and the notification code in its high word.
inline constexpr int WM_COMMAND_EVENT = 0x8111;
inline constexpr int BN_CLICKED = 0;

inline constexpr WPARAM MakeWParam(int nLow, int nHigh)
{
    return (static_cast<WPARAM>(nLow) & 0xFFFF) | ((static_cast<WPARAM>(nHigh) & 0xFFFF) << 16);
}

class CWindowMessageEvent : public QEvent {
public:
    CWindowMessageEvent(int nMsg, WPARAM wParam, LPARAM lParam);

    int Message() const { return static_cast<int>(type()); }
    WPARAM wParam() const { return m_wParam; }
    LPARAM lParam() const { return m_lParam; }
    // What the receiver answers to a sent message.
    LRESULT m_lResult = 0;

private:
    WPARAM m_wParam;
    LPARAM m_lParam;
};

// Queued for the target's thread; safe from any thread. Nothing is posted to
// a null target.
void PostWindowMessage(QObject* pTarget, int nMsg, WPARAM wParam, LPARAM lParam);
// Delivered at once on the caller's thread; returns the receiver's result
// (0 for a null target or an unhandled message).
LRESULT SendWindowMessage(QObject* pTarget, int nMsg, WPARAM wParam, LPARAM lParam);
