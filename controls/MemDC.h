// An off-screen drawing buffer: everything is painted into an image of the
// target rectangle first and copied to the target in one piece when the
// buffer goes out of scope, so a control never shows a half-drawn frame.
//
// In a paintEvent:
//     QPainter painter(this);
//     CMemDC dc(&painter, rect());
//     dc->fillRect(...);            // draws into the buffer
//     // the buffer reaches the widget when dc is destroyed
//
// To redraw at once outside the paint cycle, keep a QImage of the widget's
// size, draw into it through CMemDC(&image, ...), then call update() and let
// paintEvent copy the image to the screen.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>
#include <memory>

class QPaintDevice;

class CMemDC {
public:
    // Buffers drawing over rect of an active painter (a null QRect() means
    // the painter's clip box, or the whole device without clipping). With bBg
    // the buffer starts as what the target shows there; otherwise it is
    // filled with the painter's background colour. Drawing uses the
    // target's coordinates. A null or inactive target gets a private
    // buffer that is never copied anywhere.
    explicit CMemDC(QPainter* pTarget, const QRect& rect = QRect(), bool bBg = false);
    // The same over an image or pixmap that is not being painted yet, e.g. a
    // widget's retained frame.
    explicit CMemDC(QPaintDevice* pTarget, const QRect& rect = QRect(), bool bBg = false);
    ~CMemDC();

    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    QPainter* operator->() { return m_pDC; }
    QPainter& Painter() { return *m_pDC; }
    // The area buffered, in the target's coordinates.
    QRect GetRect() const { return m_rect; }
    // False when drawing goes straight to the target (a printer).
    bool IsMemDC() const { return m_bMemDC; }
    // What has been drawn so far in rc (target coordinates), for saving what
    // lies under something about to be drawn. Parts outside the buffer come
    // back black; a direct target gives a null image.
    QImage Grab(const QRect& rc) const;

private:
    void Init(QPainter* pTarget, const QRect& rect, bool bBg);
    bool CopyFromTargetImage(const QRect& rcDevice);

    std::unique_ptr<QPainter> m_pOwnTarget;  // the painter begun on a device target
    QPainter* m_pTarget = nullptr;           // where the buffer goes; null: nowhere
    QPainter* m_pDC = nullptr;               // where drawing goes
    QImage m_image;                          // the buffer; outlives m_painter
    QPainter m_painter;                      // on m_image
    QRect m_rect;
    qreal m_dRatio = 1.0;
    bool m_bMemDC = true;
};
