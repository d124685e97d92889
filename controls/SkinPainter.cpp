#include "SkinPainter.h"

#include "SkinArt.h"
#include "SkinPalette.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <algorithm>

namespace {

constexpr qreal kKeyRadius = 3.0;
// Legends never shrink below this: smaller text is not legible on screen.
constexpr qreal kMinLegendPixels = 7.0;
constexpr qreal kSpacedLegendPixels = 10.5;

QColor WithAlpha(QColor colour, int nAlpha)
{
    colour.setAlpha(nAlpha);
    return colour;
}

}  // namespace

CSkinPainter::CSkinPainter(QImage& image) : m_painter(&image)
{
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::TextAntialiasing);
}

QImage CSkinPainter::NewImage(const QSize& size)
{
    // Drawn in units of the given size whatever the pixel ratio: a painter
    // on the image scales by its devicePixelRatio.
    const qreal dRatio = SkinDrawingRatio();
    QImage image(dRatio == 1.0 ? size : (QSizeF(size) * dRatio).toSize(), QImage::Format_RGB32);
    image.setDevicePixelRatio(dRatio);
    image.fill(SkinPalette::kBodyBottom);
    return image;
}

QFont CSkinPainter::Font(qreal dPixelSize, bool bBold)
{
    QFont font;
    font.setFamilies(QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setPixelSize(std::max(1, qRound(dPixelSize)));
    font.setBold(bBold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

void CSkinPainter::Body(const QRectF& rc)
{
    QLinearGradient gradient(rc.topLeft(), rc.bottomLeft());
    gradient.setColorAt(0.0, SkinPalette::kBodyTop);
    gradient.setColorAt(1.0, SkinPalette::kBodyBottom);
    m_painter.fillRect(rc, gradient);
}

void CSkinPainter::Plate(const QRectF& rc, qreal dRadius)
{
    m_painter.save();
    // Light edge below and right, dark edge above and left: the plate sits
    // lower than the body around it.
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(WithAlpha(SkinPalette::kPlateEdgeLight, 160));
    m_painter.drawRoundedRect(rc.adjusted(0, 0, 1, 1), dRadius, dRadius);
    m_painter.setBrush(SkinPalette::kPlateEdgeDark);
    m_painter.drawRoundedRect(rc, dRadius, dRadius);
    QLinearGradient gradient(rc.topLeft(), rc.bottomLeft());
    gradient.setColorAt(0.0, SkinPalette::kPlate.darker(108));
    gradient.setColorAt(1.0, SkinPalette::kPlate);
    m_painter.setBrush(gradient);
    m_painter.drawRoundedRect(rc.adjusted(1, 1, -0.5, -0.5), dRadius - 1, dRadius - 1);
    m_painter.restore();
}

void CSkinPainter::Key(const QRectF& rc, const SkinKeyLook& look)
{
    m_painter.save();
    const QRectF rcBody = rc.adjusted(0.5, 0.5, -0.5, -0.5);
    QColor top = SkinPalette::kKeyTop;
    QColor bottom = SkinPalette::kKeyBottom;
    if (look.bDisabled) {
        top = SkinPalette::kKeyOffTop;
        bottom = SkinPalette::kKeyOffBottom;
    } else if (look.bSunk) {
        top = SkinPalette::kKeyDownTop;
        bottom = SkinPalette::kKeyDownBottom;
        if (look.bOver) {
            top = top.lighter(125);
            bottom = bottom.lighter(125);
        }
    } else if (look.bOver) {
        top = SkinPalette::kKeyOverTop;
        bottom = SkinPalette::kKeyOverBottom;
    }
    QLinearGradient gradient(rcBody.topLeft(), rcBody.bottomLeft());
    gradient.setColorAt(0.0, top);
    gradient.setColorAt(1.0, bottom);
    m_painter.setPen(QPen(SkinPalette::kKeyOutline, 1.0));
    m_painter.setBrush(gradient);
    m_painter.drawRoundedRect(rcBody, kKeyRadius, kKeyRadius);

    const QRectF rcInner = rcBody.adjusted(1, 1, -1, -1);
    m_painter.setBrush(Qt::NoBrush);
    if (look.bSunk) {
        // Shadow along the top and left: the key is pushed into the panel.
        m_painter.setPen(QPen(WithAlpha(Qt::black, 150), 1.5));
        m_painter.drawLine(rcInner.topLeft() + QPointF(1, 0.5), rcInner.topRight() + QPointF(-1, 0.5));
        m_painter.setPen(QPen(WithAlpha(Qt::black, 90), 1.0));
        m_painter.drawLine(rcInner.topLeft() + QPointF(0.5, 1), rcInner.bottomLeft() + QPointF(0.5, -1));
    } else if (!look.bDisabled) {
        m_painter.setPen(QPen(WithAlpha(SkinPalette::kKeyHighlight, look.bOver ? 230 : 190), 1.0));
        m_painter.drawLine(rcInner.topLeft() + QPointF(1.5, 0.5), rcInner.topRight() + QPointF(-1.5, 0.5));
        m_painter.setPen(QPen(WithAlpha(Qt::black, 80), 1.0));
        m_painter.drawLine(rcInner.bottomLeft() + QPointF(1.5, -0.5), rcInner.bottomRight() + QPointF(-1.5, -0.5));
    }
    m_painter.restore();
}

QRectF CSkinPainter::KeyLed(const QRectF& rcKey, const SkinKeyLook& look)
{
    const qreal dShift = look.bSunk ? 1.0 : 0.0;
    const qreal dHeight = rcKey.height() >= 24 ? 3.0 : 2.0;
    const qreal dWidth = std::clamp(rcKey.width() * 0.36, 8.0, 36.0);
    const QRectF rcLed(rcKey.center().x() - dWidth / 2 + dShift, rcKey.top() + 3.5 + dShift, dWidth, dHeight);
    m_painter.save();
    m_painter.setPen(Qt::NoPen);
    if (look.bLit && !look.bDisabled) {
        QRadialGradient glow(rcLed.center(), dWidth * 0.75);
        glow.setColorAt(0.0, WithAlpha(SkinPalette::kAccent, 110));
        glow.setColorAt(1.0, WithAlpha(SkinPalette::kAccent, 0));
        m_painter.setBrush(glow);
        m_painter.drawRect(rcLed.adjusted(-dWidth * 0.3, -2.5, dWidth * 0.3, 2.5));
        m_painter.setBrush(SkinPalette::kAccent);
    } else {
        m_painter.setBrush(look.bLit ? SkinPalette::kAccentDim : SkinPalette::kLedOff);
    }
    m_painter.drawRoundedRect(rcLed, 1.0, 1.0);
    if (look.bLit && !look.bDisabled) {
        m_painter.setBrush(WithAlpha(Qt::white, 150));
        m_painter.drawRect(QRectF(rcLed.left() + 2, rcLed.top(), rcLed.width() - 4, 1.0));
    }
    m_painter.restore();
    return QRectF(rcKey.left() + 2 + dShift, rcLed.bottom() + 1, rcKey.width() - 4,
                  rcKey.bottom() - rcLed.bottom() - 3);
}

void CSkinPainter::LedDot(const QPointF& ptCentre, qreal dRadius, bool bLit)
{
    m_painter.save();
    m_painter.setPen(Qt::NoPen);
    if (bLit) {
        QRadialGradient glow(ptCentre, dRadius * 1.5);
        glow.setColorAt(0.0, WithAlpha(SkinPalette::kAccent, 130));
        glow.setColorAt(1.0, WithAlpha(SkinPalette::kAccent, 0));
        m_painter.setBrush(glow);
        m_painter.drawEllipse(ptCentre, dRadius * 1.5, dRadius * 1.5);
    }
    m_painter.setBrush(SkinPalette::kKeyOutline);
    m_painter.drawEllipse(ptCentre, dRadius + 1, dRadius + 1);
    QRadialGradient lens(ptCentre - QPointF(dRadius * 0.35, dRadius * 0.35), dRadius * 1.3);
    lens.setColorAt(0.0, bLit ? QColor(Qt::white) : SkinPalette::kLedOff.lighter(190));
    lens.setColorAt(0.45, bLit ? SkinPalette::kAccent : SkinPalette::kLedOff.lighter(120));
    lens.setColorAt(1.0, bLit ? SkinPalette::kAccent.darker(130) : SkinPalette::kLedOff);
    m_painter.setBrush(lens);
    m_painter.drawEllipse(ptCentre, dRadius, dRadius);
    m_painter.restore();
}

void CSkinPainter::Legend(const QRectF& rc, const QString& strText, qreal dPixelSize, const QColor& colour, bool bBold,
                          Qt::Alignment align)
{
    QFont font = Font(dPixelSize, bBold);
    // Capitals read better a little apart, but at small sizes the extra
    // space rounds into gaps inside words.
    if (dPixelSize >= kSpacedLegendPixels)
        font.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    // Shrink a legend that would not fit rather than clip it.
    while (font.pixelSize() > kMinLegendPixels) {
        const QRectF rcNeeded = QFontMetricsF(font).boundingRect(rc, int(align), strText);
        if (rcNeeded.width() <= rc.width() && rcNeeded.height() <= rc.height() + 2)
            break;
        font.setPixelSize(font.pixelSize() - 1);
    }
    m_painter.save();
    m_painter.setFont(font);
    m_painter.setPen(colour);
    m_painter.drawText(rc, int(align), strText);
    m_painter.restore();
}

QColor CSkinPainter::LegendColour(const SkinKeyLook& look)
{
    if (look.bDisabled)
        return SkinPalette::kLegendDim;
    if (look.bLit)
        return SkinPalette::kLegend;
    return look.bOver ? QColor(Qt::white) : SkinPalette::kLegend.darker(106);
}

void DrawDisabledVeil(QPainter& painter, const QRect& rc)
{
    static const QColor s_veil(16, 18, 20, 165);
    painter.fillRect(rc, s_veil);
}

bool FocusFrameAfter(Qt::FocusReason reason, bool bShown)
{
    switch (reason) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        return true;
    case Qt::MouseFocusReason:
        return false;
    default:
        return bShown;
    }
}

void DrawFocusFrame(QPainter& painter, const QRect& rc)
{
    painter.save();
    painter.setPen(QPen(SkinPalette::kAccent, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rc.adjusted(0, 0, -1, -1));
    painter.restore();
}
