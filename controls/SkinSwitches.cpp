// Switches: two-state keys, with symbols for output and polarity.
#include "SkinArt.h"
#include "SkinPalette.h"

#include <QPainterPath>
#include <algorithm>

namespace {

// A key with its LED; returns the face below the LED for the symbol.
QRectF SwitchFace(CSkinPainter& skin, const QSize& size, const SkinKeyLook& look)
{
    const QRectF rcKey(0, 0, size.width(), size.height());
    skin.Key(rcKey, look);
    return skin.KeyLed(rcKey, look);
}

QImage NewSwitchImage(const QSize& size)
{
    QImage image = CSkinPainter::NewImage(size);
    image.fill(SkinPalette::kPlate);
    return image;
}

QColor SymbolColour(const SkinKeyLook& look)
{
    if (look.bDisabled)
        return SkinPalette::kLegendDim;
    return look.bLit ? SkinPalette::kAccent : CSkinPainter::LegendColour(look);
}

}  // namespace

QImage DrawLegendSwitch(const QSize& size, const QString& strLegend, const SkinKeyLook& look)
{
    QImage image = NewSwitchImage(size);
    CSkinPainter skin(image);
    const QRectF rcFace = SwitchFace(skin, size, look);
    const int nLines = int(strLegend.count(QLatin1Char('\n'))) + 1;
    const qreal dPixels = std::clamp(rcFace.height() / nLines * 0.78, 7.0, 11.0);
    skin.Legend(rcFace, strLegend, dPixels, CSkinPainter::LegendColour(look));
    return image;
}

QImage DrawSpeakerSwitch(const QSize& size, bool bOn, const SkinKeyLook& look)
{
    QImage image = NewSwitchImage(size);
    CSkinPainter skin(image);
    QPainter& p = skin.Painter();
    const QRectF rcFace = SwitchFace(skin, size, look);

    // A speaker of the face's height: magnet box and cone.
    const qreal h = std::min(rcFace.height() - 2, rcFace.width() * 0.5);
    const qreal u = h / 12.0;
    const QPointF o(rcFace.center().x() - 7 * u, rcFace.center().y() - 6 * u);
    const QColor colour = bOn ? SymbolColour(look) : CSkinPainter::LegendColour(look).darker(125);
    QPainterPath speaker;
    speaker.moveTo(o + QPointF(0, 4 * u));
    speaker.lineTo(o + QPointF(3 * u, 4 * u));
    speaker.lineTo(o + QPointF(7 * u, 0));
    speaker.lineTo(o + QPointF(7 * u, 12 * u));
    speaker.lineTo(o + QPointF(3 * u, 8 * u));
    speaker.lineTo(o + QPointF(0, 8 * u));
    speaker.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(speaker);

    p.setBrush(Qt::NoBrush);
    if (bOn) {
        // Sound waves.
        p.setPen(QPen(colour, std::max(1.2, u * 1.1), Qt::SolidLine, Qt::RoundCap));
        for (int i = 1; i <= 2; ++i) {
            const qreal r = (2.5 + 2.8 * i) * u;
            const QPointF c = o + QPointF(7 * u, 6 * u);
            p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -45 * 16, 90 * 16);
        }
    } else {
        // Crossed out.
        const QPointF c = o + QPointF(11.5 * u, 6 * u);
        const qreal r = 2.6 * u;
        p.setPen(QPen(look.bDisabled ? SkinPalette::kLegendDim : SkinPalette::kWarning, std::max(1.5, u * 1.3),
                      Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
        p.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
    }
    return image;
}

QImage DrawPolaritySwitch(const QSize& size, bool bInverted, const SkinKeyLook& look)
{
    QImage image = NewSwitchImage(size);
    CSkinPainter skin(image);
    QPainter& p = skin.Painter();
    const QRectF rcFace = SwitchFace(skin, size, look);
    const QColor colour = SymbolColour(look);

    // The polarity mark (a slashed circle) beside a plus or minus sign.
    const qreal h = std::min(rcFace.height() - 3, rcFace.width() * 0.32);
    const qreal dGap = h * 0.35;
    const qreal dLeft = rcFace.center().x() - (2 * h + dGap) / 2;
    const QPointF ptMark(dLeft + h / 2, rcFace.center().y());
    const qreal r = h * 0.36;
    const qreal dStroke = std::max(1.2, h / 9.0);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(CSkinPainter::LegendColour(look).darker(115), dStroke));
    p.drawEllipse(ptMark, r, r);
    p.drawLine(ptMark + QPointF(-r * 1.15, r * 1.15), ptMark + QPointF(r * 1.15, -r * 1.15));

    const QPointF ptSign(dLeft + h + dGap + h / 2, rcFace.center().y());
    const qreal dArm = h * 0.45;
    const qreal dBar = std::max(2.0, h / 6.0);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(QRectF(ptSign.x() - dArm, ptSign.y() - dBar / 2, 2 * dArm, dBar));
    if (!bInverted)
        p.drawRect(QRectF(ptSign.x() - dBar / 2, ptSign.y() - dArm, dBar, 2 * dArm));
    return image;
}
