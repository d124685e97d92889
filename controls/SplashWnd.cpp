#include "SplashWnd.h"
#include "FilePathText.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include "Trace.h"

CSplashWnd* CSplashWnd::c_pSplashWnd = nullptr;
bool CSplashWnd::c_bShowSplashWnd = false;

namespace {
QImage LoadImageFile(const std::string& strPath)
{
    if (strPath.empty())
        return QImage();
    return QImage(PathToQString(strPath));
}

bool IsSplashButton(Qt::MouseButton button)
{
    return button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton;
}
}  // namespace

void CSplashWnd::EnableSplash(bool bEnable)
{
    c_bShowSplashWnd = bEnable;
}

bool CSplashWnd::IsSplashEnabled()
{
    return c_bShowSplashWnd;
}

bool CSplashWnd::ShowSplash(int nTimeOut, const std::string& strImagePath, QWidget* pParent)
{
    if (!c_bShowSplashWnd || c_pSplashWnd || strImagePath.empty() || nTimeOut <= 0)
        return false;
    const QImage image = LoadImageFile(strImagePath);
    if (image.isNull())
        return false;
    // Widgets need the widget application; without it there is no window to make.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        Trace("Failed to create splash screen.\n");
        return false;
    }

    // Owned by the parent when there is one; HideSplash deletes it otherwise.
    auto* pSplash = new CSplashWnd(image, pParent);
    c_pSplashWnd = pSplash;
    pSplash->Centre();
    pSplash->show();
    pSplash->repaint();
    pSplash->m_timer.start(nTimeOut, pSplash);
    qApp->installEventFilter(pSplash);
    return true;
}

bool CSplashWnd::SetSplashImage(const std::string& strImagePath)
{
    if (!c_pSplashWnd)
        return false;
    const QImage image = LoadImageFile(strImagePath);
    if (image.isNull())
        return false;
    c_pSplashWnd->m_image = image;
    c_pSplashWnd->setFixedSize(image.size());
    c_pSplashWnd->Centre();
    c_pSplashWnd->update();
    return true;
}

bool CSplashWnd::FilterAppMessage(QEvent* pEvent)
{
    if (!c_pSplashWnd || !pEvent)
        return false;
    switch (pEvent->type()) {
    case QEvent::ShortcutOverride:
        // Claim the key so no shortcut takes it; its key press then hides us.
        pEvent->accept();
        return true;
    case QEvent::KeyPress:
        HideSplash();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        if (!IsSplashButton(static_cast<QMouseEvent*>(pEvent)->button()))
            return false;
        HideSplash();
        return true;
    default:
        return false;
    }
}

void CSplashWnd::HideSplash()
{
    CSplashWnd* pSplash = c_pSplashWnd;
    if (!pSplash)
        return;
    c_pSplashWnd = nullptr;
    pSplash->m_timer.stop();
    qApp->removeEventFilter(pSplash);
    pSplash->hide();
    QWidget* pMain = pSplash->parentWidget() ? pSplash->parentWidget()->window() : nullptr;
    // Hiding can run inside the splash's own timer or filter call.
    pSplash->deleteLater();
    if (pMain && pMain->isVisible())
        pMain->repaint();
}

CSplashWnd::CSplashWnd(const QImage& image, QWidget* pParent)
    : QWidget(pParent, Qt::SplashScreen | Qt::FramelessWindowHint), m_image(image)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setCursor(Qt::ArrowCursor);
    setFixedSize(m_image.size());
}

CSplashWnd::~CSplashWnd()
{
    // Destroyed with its parent while still up.
    if (c_pSplashWnd == this) {
        c_pSplashWnd = nullptr;
        if (qApp)
            qApp->removeEventFilter(this);
    }
}

void CSplashWnd::Centre()
{
    // Over the owner when it is on screen, otherwise in the middle of the screen.
    QWidget* pOwner = parentWidget() ? parentWidget()->window() : nullptr;
    QRect rcAround;
    if (pOwner && pOwner->isVisible() && !pOwner->isMinimized()) {
        rcAround = pOwner->frameGeometry();
    } else {
        QScreen* pScreen = pOwner ? pOwner->screen() : QGuiApplication::primaryScreen();
        if (pScreen)
            rcAround = pScreen->availableGeometry();
    }
    if (!rcAround.isValid())
        return;
    QRect rc(QPoint(0, 0), size());
    rc.moveCenter(rcAround.center());
    move(rc.topLeft());
}

void CSplashWnd::OnTimer(int nIDEvent)
{
    if (nIDEvent == ID_TIMER_SPLASH && c_pSplashWnd == this)
        HideSplash();
}

bool CSplashWnd::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (FilterAppMessage(pEvent))
        return true;
    return QWidget::eventFilter(pWatched, pEvent);
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_image);
}

void CSplashWnd::timerEvent(QTimerEvent* pEvent)
{
    if (pEvent->timerId() == m_timer.timerId())
        OnTimer(ID_TIMER_SPLASH);
    else
        QWidget::timerEvent(pEvent);
}
