#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>

#include "FontStatic.h"
#include "MessageRecorder.h"
#include "SkinLayout.h"

namespace {
constexpr CFontStatic::COLORREF RED = 0x0000FF;

bool IsReddish(const QColor& c)
{
    return c.red() > 150 && c.green() < 90 && c.blue() < 90;
}

bool IsDark(const QColor& c)
{
    return c.red() < 80 && c.green() < 80 && c.blue() < 80;
}

template <typename Pred> int Count(const QImage& image, Pred pred)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += pred(image.pixelColor(x, y));
    return n;
}

// Columns holding anything but the background, as [first, last].
std::pair<int, int> InkColumns(const QImage& image, const QColor& back)
{
    int nFirst = image.width(), nLast = -1;
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y) != back) {
                nFirst = std::min(nFirst, x);
                nLast = std::max(nLast, x);
            }
    return {nFirst, nLast};
}

class CFontlessStatic : public CFontStatic {
public:
    using CFontStatic::CFontStatic;

protected:
    bool CreateTextFont(QFont&) const override { return false; }
};
}  // namespace

// A band label: grey background, black text, red when its band is selected.
TEST(FontStatic, BandLabelColoursInItsPixels)
{
    CMessageRecorder parent;
    CFontStatic label(&parent, 1266);
    label.resize(48, 24);
    label.SetText("1.25k");
    EXPECT_EQ(label.GetFontHeight(), 18);
    EXPECT_EQ(label.GetFontWeight(), 400);
    EXPECT_EQ(label.GetBackColor(), 0xB9B6B4u);
    EXPECT_EQ(label.GetText(), "1.25k");

    const QColor grey(180, 182, 185);
    QImage image = label.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), grey);
    EXPECT_EQ(image.pixelColor(47, 23), grey);
    EXPECT_GT(Count(image, IsDark), 10);
    EXPECT_EQ(Count(image, IsReddish), 0);
    // Always centred, whatever the alignment flags say.
    label.SetStyleFlags(0x80);
    const auto [nFirst, nLast] = InkColumns(label.grab().toImage(), grey);
    EXPECT_LE(std::abs(nFirst - (47 - nLast)), 2);

    label.SetTextColor(RED);
    image = label.grab().toImage();
    EXPECT_GT(Count(image, IsReddish), 10);
    EXPECT_EQ(Count(image, IsDark), 0);
    EXPECT_EQ(label.GetFontHeight(), 18);
    EXPECT_EQ(label.GetFontWeight(), 400);

    label.SetTextColor(0);
    label.SetBackColor(0x00FF00);
    image = label.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 255, 0));
    EXPECT_EQ(Count(image, IsReddish), 0);
    EXPECT_TRUE(parent.m_boxes.empty());

    // Clicks reach the parent as the label's command.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&label, &press);
    QCoreApplication::sendEvent(&label, &release);
    const auto commands = parent.Of(WM_COMMAND_EVENT);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, MakeWParam(1266, STN_CLICKED));
}

TEST(FontStatic, StyleFlagsAndConfigure)
{
    CFontStatic label;
    EXPECT_TRUE(label.IsBold());
    EXPECT_EQ(label.GetAlignment(), CFontStatic::Alignment::Center);
    label.SetStyleFlags(CFontStatic::FS_NORMAL | CFontStatic::FS_ITALIC | CFontStatic::FS_RIGHT);
    EXPECT_FALSE(label.IsBold());
    EXPECT_TRUE(label.IsItalic());
    EXPECT_EQ(label.GetAlignment(), CFontStatic::Alignment::Right);
    label.SetStyleFlags(CFontStatic::FS_UNDERLINED | CFontStatic::FS_STRIKETHROUGH | CFontStatic::FS_RAISED);
    EXPECT_TRUE(label.IsUnderlined() && label.IsStrikeOut() && label.IsRaised());
    EXPECT_EQ(label.GetAlignment(), CFontStatic::Alignment::Left);
    label.SetStyleFlags(CFontStatic::FS_CENTER | CFontStatic::FS_RIGHT);
    EXPECT_EQ(label.GetAlignment(), CFontStatic::Alignment::Center);

    label.Configure("\xB5s", -12, RED, 0);
    EXPECT_EQ(label.GetText(), "\xB5s");
    EXPECT_EQ(label.GetFontHeight(), -12);
    EXPECT_EQ(label.GetTextColor(), RED);
    EXPECT_EQ(label.GetAlignment(), CFontStatic::Alignment::Left);

    // Absurd sizes and weights still paint, within the label.
    label.resize(30, 20);
    label.SetTextSize(INT32_MIN, -7);
    EXPECT_FALSE(label.grab().isNull());
    label.SetTextSize(0, 0);
    EXPECT_FALSE(label.grab().isNull());
    label.resize(0, 0);
    label.grab();
}

// Without a font: the background, no text, and one box however often it paints.
TEST(FontStatic, NoFontMeansOneBoxAndNoText)
{
    CMessageRecorder parent;
    CFontlessStatic label(&parent, 1249);
    label.resize(40, 20);
    label.SetText("20");
    const QImage image = label.grab().toImage();
    label.grab();
    parent.Pump();
    ASSERT_EQ(parent.m_boxes.size(), 1u);
    EXPECT_EQ(parent.m_boxes[0], "Font could not be created!");
    EXPECT_EQ(Count(image, [](const QColor& c) { return c != QColor(180, 182, 185); }), 0);
}

// "1.25k", "3.15k" and "12.5k" are wider than a band's label: drawn smaller
// rather than squeezed, their glyphs keep the shape they have in a wide
// label (ink width over height), and air stays at both sides.
TEST(FontStatic, LongBandLabelsAreDrawnSmallerNotSqueezed)
{
    const QColor grey(180, 182, 185);
    const auto ink = [&](CFontStatic& label) {
        const QImage image = label.grab().toImage();
        QRect rc;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) != grey)
                    rc |= QRect(x, y, 1, 1);
        return rc;
    };
    const QSize band = DialogUnitsToPixels(SkinControlRect(1266)).size();
    for (const char* pszText : {"1.25k", "3.15k", "12.5k"}) {
        CFontStatic wide, narrow;
        wide.resize(4 * band.width(), band.height());
        narrow.resize(band);
        wide.SetText(pszText);
        narrow.SetText(pszText);
        const QRect rcWide = ink(wide), rcNarrow = ink(narrow);
        EXPECT_GT(double(rcNarrow.width()) / rcNarrow.height(), 0.85 * rcWide.width() / rcWide.height()) << pszText;
        EXPECT_GE(rcNarrow.left(), 1) << pszText;
        EXPECT_LE(rcNarrow.right(), band.width() - 2) << pszText;
    }
}
