// Command keys: the push and latching buttons with a word on them.
#include "SkinArt.h"
#include "SkinPalette.h"

QImage DrawCommandKey(const QSize& size, const QString& strLegend, const SkinKeyLook& look, const QColor& legendColour)
{
    QImage image = CSkinPainter::NewImage(size);
    // Keys sit on the panels' plates: their rounded corners show the plate.
    image.fill(SkinPalette::kPlate);
    CSkinPainter skin(image);
    const QRectF rcKey(0, 0, size.width(), size.height());
    skin.Key(rcKey, look);
    const QRectF rcLegend = skin.KeyLed(rcKey, look);
    const qreal dPixels = std::min(11.0, size.height() * 0.42);
    skin.Legend(rcLegend, strLegend, dPixels, legendColour.isValid() ? legendColour : CSkinPainter::LegendColour(look));
    return image;
}
