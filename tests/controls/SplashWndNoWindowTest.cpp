// Without the widget application no window can be made: the splash says so
// in the trace and shows nothing.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "SplashWnd.h"
#include "Trace.h"

TEST(SplashWnd, NoWindowPossibleIsTracedAndNothingShown)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Splsh.bmp"));
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::black);
    ASSERT_TRUE(image.save(path, "BMP"));

    std::string strTrace;
    TraceSink previous = SetTraceSink([&](const std::string& line) { strTrace += line; });
    CSplashWnd::EnableSplash(true);
    EXPECT_FALSE(CSplashWnd::ShowSplash(3000, path.toStdString(), nullptr));
    SetTraceSink(previous);
    EXPECT_EQ(strTrace, "Failed to create splash screen.\n");
    EXPECT_EQ(CSplashWnd::Instance(), nullptr);
}
