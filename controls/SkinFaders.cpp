// Fader art: the slot of a channel image and the fader cap.
#include "SkinArt.h"
#include "SkinPalette.h"

#include <QLinearGradient>
#include <algorithm>
#include <cmath>

QImage DrawFaderChannel(const QSize& size, int nMarginLeft, int nThumbWidth, int nThumbHeight, int nTicks)
{
    // Faders stand on a panel plate: the channel is the plate with a slot cut in.
    QImage image = CSkinPainter::NewImage(size);
    image.fill(SkinPalette::kPlate);
    CSkinPainter skin(image);
    QPainter& p = skin.Painter();

    // The cap travels with its centre between half a cap from either end;
    // the slot and the scale span exactly that travel.
    const qreal dCentreX = nMarginLeft + nThumbWidth / 2.0;
    const qreal dTop = nThumbHeight / 2 + 0.5;
    const qreal dBottom = size.height() - nThumbHeight + nThumbHeight / 2 + 0.5;

    const int nTickCount = std::max(2, nTicks);
    for (int i = 0; i < nTickCount; ++i) {
        const qreal y = std::floor(dTop + (dBottom - dTop) * i / (nTickCount - 1)) + 0.5;
        const bool bMiddle = nTickCount % 2 == 1 && i == nTickCount / 2;
        const bool bMajor = i % 2 == 0 || bMiddle;
        p.setPen(QPen(bMiddle ? SkinPalette::kScaleZero : SkinPalette::kScale, 1.0));
        const qreal dLength = bMajor ? 5.0 : 3.0;
        const qreal dLeftEnd = dCentreX - nThumbWidth / 2.0 - 1.0;
        const qreal dRightStart = dCentreX + nThumbWidth / 2.0 + 1.0;
        p.drawLine(QPointF(std::max(0.0, dLeftEnd - dLength), y), QPointF(dLeftEnd, y));
        p.drawLine(QPointF(dRightStart, y), QPointF(std::min<qreal>(size.width(), dRightStart + dLength), y));
    }

    // The slot: a dark groove with a light lower lip, cut into the panel.
    const QRectF rcSlot(dCentreX - 2.0, dTop - 4.0, 4.0, dBottom - dTop + 8.0);
    p.setPen(Qt::NoPen);
    p.setBrush(SkinPalette::kSlotEdge);
    p.drawRoundedRect(rcSlot.adjusted(-1, -1, 1, 1.5), 2.5, 2.5);
    p.setBrush(SkinPalette::kSlot);
    p.drawRoundedRect(rcSlot, 2.0, 2.0);
    p.setBrush(QColor(0, 0, 0, 160));
    p.drawRect(QRectF(rcSlot.left() + 1, rcSlot.top() + 1, rcSlot.width() - 2, 2));
    return image;
}

QImage DrawFaderThumb(const QSize& size)
{
    // Drawn antialiased on a transparent sheet, then flattened onto the key
    // colour with a hard edge: a blended edge pixel would be neither cap nor
    // key and would show as a coloured fringe on the slider.
    QImage sheet(size, QImage::Format_ARGB32);
    sheet.fill(Qt::transparent);
    {
        QPainter p(&sheet);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF rcCap = QRectF(0, 0, size.width(), size.height()).adjusted(1, 1, -1, -1);
        QLinearGradient body(rcCap.topLeft(), rcCap.bottomLeft());
        body.setColorAt(0.0, SkinPalette::kCapLight);
        body.setColorAt(0.48, SkinPalette::kCapDark.lighter(125));
        body.setColorAt(0.52, SkinPalette::kCapLight.darker(108));
        body.setColorAt(1.0, SkinPalette::kCapDark);
        p.setPen(QPen(SkinPalette::kKeyOutline, 1.0));
        p.setBrush(body);
        p.drawRoundedRect(rcCap.adjusted(0.5, 0.5, -0.5, -0.5), 2.0, 2.0);

        // Grip grooves above and below the centre line.
        const qreal dMid = size.height() / 2.0;
        p.setPen(QPen(SkinPalette::kCapGroove, 1.0));
        for (const qreal dOffset : {-7.0, -4.5, 4.5, 7.0})
            p.drawLine(QPointF(rcCap.left() + 2.5, dMid + dOffset), QPointF(rcCap.right() - 2.5, dMid + dOffset));
        // The index line that reads against the scale.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x14, 0x15, 0x17));
        p.drawRect(QRectF(rcCap.left() + 1, std::floor(dMid) - 1, rcCap.width() - 2, 2));
        p.setBrush(SkinPalette::kCapLine);
        p.drawRect(QRectF(rcCap.left() + 1, std::floor(dMid) + 1, rcCap.width() - 2, 1));
    }

    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const QRgb* pSource = reinterpret_cast<const QRgb*>(sheet.constScanLine(y));
        QRgb* pTarget = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const QRgb rgb = pSource[x];
            QRgb out = qAlpha(rgb) >= 128 ? qRgb(qRed(rgb), qGreen(rgb), qBlue(rgb)) : SkinPalette::kThumbKey.rgb();
            // Nothing inside the cap may take the key colour by chance.
            if (qAlpha(rgb) >= 128 && out == SkinPalette::kThumbKey.rgb())
                out = qRgb(0xfe, 0x00, 0xfe);
            pTarget[x] = out;
        }
    }
    // The corner names the key colour whatever the cap's shape.
    image.setPixel(0, 0, SkinPalette::kThumbKey.rgb());
    return image;
}
