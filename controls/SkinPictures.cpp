// Pictures: the window's background panel with its sections and captions,
// a lone LED, the logo and the splash.
#include "SkinArt.h"
#include "SkinImages.h"
#include "SkinLayout.h"
#include "SkinPalette.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRandomGenerator>
#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kTitlePixels = 11.0;
constexpr qreal kLabelPixels = 10.0;
// Space the background leaves around a section's controls.
constexpr int kPlateInset = 1;

QRectF Px(const QRect& rcUnits)
{
    return QRectF(DialogUnitsToPixels(rcUnits));
}

QRectF PanelPx(SkinPanel panel)
{
    return Px(SkinPanelRect(panel)).adjusted(kPlateInset, kPlateInset, -kPlateInset, -kPlateInset);
}

// A section title at the top left of a plate, with an engraved rule after it
// up to dRuleEnd (pixels; 0 for no rule).
void Title(CSkinPainter& skin, const QRectF& rcPlate, const QString& strTitle, qreal dRuleEnd = 0)
{
    const QRectF rcText(rcPlate.left() + 8, rcPlate.top() + 3, rcPlate.width() - 16, 14);
    skin.Legend(rcText, strTitle, kTitlePixels, SkinPalette::kLegendSoft, true, Qt::AlignLeft | Qt::AlignVCenter);
    if (dRuleEnd <= 0)
        return;
    const qreal dTextWidth = QFontMetricsF(CSkinPainter::Font(kTitlePixels, true)).horizontalAdvance(strTitle) * 1.04;
    const qreal y = std::floor(rcText.center().y()) + 0.5;
    QPainter& p = skin.Painter();
    p.setPen(QPen(SkinPalette::kDivider, 1.0));
    p.drawLine(QPointF(rcText.left() + dTextWidth + 8, y), QPointF(dRuleEnd, y));
}

// A caption in dialog units, as the control map names it.
void Label(CSkinPainter& skin, const QRect& rcUnits, const QString& strText,
           Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter, bool bBold = false)
{
    skin.Legend(Px(rcUnits), strText, kLabelPixels, SkinPalette::kEngraved, bBold, align);
}

// A groove between two sections of one plate.
void Divider(QPainter& p, qreal x, qreal dTop, qreal dBottom)
{
    p.setPen(QPen(SkinPalette::kPlateEdgeDark, 1.0));
    p.drawLine(QPointF(std::floor(x) + 0.5, dTop), QPointF(std::floor(x) + 0.5, dBottom));
    p.setPen(QPen(SkinPalette::kDivider, 1.0));
    p.drawLine(QPointF(std::floor(x) + 1.5, dTop), QPointF(std::floor(x) + 1.5, dBottom));
}

// A faint brushed grain, the same at every start.
void Grain(QPainter& p, const QSize& size)
{
    QRandomGenerator random(0x5eed);
    for (int y = 0; y < size.height(); ++y) {
        const int nShade = int(random.bounded(20u));
        p.setPen(nShade < 10 ? QColor(255, 255, 255, nShade / 2) : QColor(0, 0, 0, (nShade - 10) / 2));
        p.drawLine(0, y, size.width(), y);
    }
}

void DrawGraphBezel(CSkinPainter& skin)
{
    QPainter& p = skin.Painter();
    const QRectF rcGraph = Px(SkinPanelRect(SkinPanel::Graph));
    skin.Plate(rcGraph.adjusted(-4, -4, 4, 4), 4.0);
    p.fillRect(rcGraph.adjusted(-1, -1, 1, 1), SkinPalette::kGraphBlack);
}

void DrawRightColumn(CSkinPainter& skin)
{
    QPainter& p = skin.Painter();
    const QRectF rcLogo = Px(SkinPanelRect(SkinPanel::Logo));
    p.drawImage(rcLogo.topLeft(), DrawLogo(rcLogo.size().toSize()));

    const QRectF rcPc = PanelPx(SkinPanel::PcPreset);
    skin.Plate(rcPc);
    skin.Legend(QRectF(rcPc.left() + 8, rcPc.top(), 120, rcPc.height()), QStringLiteral("PC Preset"), kTitlePixels,
                SkinPalette::kLegendSoft, true, Qt::AlignLeft | Qt::AlignVCenter);

    const QRectF rcDevice = PanelPx(SkinPanel::DevicePreset);
    skin.Plate(rcDevice);
    Title(skin, rcDevice, QStringLiteral("Device Preset"), rcDevice.right() - 8);

    const QRectF rcLink = PanelPx(SkinPanel::DeviceLink);
    skin.Plate(rcLink);
    Title(skin, rcLink, QStringLiteral("Device Link"));
    const QRect rcList = SkinControlRect(1078);
    Label(skin, QRect(586, rcList.y(), rcList.x() - 588, rcList.height()), QStringLiteral("COM:"));
}

void DrawEqualizer(CSkinPainter& skin)
{
    QPainter& p = skin.Painter();
    const QRectF rcPlate = PanelPx(SkinPanel::Equalizer);
    skin.Plate(rcPlate);

    const qreal dStripLeft = Px(SkinControlRect(1249)).left() - 3;
    Divider(p, dStripLeft, rcPlate.top() + 6, rcPlate.bottom() - 6);

    struct RowCaption {
        int nRowId;
        const char* szText;
    };
    for (const RowCaption& row :
         {RowCaption{1249, "F:"}, RowCaption{1312, "EQ"}, RowCaption{1000, "G:"}, RowCaption{2050, "Q:"}}) {
        const QRect rcRow = SkinControlRect(row.nRowId);
        Label(skin, QRect(10, rcRow.y(), 38, rcRow.height()), QString::fromLatin1(row.szText),
              Qt::AlignRight | Qt::AlignVCenter, true);
    }
}

void DrawBottom(CSkinPainter& skin)
{
    QPainter& p = skin.Painter();
    const QRectF rcInput = PanelPx(SkinPanel::Input);
    skin.Plate(rcInput);
    Title(skin, rcInput, QStringLiteral("INPUT"));

    const QRectF rcChannel = PanelPx(SkinPanel::Channel);
    skin.Plate(rcChannel);
    struct Section {
        int nLeftUnits;
        const char* szTitle;
    };
    for (const Section& section :
         {Section{71, "GAIN"}, Section{141, "HPF"}, Section{253, "LPF"}, Section{365, "DELAY"}}) {
        const qreal x = DialogUnitsToPixelsX(section.nLeftUnits);
        if (section.nLeftUnits != 71)
            Divider(p, x, rcChannel.top() + 6, rcChannel.bottom() - 6);
        Title(skin, QRectF(x, rcChannel.top(), 100, 20), QString::fromLatin1(section.szTitle));
    }
    for (const int nType : {1308, 1310}) {
        const QRect rcType = SkinControlRect(nType);
        const QRect rcSlope = SkinControlRect(nType + 1);
        Label(skin, QRect(rcType.x(), rcType.y() - 9, rcType.width(), 9), QStringLiteral("Mode"));
        Label(skin, QRect(rcSlope.x(), rcSlope.y() - 9, rcSlope.width(), 9), QStringLiteral("Oct"));
    }
    struct Unit {
        int nFieldId;
        const char* szUnit;
    };
    for (const Unit& unit : {Unit{1082, "dB"}, Unit{1067, "Hz"}, Unit{1072, "Hz"}}) {
        const QRect rcField = SkinControlRect(unit.nFieldId);
        Label(skin, QRect(rcField.right() + 3, rcField.y(), 14, rcField.height()), QString::fromLatin1(unit.szUnit));
    }

    const QRectF rcOutputs = PanelPx(SkinPanel::Outputs);
    skin.Plate(rcOutputs);
    for (int k = 0; k < 4; ++k) {
        const QRect rcGate = SkinControlRect(2110 + k);
        const QRect rcLinking = SkinControlRect(2100 + k);
        if (k > 0)
            Divider(p, DialogUnitsToPixelsX(rcGate.x() - 8), rcOutputs.top() + 6,
                    DialogUnitsToPixels(rcLinking).bottom() + 4);
        Label(skin, QRect(rcGate.x(), rcGate.y() - 9, rcGate.width(), 9), QStringLiteral("NoiseGate dBu"));
        Label(skin, QRect(rcLinking.x(), rcLinking.y() - 9, rcLinking.width(), 9), QStringLiteral("Linking"));
    }
}

}  // namespace

QImage DrawBackground()
{
    const QSize size = SkinWindowPixelSize();
    QImage image = CSkinPainter::NewImage(size);
    CSkinPainter skin(image);
    QPainter& p = skin.Painter();
    skin.Body(QRectF(QPointF(0, 0), size));
    p.setRenderHint(QPainter::Antialiasing, false);
    Grain(p, size);
    p.setPen(QColor(255, 255, 255, 28));
    p.drawLine(0, 0, size.width(), 0);
    p.setRenderHint(QPainter::Antialiasing, true);

    DrawGraphBezel(skin);
    DrawRightColumn(skin);
    DrawEqualizer(skin);
    DrawBottom(skin);
    return image;
}

QImage DrawIndicator(const QSize& size, bool bLit)
{
    QImage image = CSkinPainter::NewImage(size);
    image.fill(SkinPalette::kPlate);
    CSkinPainter skin(image);
    const qreal r = std::max(1.0, std::min(size.width(), size.height()) / 2.0 - 3.0);
    skin.LedDot(QPointF(size.width() / 2.0, size.height() / 2.0), r, bLit);
    return image;
}

namespace {

// The wordmark: the name in wide capitals with an accent bar before it.
qreal Wordmark(CSkinPainter& skin, const QPointF& ptBaseLeft, qreal dPixels)
{
    QPainter& p = skin.Painter();
    const qreal dBar = dPixels * 0.72;
    p.setPen(Qt::NoPen);
    p.setBrush(SkinPalette::kAccent);
    p.drawRoundedRect(QRectF(ptBaseLeft.x(), ptBaseLeft.y() - dBar, dPixels * 0.16, dBar), 1, 1);
    QFont font = CSkinPainter::Font(dPixels, true);
    font.setLetterSpacing(QFont::PercentageSpacing, 122);
    p.setFont(font);
    p.setPen(SkinPalette::kLegend);
    const qreal x = ptBaseLeft.x() + dPixels * 0.42;
    p.drawText(QPointF(x, ptBaseLeft.y()), QStringLiteral("VARDEN"));
    return x + QFontMetricsF(font).horizontalAdvance(QStringLiteral("VARDEN"));
}

}  // namespace

QImage DrawLogo(const QSize& size)
{
    QImage image = CSkinPainter::NewImage(size);
    CSkinPainter skin(image);
    const QRectF rc(QPointF(0, 0), size);
    skin.Body(rc);
    skin.Plate(rc.adjusted(0.5, 0.5, -1, -1), 4.0);
    const qreal dPixels = std::max(8.0, size.height() * 0.55);
    const qreal dBase = size.height() / 2.0 + dPixels * 0.36;
    const qreal dRight = Wordmark(skin, QPointF(8, dBase), dPixels);
    skin.Legend(QRectF(dRight + 10, 0, size.width() - dRight - 18, size.height()),
                QStringLiteral("4-CHANNEL DIGITAL AUDIO PROCESSOR"), std::max(7.0, size.height() * 0.33),
                SkinPalette::kEngraved, true, Qt::AlignRight | Qt::AlignVCenter);
    return image;
}

QImage DrawSplash(const QSize& size)
{
    QImage image = CSkinPainter::NewImage(size);
    CSkinPainter skin(image);
    QPainter& p = skin.Painter();
    const QRectF rc(QPointF(0, 0), size);
    skin.Body(rc);
    p.setPen(QPen(SkinPalette::kKeyOutline, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rc.adjusted(1, 1, -1, -1));

    // A response graph in miniature, in the graph's own colours.
    const QRectF rcGraph(24, size.height() * 0.42, size.width() - 48, size.height() * 0.38);
    skin.Plate(rcGraph.adjusted(-3, -3, 3, 3), 4);
    p.fillRect(rcGraph, SkinPalette::kGraphBlack);
    p.setPen(QPen(QColor(0, 90, 0), 1));
    for (int i = 1; i < 6; ++i) {
        const qreal y = std::floor(rcGraph.top() + rcGraph.height() * i / 6) + 0.5;
        p.drawLine(QPointF(rcGraph.left(), y), QPointF(rcGraph.right(), y));
    }
    for (int i = 1; i < 10; ++i) {
        const qreal x = std::floor(rcGraph.left() + rcGraph.width() * i / 10) + 0.5;
        p.drawLine(QPointF(x, rcGraph.top()), QPointF(x, rcGraph.bottom()));
    }
    QPainterPath curve;
    const int nPoints = 160;
    for (int i = 0; i <= nPoints; ++i) {
        const qreal t = qreal(i) / nPoints;
        // A gentle two-band curve between a high-pass and a low-pass roll-off.
        const qreal dLevel =
            0.9 * std::exp(-std::pow((t - 0.28) / 0.08, 2)) - 0.55 * std::exp(-std::pow((t - 0.66) / 0.1, 2)) -
            2.2 * std::pow(std::max(0.0, 0.1 - t) / 0.1, 2) - 2.2 * std::pow(std::max(0.0, t - 0.9) / 0.1, 2);
        const QPointF pt(rcGraph.left() + t * rcGraph.width(), rcGraph.center().y() - dLevel * rcGraph.height() * 0.3);
        if (i == 0)
            curve.moveTo(pt);
        else
            curve.lineTo(pt);
    }
    p.save();
    p.setClipRect(rcGraph);
    p.setPen(QPen(QColor(0xff, 0xff, 0xa0), 2));
    p.drawPath(curve);
    p.restore();

    const qreal dPixels = size.height() * 0.16;
    Wordmark(skin, QPointF(28, size.height() * 0.25), dPixels);
    skin.Legend(QRectF(28, size.height() * 0.28, size.width() - 56, size.height() * 0.1),
                QStringLiteral("4-Channel Digital Audio Processor"), size.height() * 0.055, SkinPalette::kLegendSoft,
                false, Qt::AlignLeft | Qt::AlignVCenter);
    skin.Legend(QRectF(24, size.height() * 0.86, size.width() - 48, size.height() * 0.1),
                QStringLiteral("Version 13.1"), size.height() * 0.045, SkinPalette::kEngraved, false,
                Qt::AlignRight | Qt::AlignVCenter);
    return image;
}

QImage DrawProgramIcon(int nSize)
{
    QImage image(nSize, nSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = nSize;
    const QRectF rcBody(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
    QLinearGradient body(rcBody.topLeft(), rcBody.bottomLeft());
    body.setColorAt(0, SkinPalette::kBodyTop);
    body.setColorAt(1, SkinPalette::kBodyBottom);
    p.setPen(QPen(SkinPalette::kKeyOutline, std::max(1.0, s / 32)));
    p.setBrush(body);
    p.drawRoundedRect(rcBody, s * 0.16, s * 0.16);

    // Three fader slots with their caps at different heights.
    const qreal aCap[3] = {0.62, 0.40, 0.52};
    for (int i = 0; i < 3; ++i) {
        const qreal x = s * (0.27 + 0.23 * i);
        p.setPen(Qt::NoPen);
        p.setBrush(SkinPalette::kSlot);
        p.drawRoundedRect(QRectF(x - s * 0.03, s * 0.18, s * 0.06, s * 0.64), s * 0.03, s * 0.03);
        p.setBrush(i == 1 ? SkinPalette::kAccent : SkinPalette::kCapLight);
        p.drawRoundedRect(QRectF(x - s * 0.09, s * aCap[i] - s * 0.05, s * 0.18, s * 0.10), s * 0.02, s * 0.02);
    }
    // The response curve across them.
    QPainterPath curve(QPointF(s * 0.12, s * 0.70));
    curve.cubicTo(QPointF(s * 0.35, s * 0.70), QPointF(s * 0.40, s * 0.30), QPointF(s * 0.55, s * 0.42));
    curve.cubicTo(QPointF(s * 0.70, s * 0.52), QPointF(s * 0.78, s * 0.30), QPointF(s * 0.88, s * 0.28));
    p.setPen(QPen(SkinPalette::kAccent, std::max(1.0, s / 20), Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    return image;
}
