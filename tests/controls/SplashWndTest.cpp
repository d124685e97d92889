#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimerEvent>
#include <memory>

#include "SplashWnd.h"

namespace {
// Stands in for the main window: counts what reaches it.
class CInputCounter : public QWidget {
public:
    int m_nKeys = 0;
    int m_nPresses = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++m_nKeys; }
    void mousePressEvent(QMouseEvent*) override { ++m_nPresses; }
};

void PressKey(QWidget& target, int nKey)
{
    QKeyEvent press(QEvent::KeyPress, nKey, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &press);
}

void PressButton(QWidget& target, Qt::MouseButton button)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &press);
}

void DeleteHidden()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

struct SplashTest : ::testing::Test {
    SplashTest()
    {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(QColor(10, 120, 200));
        m_strPath = m_dir.filePath(QStringLiteral("Splsh.bmp")).toStdString();
        image.save(QString::fromStdString(m_strPath), "BMP");
        QImage small(20, 10, QImage::Format_RGB32);
        small.fill(Qt::yellow);
        m_strSmall = m_dir.filePath(QStringLiteral("small.bmp")).toStdString();
        small.save(QString::fromStdString(m_strSmall), "BMP");
        CSplashWnd::EnableSplash(true);
    }
    ~SplashTest() override
    {
        CSplashWnd::HideSplash();
        DeleteHidden();
        CSplashWnd::EnableSplash(false);
    }
    QTemporaryDir m_dir;
    std::string m_strPath;
    std::string m_strSmall;
    CInputCounter m_main;
};
}  // namespace

TEST_F(SplashTest, NotShownWithoutAFileOrPermission)
{
    EXPECT_FALSE(CSplashWnd::ShowSplash(3000, m_dir.filePath(QStringLiteral("none.bmp")).toStdString(), &m_main));
    EXPECT_EQ(CSplashWnd::Instance(), nullptr);
    EXPECT_FALSE(CSplashWnd::ShowSplash(3000, "", &m_main));
    EXPECT_FALSE(CSplashWnd::ShowSplash(0, m_strPath, &m_main));
    EXPECT_FALSE(CSplashWnd::ShowSplash(-5, m_strPath, &m_main));
    CSplashWnd::EnableSplash(false);
    EXPECT_FALSE(CSplashWnd::ShowSplash(3000, m_strPath, &m_main));
    EXPECT_EQ(CSplashWnd::Instance(), nullptr);
    // With nothing up the filter lets everything pass.
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
    EXPECT_FALSE(CSplashWnd::FilterAppMessage(&key));
    EXPECT_FALSE(CSplashWnd::SetSplashImage(m_strSmall));
}

TEST_F(SplashTest, AKeyHidesItAndIsSwallowed)
{
    ASSERT_TRUE(CSplashWnd::ShowSplash(3000, m_strPath, &m_main));
    QPointer<CSplashWnd> splash = CSplashWnd::Instance();
    ASSERT_TRUE(splash);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->size(), QSize(40, 30));
    EXPECT_EQ(splash->grab().toImage().pixelColor(5, 5), QColor(10, 120, 200));
    // Only one at a time.
    EXPECT_FALSE(CSplashWnd::ShowSplash(3000, m_strPath, &m_main));

    PressKey(m_main, Qt::Key_Escape);
    EXPECT_EQ(m_main.m_nKeys, 0);
    EXPECT_EQ(CSplashWnd::Instance(), nullptr);
    EXPECT_FALSE(splash->isVisible());
    DeleteHidden();
    EXPECT_TRUE(splash.isNull());

    // Gone: keys reach the window again.
    PressKey(m_main, Qt::Key_Escape);
    EXPECT_EQ(m_main.m_nKeys, 1);
}

TEST_F(SplashTest, MouseButtonsHideItOthersPass)
{
    ASSERT_TRUE(CSplashWnd::ShowSplash(3000, m_strPath, &m_main));
    PressButton(m_main, Qt::BackButton);
    EXPECT_EQ(m_main.m_nPresses, 1);
    EXPECT_NE(CSplashWnd::Instance(), nullptr);
    PressButton(m_main, Qt::RightButton);
    EXPECT_EQ(m_main.m_nPresses, 1);
    EXPECT_EQ(CSplashWnd::Instance(), nullptr);

    // A key that might be a shortcut is claimed first, then hides it.
    ASSERT_TRUE(CSplashWnd::ShowSplash(3000, m_strPath, &m_main));
    QKeyEvent shortcut(QEvent::ShortcutOverride, Qt::Key_Q, Qt::ControlModifier);
    shortcut.ignore();
    QCoreApplication::sendEvent(&m_main, &shortcut);
    EXPECT_TRUE(shortcut.isAccepted());
    EXPECT_NE(CSplashWnd::Instance(), nullptr);
    PressKey(m_main, Qt::Key_Q);
    EXPECT_EQ(CSplashWnd::Instance(), nullptr);
    EXPECT_EQ(m_main.m_nKeys, 0);
}

TEST_F(SplashTest, TimerOneHidesIt)
{
    ASSERT_TRUE(CSplashWnd::ShowSplash(3000, m_strPath, &m_main));
    CSplashWnd* pSplash = CSplashWnd::Instance();
    pSplash->OnTimer(2);
    QTimerEvent stranger(987654);
    QCoreApplication::sendEvent(pSplash, &stranger);
    EXPECT_EQ(CSplashWnd::Instance(), pSplash);

    pSplash->OnTimer(CSplashWnd::ID_TIMER_SPLASH);
    EXPECT_EQ(CSplashWnd::Instance(), nullptr);
    DeleteHidden();
    // And the next start may show one again.
    EXPECT_TRUE(CSplashWnd::ShowSplash(3000, m_strPath, nullptr));
}

TEST_F(SplashTest, ImageReplacedAndParentGoingFirst)
{
    auto pOwner = std::make_unique<QWidget>();
    ASSERT_TRUE(CSplashWnd::ShowSplash(3000, m_strPath, pOwner.get()));
    EXPECT_FALSE(CSplashWnd::SetSplashImage(m_dir.filePath(QStringLiteral("none.bmp")).toStdString()));
    EXPECT_EQ(CSplashWnd::Instance()->size(), QSize(40, 30));
    EXPECT_TRUE(CSplashWnd::SetSplashImage(m_strSmall));
    EXPECT_EQ(CSplashWnd::Instance()->size(), QSize(20, 10));
    EXPECT_EQ(CSplashWnd::Instance()->grab().toImage().pixelColor(3, 3), QColor(Qt::yellow));

    // The owner closing takes the splash with it; no dangling instance.
    pOwner.reset();
    EXPECT_EQ(CSplashWnd::Instance(), nullptr);
    PressKey(m_main, Qt::Key_A);
    EXPECT_EQ(m_main.m_nKeys, 1);
}
