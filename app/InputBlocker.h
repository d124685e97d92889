// Keeps the user's input away from one window while it is busy with a
// transfer. The window is not disabled for that: a disabled control would
// change its look and say something false (a channel key reading "BASS MODE",
// the CONNECT light going out in the middle of a write).
#pragma once

#include <QObject>

class QWidget;

class CInputBlocker : public QObject {
public:
    explicit CInputBlocker(QWidget& window) : m_window(window) {}
    ~CInputBlocker() override;

    // While blocking, clicks, keys, the wheel and accessibility tools'
    // requests on the window and its controls are dropped and the pointer
    // shows busy.
    void Block(bool bBlock);
    bool IsBlocking() const { return m_bBlocking; }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    QWidget& m_window;
    bool m_bBlocking = false;
};
