// The fader's images: loading them with their transparency masks, and
// painting the channel and the thumb through the off-screen buffer.
#include <QPainter>
#include <algorithm>

#include "BitmapSlider.h"
#include "MemDC.h"
#include "QtColor.h"
#include "SkinImages.h"
#include "SkinPainter.h"

namespace {
// The fader's raster work (masks, the saved background under the thumb)
// takes image pixels for control pixels, so its images stay at one pixel
// per unit; on a scaled screen they are drawn pixel-doubled.
constexpr qreal FADER_PIXEL_RATIO = 1.0;

constexpr QRgb RGB_BLACK = 0xFF000000u;
constexpr QRgb RGB_WHITE = 0xFFFFFFFFu;

// Builds the one-bit mask of an image for its transparent colour (1 where
// the colour is) and blacks those pixels in the image, so that AND with the
// mask and then OR with the image lets the destination show through there.
QImage BuildMask(QImage& image, std::uint32_t clrTransColor, int nX, int nY)
{
    if (image.isNull())
        return QImage();
    QRgb key;
    if (clrTransColor == CBitmapSlider::CLR_KEY_PIXEL)
        key = image.pixel(std::clamp(nX, 0, image.width() - 1), std::clamp(nY, 0, image.height() - 1));
    else
        key = ToQColor(clrTransColor).rgb();

    QImage mask(image.size(), QImage::Format_MonoLSB);
    mask.setColorCount(2);
    mask.setColor(0, RGB_BLACK);
    mask.setColor(1, RGB_WHITE);
    mask.fill(0);
    for (int y = 0; y < image.height(); ++y) {
        auto* pLine = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((pLine[x] & RGB_MASK) == (key & RGB_MASK)) {
                mask.setPixel(x, y, 1);
                pLine[x] = RGB_BLACK;
            }
        }
    }
    return mask;
}

// Loads an image the way it is drawn: opaque, 32 bits, with its mask when
// it is transparent.
void PrepareImage(const QImage& source, QImage& image, QImage& mask, bool bTransparent, std::uint32_t clrTransColor,
                  int nX, int nY)
{
    image = source.convertToFormat(QImage::Format_RGB32);
    mask = bTransparent ? BuildMask(image, clrTransColor, nX, nY) : QImage();
}

// Transparent drawing is AND with the mask then OR with the blacked image;
// opaque drawing a plain copy.
void DrawMasked(QPainter& painter, const QPoint& at, const QImage& image, const QImage& mask, bool bTransparent,
                const QRect& source)
{
    if (image.isNull() || source.isEmpty())
        return;
    if (bTransparent && !mask.isNull()) {
        painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter.drawImage(at, mask, source);
        painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        painter.drawImage(at, image, source);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        painter.drawImage(at, image, source);
    }
}
}  // namespace

// ---- images --------------------------------------------------------------

bool CBitmapSlider::SetBitmapChannel(int nChannelID, int nActiveID, bool bTransparent, std::uint32_t clrTransColor,
                                     int nTransPixelX, int nTransPixelY)
{
    if (nChannelID == 0) {
        UnloadChannel();
        return true;
    }
    const QImage active = nActiveID != 0 ? LoadSkinImage(nActiveID, FADER_PIXEL_RATIO) : QImage();
    if (nActiveID != 0 && active.isNull()) {
        UnloadChannel();
        return false;
    }
    return SetBitmapChannel(LoadSkinImage(nChannelID, FADER_PIXEL_RATIO), active, bTransparent, clrTransColor,
                            nTransPixelX, nTransPixelY);
}

bool CBitmapSlider::SetBitmapChannel(const QImage& channel, const QImage& active, bool bTransparent,
                                     std::uint32_t clrTransColor, int nTransPixelX, int nTransPixelY)
{
    UnloadChannel();
    if (channel.isNull())
        return false;
    PrepareImage(channel, m_bmChannel, m_bmChannelMask, bTransparent, clrTransColor, nTransPixelX, nTransPixelY);
    m_bChannelActive = !active.isNull();
    if (m_bChannelActive)
        PrepareImage(active, m_bmChannelActive, m_bmChannelActiveMask, bTransparent, clrTransColor, nTransPixelX,
                     nTransPixelY);

    // The control takes the channel's size; an active image of another size
    // is drawn clipped to it.
    m_nWidth = m_bmChannel.width();
    m_nHeight = m_bmChannel.height();
    resize(m_nWidth, m_nHeight);
    m_rect = rect();
    m_bTransparentChannel = bTransparent;
    m_bChannel = true;
    update();
    return true;
}

bool CBitmapSlider::SetBitmapThumb(int nThumbID, int nActiveID, bool bTransparent, std::uint32_t clrTransColor,
                                   int nTransPixelX, int nTransPixelY)
{
    if (nThumbID == 0) {
        UnloadThumb();
        return true;
    }
    const QImage active = nActiveID != 0 ? LoadSkinImage(nActiveID, FADER_PIXEL_RATIO) : QImage();
    if (nActiveID != 0 && active.isNull()) {
        UnloadThumb();
        return false;
    }
    return SetBitmapThumb(LoadSkinImage(nThumbID, FADER_PIXEL_RATIO), active, bTransparent, clrTransColor, nTransPixelX,
                          nTransPixelY);
}

bool CBitmapSlider::SetBitmapThumb(const QImage& thumb, const QImage& active, bool bTransparent,
                                   std::uint32_t clrTransColor, int nTransPixelX, int nTransPixelY)
{
    UnloadThumb();
    if (thumb.isNull())
        return false;
    PrepareImage(thumb, m_bmThumb, m_bmThumbMask, bTransparent, clrTransColor, nTransPixelX, nTransPixelY);
    m_bThumbActive = !active.isNull();
    if (m_bThumbActive)
        PrepareImage(active, m_bmThumbActive, m_bmThumbActiveMask, bTransparent, clrTransColor, nTransPixelX,
                     nTransPixelY);

    m_nThumbWidth = m_bmThumb.width();
    m_nThumbHeight = m_bmThumb.height();
    if (!m_bChannel) {
        m_rect = rect();
        m_nWidth = m_rect.width();
        m_nHeight = m_rect.height();
    }
    m_bTransparentThumb = bTransparent;
    m_bThumb = true;
    update();
    return true;
}

void CBitmapSlider::UnloadChannel()
{
    m_bChannel = false;
    m_bChannelActive = false;
    m_bTransparentChannel = false;
    m_bmChannel = QImage();
    m_bmChannelMask = QImage();
    m_bmChannelActive = QImage();
    m_bmChannelActiveMask = QImage();
    update();
}

void CBitmapSlider::UnloadThumb()
{
    m_bThumb = false;
    m_bThumbActive = false;
    m_bTransparentThumb = false;
    m_nThumbWidth = 0;
    m_nThumbHeight = 0;
    m_bmThumb = QImage();
    m_bmThumbMask = QImage();
    m_bmThumbActive = QImage();
    m_bmThumbActiveMask = QImage();
    m_bmThumbBg = QImage();
    m_nThumbBgX = -1;
    m_nThumbBgY = -1;
    update();
}

// ---- painting --------------------------------------------------------------

void CBitmapSlider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    CMemDC dc(&painter, rect());
    QPainter& p = dc.Painter();
    const bool bSeeThrough = m_bTransparentChannel || !m_bChannel;

    // The focus rectangle shows only where the channel lets it through. It
    // is drawn from the present focus, so it appears with the focus and
    // goes with it.
    if (m_bDrawFocusRect && m_bFocus && m_bEnable && bSeeThrough && width() > 0 && height() > 0) {
        p.save();
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.restore();
    }

    DrawChannel(dc);

    if (m_nThumbBgX != -1) {
        p.drawImage(QPoint(m_nThumbBgX, m_nThumbBgY), m_bmThumbBg);
        m_nThumbBgX = -1;
    }

    if (m_bThumb && m_bEnable)
        DrawThumb(dc);

    // An opaque channel hides the dotted rectangle; the keyboard user still
    // has to see which fader the arrow keys move.
    if (m_bDrawFocusRect && m_bFocus && m_bEnable && !bSeeThrough && width() > 0 && height() > 0)
        DrawFocusFrame(p, rect());
}

void CBitmapSlider::DrawChannel(CMemDC& dc)
{
    if (!m_bChannel)
        return;
    QPainter& p = dc.Painter();
    if (!m_bChannelActive || !m_bEnable) {
        DrawMasked(p, QPoint(0, 0), m_bmChannel, m_bmChannelMask, m_bTransparentChannel, m_bmChannel.rect());
        return;
    }
    // The active image fills the track up to the thumb centre, the normal
    // image the rest.
    const int nPixel = Pos2Pixel(m_nPos);
    if (m_bVertical) {
        const int nActive = std::clamp(nPixel, 0, m_bmChannelActive.height());
        const int nSplit = std::clamp(nPixel, 0, m_bmChannel.height());
        DrawMasked(p, QPoint(0, 0), m_bmChannelActive, m_bmChannelActiveMask, m_bTransparentChannel,
                   QRect(0, 0, m_bmChannelActive.width(), nActive));
        DrawMasked(p, QPoint(0, nSplit), m_bmChannel, m_bmChannelMask, m_bTransparentChannel,
                   QRect(0, nSplit, m_bmChannel.width(), m_bmChannel.height() - nSplit));
    } else {
        const int nActive = std::clamp(nPixel, 0, m_bmChannelActive.width());
        const int nSplit = std::clamp(nPixel, 0, m_bmChannel.width());
        DrawMasked(p, QPoint(0, 0), m_bmChannelActive, m_bmChannelActiveMask, m_bTransparentChannel,
                   QRect(0, 0, nActive, m_bmChannelActive.height()));
        DrawMasked(p, QPoint(nSplit, 0), m_bmChannel, m_bmChannelMask, m_bTransparentChannel,
                   QRect(nSplit, 0, m_bmChannel.width() - nSplit, m_bmChannel.height()));
    }
}

void CBitmapSlider::DrawThumb(CMemDC& dc)
{
    const long long nPixel = Pos2Pixel(m_nPos);
    const long long nX = m_bVertical ? m_nMarginLeft : nPixel - m_nThumbWidth / 2;
    const long long nY = m_bVertical ? nPixel - m_nThumbHeight / 2 : m_nMarginTop;
    // Margins too wide for the control put the thumb off it: nothing to draw.
    if (nX >= width() || nY >= height() || nX + m_nThumbWidth <= 0 || nY + m_nThumbHeight <= 0)
        return;
    const QPoint at{int(nX), int(nY)};
    if (m_bTransparentChannel || !m_bChannel) {
        m_bmThumbBg = dc.Grab(QRect(at, QSize(m_nThumbWidth, m_nThumbHeight)));
        m_nThumbBgX = at.x();
        m_nThumbBgY = at.y();
    }
    const bool bActive = m_bDragging && m_bThumbActive;
    const QImage& image = bActive ? m_bmThumbActive : m_bmThumb;
    DrawMasked(dc.Painter(), at, image, bActive ? m_bmThumbActiveMask : m_bmThumbMask, m_bTransparentThumb,
               image.rect());
}

void CBitmapSlider::resizeEvent(QResizeEvent* e)
{
    m_rect = rect();
    // Without a channel image the control's own size is the track.
    if (!m_bChannel) {
        m_nWidth = width();
        m_nHeight = height();
    }
    QWidget::resizeEvent(e);
}
