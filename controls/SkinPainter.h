// Shared drawing of the skin: keys with their bevels and LEDs, recessed
// plates, and legends in the window's own typeface, so every image of the
// set is built from the same parts.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>

// How a key looks: raised or pressed in, under the pointer, lit, or dimmed.
struct SkinKeyLook {
    bool bSunk = false;
    bool bOver = false;
    bool bLit = false;
    bool bDisabled = false;
};

// A key or switch that cannot be used now (locked in bass link mode): its
// image seen through a dark veil, so it never looks like a working one.
void DrawDisabledVeil(QPainter& painter, const QRect& rc);
// The control that has the keyboard focus: a thin accent frame along its
// edge, which no skin image draws, so keyboard users see where they are.
void DrawFocusFrame(QPainter& painter, const QRect& rc);
// Whether a key or switch shows that frame once the focus arrives for this
// reason: the keyboard brings it up, the mouse puts it away, and the window
// coming back or a menu closing leaves it as it was (bShown). A mouse user so
// never sees a frame on the key the window starts with.
bool FocusFrameAfter(Qt::FocusReason reason, bool bShown);

class CSkinPainter {
public:
    // Paints on the image, antialiased, until destroyed.
    explicit CSkinPainter(QImage& image);

    QPainter& Painter() { return m_painter; }

    // An opaque image of this size filled with the panel body.
    static QImage NewImage(const QSize& size);
    // The legend typeface (Liberation Sans, metric twin of the window's Arial).
    static QFont Font(qreal dPixelSize, bool bBold);

    // The panel body: a soft vertical gradient.
    void Body(const QRectF& rc);
    // A recessed plate of a panel section, with its engraved caption edge.
    void Plate(const QRectF& rc, qreal dRadius = 5.0);
    // A key body filling the rectangle: outline, face and bevel.
    void Key(const QRectF& rc, const SkinKeyLook& look);
    // The LED strip at the top of a key; returns where the legend may go below it.
    QRectF KeyLed(const QRectF& rcKey, const SkinKeyLook& look);
    // A round LED.
    void LedDot(const QPointF& ptCentre, qreal dRadius, bool bLit);
    // A legend centred in the rectangle; the font shrinks until the text fits.
    void Legend(const QRectF& rc, const QString& strText, qreal dPixelSize, const QColor& colour, bool bBold = true,
                Qt::Alignment align = Qt::AlignCenter);
    // The legend colour for a key look.
    static QColor LegendColour(const SkinKeyLook& look);

private:
    QPainter m_painter;
};
