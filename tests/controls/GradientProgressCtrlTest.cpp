#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "GradientProgressCtrl.h"
#include "QtColor.h"

namespace {
constexpr CGradientProgressCtrl::COLORREF GREEN = 0x00FF00;

QImage Shot(CGradientProgressCtrl& bar)
{
    return bar.grab().toImage();
}

QColor At(const QImage& image, int x, int y = 2)
{
    return image.pixelColor(x, y);
}

// 255 pixels wide with the default red-to-blue gradient: one band per pixel,
// band i is (255 - i, 0, i).
struct Bar255 : ::testing::Test {
    Bar255()
    {
        bar.resize(255, 6);
        bar.SetBkColor(GREEN);
        bar.SetRange(0, 255);
    }
    CGradientProgressCtrl bar;
};
}  // namespace

TEST_F(Bar255, GradientBandsAtTheEndsAndTheFilledEdge)
{
    const QColor face = bar.palette().color(QPalette::Button);
    // At the lower bound: the plain face, no gradient, no background colour.
    QImage image = Shot(bar);
    EXPECT_EQ(At(image, 0), face);
    EXPECT_EQ(At(image, 254), face);

    // One step above: the first band only, the rest in the background colour.
    bar.SetPos(1);
    image = Shot(bar);
    EXPECT_EQ(At(image, 0), QColor(255, 0, 0));
    EXPECT_EQ(At(image, 1), QColor(0, 255, 0));
    EXPECT_EQ(At(image, 254, 5), QColor(0, 255, 0));

    bar.SetPos(128);
    image = Shot(bar);
    EXPECT_EQ(At(image, 127), QColor(128, 0, 127));
    EXPECT_EQ(At(image, 128), QColor(0, 255, 0));

    // Full: red in the first column, nearly blue in the last, every row.
    bar.SetPos(255);
    image = Shot(bar);
    EXPECT_EQ(At(image, 0, 0), QColor(255, 0, 0));
    EXPECT_EQ(At(image, 254, 0), QColor(1, 0, 254));
    EXPECT_EQ(At(image, 254, 5), QColor(1, 0, 254));

    // Above the upper bound: held at it, still the full gradient.
    bar.SetPos(1000);
    EXPECT_EQ(bar.GetPos(), 255);
    EXPECT_EQ(At(Shot(bar), 254), QColor(1, 0, 254));
}

TEST_F(Bar255, RangesAndBadInput)
{
    // The filled length is position over the upper bound, lower bound or not.
    bar.resize(200, 6);
    bar.SetRange(100, 200);
    EXPECT_EQ(bar.GetPos(), 100);
    bar.SetPos(150);
    EXPECT_EQ(bar.FilledLength(200), 150);
    QImage image = Shot(bar);
    EXPECT_NE(At(image, 149), QColor(0, 255, 0));
    EXPECT_EQ(At(image, 150), QColor(0, 255, 0));

    // An empty range only ever shows the face.
    const QColor face = bar.palette().color(QPalette::Button);
    bar.SetRange(50, 50);
    bar.SetPos(60);
    EXPECT_EQ(bar.GetPos(), 50);
    EXPECT_EQ(bar.FilledLength(200), 0);
    EXPECT_EQ(At(Shot(bar), 100), face);
    bar.ShowPercent(true);
    EXPECT_EQ(At(Shot(bar), 100), face);

    // An upper bound of 0 cannot be divided by: the share of the range is used.
    bar.SetRange(-10, 0);
    bar.SetPos(-5);
    EXPECT_EQ(bar.FilledLength(200), 100);
    bar.SetPos(0);
    EXPECT_EQ(bar.FilledLength(200), 200);
    // A position below zero over a positive bound fills nothing.
    bar.SetRange(-100, 100);
    bar.SetPos(-50);
    EXPECT_EQ(bar.FilledLength(200), 0);
    // Negative bounds: never more than the bar.
    bar.SetRange(-100, -2);
    bar.SetPos(-5);
    EXPECT_EQ(bar.FilledLength(200), 200);
    EXPECT_EQ(bar.FilledLength(0), 0);

    // Zero width or height: nothing drawn at all, not even outside.
    QImage canvas(4, 4, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        bar.DrawBar(painter, QSize(0, 4));
        bar.DrawBar(painter, QSize(4, 0));
    }
    EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::white));
    bar.resize(0, 0);
    EXPECT_TRUE(Shot(bar).isNull() || Shot(bar).width() == 0);

    // Steps held at the end, even a huge one.
    bar.SetRange(0, 100);
    bar.SetStep(INT32_MAX);
    bar.StepIt();
    bar.StepIt();
    EXPECT_EQ(bar.GetPos(), 100);
}

TEST_F(Bar255, EqualColoursStillPaintBands)
{
    bar.SetPos(255);
    // Black to black: 255 bands, all black.
    bar.SetStartColor(0);
    bar.SetEndColor(0);
    QImage image = Shot(bar);
    EXPECT_EQ(At(image, 0), QColor(0, 0, 0));
    EXPECT_EQ(At(image, 254), QColor(0, 0, 0));

    // Equal grey: the bands rise from the grey by its own amount (64 bands).
    bar.resize(64, 6);
    bar.SetRange(0, 64);
    bar.SetPos(64);
    bar.SetStartColor(0x404040);
    bar.SetEndColor(0x404040);
    image = Shot(bar);
    EXPECT_EQ(At(image, 0), QColor(64, 64, 64));
    EXPECT_EQ(At(image, 63), QColor(127, 127, 127));

    // A bright start would pass 255: held at full red instead of wrapping.
    bar.resize(200, 6);
    bar.SetRange(0, 200);
    bar.SetPos(200);
    bar.SetStartColor(0x0000C8);
    bar.SetEndColor(0x0000C8);
    image = Shot(bar);
    EXPECT_EQ(At(image, 0), QColor(200, 0, 0));
    EXPECT_EQ(At(image, 199), QColor(255, 0, 0));

    // Seven bands over 115 pixels: 7 x (115 / 7) rounds to just below 115,
    // yet the last band reaches the very end.
    bar.resize(115, 6);
    bar.SetRange(0, 115);
    bar.SetPos(115);
    bar.SetStartColor(0x000000);
    bar.SetEndColor(0x000007);
    EXPECT_EQ(At(Shot(bar), 114), QColor(6, 0, 0));
}

TEST_F(Bar255, VerticalAndPercentText)
{
    bar.resize(6, 255);
    bar.SetVertical(true);
    bar.SetPos(1);
    QImage image = Shot(bar);
    EXPECT_EQ(image.pixelColor(2, 254), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(2, 253), QColor(0, 255, 0));

    auto whitePixels = [](const QImage& shot) {
        int n = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                n += c.red() > 200 && c.green() > 200 && c.blue() > 200;
            }
        return n;
    };
    bar.SetVertical(false);
    bar.resize(255, 24);
    bar.SetPos(128);
    EXPECT_EQ(whitePixels(Shot(bar)), 0);
    bar.ShowPercent(true);
    EXPECT_GT(whitePixels(Shot(bar)), 5);
}

// The link sets 0..400, creeps up one per waiting tick and jumps to 100,
// 200, 300, 400 as blocks are answered; the bar stops at its end.
TEST(GradientProgressCtrl, MovedThroughTheProgressInterfaceAsTheLinkDoes)
{
    CGradientProgressCtrl bar;
    bar.resize(400, 6);
    bar.SetBkColor(GREEN);
    CProgressTarget& progress = bar;
    progress.SetRange(0, 400);
    progress.SetPos(0);
    for (int i = 0; i < 3; ++i)
        progress.SetPos(progress.GetPos() + 1);
    EXPECT_EQ(progress.GetPos(), 3);

    progress.SetPos(100);
    QImage image = bar.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 2), QColor(255, 0, 0));
    EXPECT_NE(image.pixelColor(99, 2), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(100, 2), QColor(0, 255, 0));

    for (int nPos : {200, 300, 400}) {
        progress.SetPos(nPos);
        EXPECT_EQ(progress.GetPos(), nPos);
    }
    progress.SetPos(progress.GetPos() + 1);
    EXPECT_EQ(progress.GetPos(), 400);
    image = bar.grab().toImage();
    EXPECT_EQ(image.pixelColor(399, 2), QColor(1, 0, 254));

    // Disconnecting puts it back to the face.
    progress.SetPos(0);
    EXPECT_EQ(bar.grab().toImage().pixelColor(200, 2), bar.palette().color(QPalette::Button));
}

// The words over the bar read on every part of it: the gradient, the empty
// part and the plain face, in the toolkit's colours and the window's.
// Wherever three columns hold the words' colour they also hold one that
// stands out from it by a contrast ratio of 4.5 at least.
TEST(GradientProgressCtrl, WordsReadOnEveryPartOfTheBar)
{
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const auto contrast = [&](const QColor& a, const QColor& b) {
        const double la = luminance(a), lb = luminance(b);
        return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
    };
    CGradientProgressCtrl bar;
    bar.resize(240, 18);
    bar.SetRange(0, 240);
    bar.SetText("sending 28 changes");
    for (const auto& [crText, crBack] : {std::pair{0xFFFFFFu, 0xEFEFEFu}, {0xF1EEECu, 0x131110u}}) {
        bar.SetTextColor(crText);
        bar.SetBkColor(crBack);
        for (const int nPos : {0, 60, 120, 240}) {
            bar.SetPos(nPos);
            const QImage image = Shot(bar);
            const QColor text = ToQColor(crText);
            for (int x0 = 0; x0 + 3 <= image.width(); x0 += 3) {
                bool bText = false;
                double dMost = 1.0;
                for (int x = x0; x < x0 + 3; ++x) {
                    for (int y = 0; y < image.height(); ++y) {
                        bText = bText || image.pixelColor(x, y) == text;
                        dMost = std::max(dMost, contrast(image.pixelColor(x, y), text));
                    }
                }
                if (bText) {
                    EXPECT_GE(dMost, 4.5) << "at " << nPos << ", columns from " << x0;
                }
            }
        }
    }
}
