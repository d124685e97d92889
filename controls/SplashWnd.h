// The splash picture shown when the window opens: a borderless window with
// one image that goes away after its time-out or at the first key or mouse
// press, which it swallows. At most one exists at a time.
#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QWidget>
#include <string>

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int ID_TIMER_SPLASH = 1;

    // Whether ShowSplash may show anything; off until the application allows it.
    static void EnableSplash(bool bEnable);
    static bool IsSplashEnabled();

    // Shows the image file for nTimeOut ms over pParent (or the screen).
    // False, and nothing shown, when splashes are off, one is already up, the
    // path is empty, the time-out is not positive, the image cannot be loaded
    // or no window can be made.
    static bool ShowSplash(int nTimeOut, const std::string& strImagePath, QWidget* pParent);
    // Replaces the image on show; false (old image kept) when it cannot be loaded.
    static bool SetSplashImage(const std::string& strImagePath);
    // While a splash is up, a key press or a left, right or middle button
    // press hides it and is consumed (true); a shortcut check is claimed so
    // the key press comes at all. The splash installs itself as the
    // application's event filter, so the window need not call this itself.
    static bool FilterAppMessage(QEvent* pEvent);
    static void HideSplash();

    // The splash on show, or null.
    static CSplashWnd* Instance() { return c_pSplashWnd; }

    const QImage& GetImage() const { return m_image; }
    // The splash timer's message; other ids are not ours.
    void OnTimer(int nIDEvent);

    ~CSplashWnd() override;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;

private:
    CSplashWnd(const QImage& image, QWidget* pParent);
    void Centre();

    static CSplashWnd* c_pSplashWnd;
    static bool c_bShowSplashWnd;

    QImage m_image;
    QBasicTimer m_timer;
};
