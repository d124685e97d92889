#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include "BmpStatic.h"

namespace {
QImage Filled(const QColor& color)
{
    QImage image(12, 8, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

void Press(QWidget& target, Qt::MouseButton button)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(&target, &press);
}
}  // namespace

// Off: a click switches it on. On: clicks change nothing. The hand shows
// only while a click would do something.
TEST(BmpStatic, AClickWhileOffSwitchesOnWhileOnIsIgnored)
{
    CBmpStatic picture(nullptr, 1162);
    picture.resize(12, 8);
    picture.SetImages(Filled(Qt::green), Filled(Qt::red));
    EXPECT_TRUE(picture.GetState());
    EXPECT_EQ(picture.grab().toImage().pixelColor(2, 2), QColor(Qt::green));
    EXPECT_EQ(picture.cursor().shape(), Qt::ArrowCursor);

    Press(picture, Qt::LeftButton);
    EXPECT_TRUE(picture.GetState());

    picture.SetState(false);
    EXPECT_FALSE(picture.GetState());
    EXPECT_EQ(picture.grab().toImage().pixelColor(2, 2), QColor(Qt::red));
    EXPECT_EQ(picture.cursor().shape(), Qt::PointingHandCursor);

    Press(picture, Qt::RightButton);
    EXPECT_FALSE(picture.GetState());

    Press(picture, Qt::LeftButton);
    EXPECT_TRUE(picture.GetState());
    EXPECT_TRUE(picture.IsShowingOn());
    EXPECT_EQ(picture.grab().toImage().pixelColor(2, 2), QColor(Qt::green));
    EXPECT_EQ(picture.cursor().shape(), Qt::ArrowCursor);
}

TEST(BmpStatic, MissingSkinImagesDrawNothing)
{
    CBmpStatic picture;
    picture.resize(10, 10);
    picture.SetBitmaps(-1, -2);
    EXPECT_TRUE(picture.GetOnImage().isNull());
    picture.SetState(false);
    EXPECT_FALSE(picture.grab().isNull());
    // A picture smaller than its image shows what fits.
    picture.SetImages(Filled(Qt::blue), QImage());
    picture.resize(3, 3);
    picture.SetState(true);
    EXPECT_EQ(picture.grab().toImage().pixelColor(2, 2), QColor(Qt::blue));
}
