#include "BitmapSlider.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "MemDC.h"
#include "QtColor.h"
#include "SkinImages.h"
#include "SkinPalette.h"
#include "WindowMessage.h"

namespace {

// The fader's raster work (masks, the saved background under the thumb)
// takes image pixels for control pixels, so its images stay at one pixel
// per unit; on a scaled screen they are drawn pixel-doubled.
constexpr qreal FADER_PIXEL_RATIO = 1.0;

// Frequency positions 0..FREQ_STEPS cover 20 Hz..20 kHz: each step is the
// hundredth root of 1000 (about 1.0715) times the one before.
constexpr int FREQ_STEPS = 100;
constexpr int FREQ_LOWEST = 20;
constexpr int FREQ_HIGHEST = 20000;
// trunc(base^100) comes out as 999, which would read as 19980 Hz.
constexpr int FREQ_TOP_ROUNDED_DOWN = 19980;
const double s_dFreqBase = std::pow(1000.0, 0.01);

constexpr QRgb RGB_BLACK = 0xFF000000u;
constexpr QRgb RGB_WHITE = 0xFFFFFFFFu;

int ClampToInt(long long n)
{
    return int(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

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

CBitmapSlider::CBitmapSlider(QWidget* pParent, int nID) : QWidget(pParent), m_nID(nID)
{
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel is painted from the buffer; nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_rect = rect();
    m_nWidth = width();
    m_nHeight = height();
}

CBitmapSlider::~CBitmapSlider() = default;

// ---- range and position ----------------------------------------------------

int CBitmapSlider::ClampPos(long long nPos) const
{
    nPos = std::min<long long>(nPos, m_nMax);
    nPos = std::max<long long>(nPos, m_nMin);
    return int(nPos);
}

void CBitmapSlider::SetPosClamped(long long nPos)
{
    const int nOld = m_nPos;
    m_nPos = ClampPos(nPos);
    update();
    // Screen readers say a fader's new value as it moves.
    if (m_nPos != nOld) {
        QAccessibleValueChangeEvent event(this, m_nPos);
        QAccessible::updateAccessibility(&event);
    }
}

void CBitmapSlider::SetRange(int nMin, int nMax, bool bRedraw)
{
    SetRangeMin(nMin, false);
    SetRangeMax(nMax, bRedraw);
}

void CBitmapSlider::SetRangeMin(int nMin, bool bRedraw)
{
    m_nMin = nMin;
    // The position stays inside the range it belongs to.
    m_nPos = ClampPos(m_nPos);
    if (bRedraw)
        update();
}

void CBitmapSlider::SetRangeMax(int nMax, bool bRedraw)
{
    m_nMax = nMax;
    m_nPos = ClampPos(m_nPos);
    if (bRedraw)
        update();
}

void CBitmapSlider::SetPos(int nPos)
{
    SetPosClamped(nPos);
}

void CBitmapSlider::SetInvertedPos(int nPos)
{
    SetPosClamped(static_cast<long long>(m_nMax) - nPos);
}

int CBitmapSlider::GetInvertedPos() const
{
    return ClampToInt(static_cast<long long>(m_nMax) - m_nPos);
}

void CBitmapSlider::MoveThumb(int nPos)
{
    if (!m_bEnable)
        return;
    SetPosClamped(nPos);
    PostToParent(WM_SLIDER_MOVED);
}

int CBitmapSlider::SetPageSize(int nSize)
{
    const int nOld = m_nPage;
    m_nPage = nSize;
    return nOld;
}

// ---- frequency mapping -------------------------------------------------------

void CBitmapSlider::SetFrequency(int nFreq)
{
    SetPosClamped(PosOfFrequency(nFreq));
}

int CBitmapSlider::PosOfFrequency(int nFreq) const
{
    // Nothing lies below the bottom of the scale: zero or negative hertz
    // count as far down as it goes.
    const double dSteps = nFreq > 0 ? std::log(double(nFreq) / FREQ_LOWEST) / std::log(s_dFreqBase) + 0.5 : -1e9;
    const long long nSteps = static_cast<long long>(std::trunc(std::clamp(dSteps, -1e9, 1e9)));
    return ClampPos(m_bFreqReversed ? m_nMax - nSteps : nSteps);
}

int CBitmapSlider::GetFrequency()
{
    long long nSteps = m_bFreqReversed ? static_cast<long long>(m_nMax) - m_nPos : m_nPos;
    // Positions beyond the scale (a range wider than 0..100) read as its ends.
    nSteps = std::clamp<long long>(nSteps, 0, FREQ_STEPS);
    int nFreq = int(std::trunc(std::pow(s_dFreqBase, double(nSteps)))) * FREQ_LOWEST;
    if (nFreq == FREQ_TOP_ROUNDED_DOWN)
        nFreq = FREQ_HIGHEST;
    m_nFrequency = nFreq;
    return nFreq;
}

// ---- geometry and looks --------------------------------------------------

void CBitmapSlider::SetVertical(bool bVertical)
{
    m_bVertical = bVertical;
    update();
}

void CBitmapSlider::SetMargin(int nLeft, int nTop, int nRight, int nBottom)
{
    m_nMarginLeft = nLeft;
    m_nMarginTop = nTop;
    m_nMarginRight = nRight;
    m_nMarginBottom = nBottom;
    update();
}

void CBitmapSlider::SetMarginLeft(int nMargin)
{
    m_nMarginLeft = nMargin;
    update();
}

void CBitmapSlider::SetMarginTop(int nMargin)
{
    m_nMarginTop = nMargin;
    update();
}

void CBitmapSlider::SetMarginRight(int nMargin)
{
    m_nMarginRight = nMargin;
    update();
}

void CBitmapSlider::SetMarginBottom(int nMargin)
{
    m_nMarginBottom = nMargin;
    update();
}

void CBitmapSlider::DrawFocusRect(bool bDraw, bool bRedraw)
{
    m_bDrawFocusRect = bDraw;
    if (bRedraw)
        update();
}

void CBitmapSlider::Enable(bool bEnable)
{
    m_bEnable = bEnable;
    setEnabled(bEnable);
    if (!bEnable)
        EndDrag();
    update();
}

QSize CBitmapSlider::sizeHint() const
{
    return m_bChannel ? QSize(m_nWidth, m_nHeight) : QWidget::sizeHint();
}

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
    return SetBitmapChannel(LoadSkinImage(nChannelID, FADER_PIXEL_RATIO), active, bTransparent, clrTransColor, nTransPixelX, nTransPixelY);
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
    return SetBitmapThumb(LoadSkinImage(nThumbID, FADER_PIXEL_RATIO), active, bTransparent, clrTransColor, nTransPixelX, nTransPixelY);
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

// ---- position <-> pixel --------------------------------------------------

// The pixel of the thumb centre along the track. An empty or reversed range
// and a track shorter than the thumb keep the thumb at the track's start.
int CBitmapSlider::Pos2Pixel(int nPos) const
{
    const long long nMargin = m_bVertical ? m_nMarginTop : m_nMarginLeft;
    const long long nFarMargin = m_bVertical ? m_nMarginBottom : m_nMarginRight;
    const long long nThumb = m_bVertical ? m_nThumbHeight : m_nThumbWidth;
    const long long nExtent = m_bVertical ? m_nHeight : m_nWidth;
    const long long nRange = static_cast<long long>(m_nMax) - m_nMin;
    const long long nTrack = std::max<long long>(0, nExtent - nMargin - nFarMargin - nThumb);
    const double dFraction = nRange > 0 ? double(static_cast<long long>(nPos) - m_nMin) / double(nRange) : 0.0;
    return ClampToInt(nMargin + nThumb / 2 + static_cast<long long>(std::trunc(dFraction * double(nTrack))));
}

int CBitmapSlider::Pixel2Pos(int nPixel) const
{
    const long long nMargin = m_bVertical ? m_nMarginTop : m_nMarginLeft;
    const long long nFarMargin = m_bVertical ? m_nMarginBottom : m_nMarginRight;
    const long long nThumb = m_bVertical ? m_nThumbHeight : m_nThumbWidth;
    const long long nExtent = m_bVertical ? m_nHeight : m_nWidth;
    const long long nTrack = nExtent - nFarMargin - nMargin - nThumb;
    if (nTrack <= 0)
        return m_nMin;
    const double dRange = double(static_cast<long long>(m_nMax) - m_nMin);
    const double dPos = m_nMin + double(nPixel - nMargin - nThumb / 2) / double(nTrack) * dRange;
    return ClampToInt(static_cast<long long>(std::trunc(std::clamp(dPos, double(INT_MIN), double(INT_MAX)))));
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
    if (m_bDrawFocusRect && m_bFocus && m_bEnable && !bSeeThrough && width() > 0 && height() > 0) {
        p.setPen(QPen(SkinPalette::kAccent, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
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

// ---- mouse -----------------------------------------------------------------

void CBitmapSlider::mousePressEvent(QMouseEvent* e)
{
    if (!m_bEnable || e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    // Qt keeps sending the mouse to the widget that took the press until the
    // button is released, which stands in for capturing it.
    setFocus(Qt::MouseFocusReason);
    m_bDragging = true;

    const QPoint point = e->position().toPoint();
    const int nPointer = m_bVertical ? point.y() : point.x();
    const int nThumb = m_bVertical ? m_nThumbHeight : m_nThumbWidth;
    const long long nDiff = static_cast<long long>(nPointer) - Pos2Pixel(m_nPos);
    // A press on the thumb keeps the grab point under the pointer; anywhere
    // else the thumb centre jumps to the pointer.
    m_nClickOffset = std::llabs(nDiff) <= nThumb / 2 ? int(nDiff) : 0;

    OnMouseMove(point);
    m_timer.start(SLIDER_TIMER_MS, this);
    update();
    e->accept();
}

void CBitmapSlider::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_bEnable || !m_bDragging) {
        QWidget::mouseMoveEvent(e);
        return;
    }
    OnMouseMove(e->position().toPoint());
    e->accept();
}

void CBitmapSlider::OnMouseMove(const QPoint& point)
{
    const long long nPointer = m_bVertical ? point.y() : point.x();
    const long long nMargin = m_bVertical ? m_nMarginTop : m_nMarginLeft;
    const long long nFarMargin = m_bVertical ? m_nMarginBottom : m_nMarginRight;
    const long long nThumb = m_bVertical ? m_nThumbHeight : m_nThumbWidth;
    const long long nExtent = m_bVertical ? m_nHeight : m_nWidth;
    const long long nLow = nMargin + nThumb / 2;
    const long long nHigh = std::max(nLow, nExtent - nFarMargin - nThumb / 2);
    const int nPixel = ClampToInt(std::clamp(nPointer - m_nClickOffset, nLow, nHigh));
    if (nPixel != Pos2Pixel(m_nPos)) {
        SetPosClamped(Pixel2Pos(nPixel));
        m_bMoved = true;
    }
}

void CBitmapSlider::mouseReleaseEvent(QMouseEvent* e)
{
    if (!m_bEnable || e->button() != Qt::LeftButton || !m_bDragging) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    m_bDragging = false;
    update();
    PostToParent(WM_SLIDER_MOVED);
    m_bMoved = false;
    m_timer.stop();
    e->accept();
}

void CBitmapSlider::EndDrag()
{
    if (!m_bDragging)
        return;
    m_bDragging = false;
    m_timer.stop();
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    // The window must not be left with a position the drag never reported.
    if (m_bMoved)
        PostToParent(WM_SLIDER_MOVED);
    m_bMoved = false;
    update();
}

void CBitmapSlider::timerEvent(QTimerEvent* e)
{
    if (m_timer.isActive() && e->timerId() == m_timer.timerId()) {
        OnTimer(ID_TIMER_SLIDER);
        return;
    }
    QWidget::timerEvent(e);
}

void CBitmapSlider::OnTimer(int nIDEvent)
{
    if (nIDEvent == ID_TIMER_SLIDER && m_bMoved) {
        PostToParent(WM_SLIDER_MOVING);
        m_bMoved = false;
    }
}

// ---- keyboard and focus ----------------------------------------------------

void CBitmapSlider::keyPressEvent(QKeyEvent* e)
{
    // Tab never gets here: Qt moves the focus with it first.
    if (!m_bEnable) {
        QWidget::keyPressEvent(e);
        return;
    }
    const long long nPos = m_nPos;
    switch (e->key()) {
    case Qt::Key_PageUp:
        SetPosClamped(nPos - m_nPage);
        break;
    case Qt::Key_PageDown:
        SetPosClamped(nPos + m_nPage);
        break;
    case Qt::Key_End:
        SetPosClamped(m_nMax);
        break;
    case Qt::Key_Home:
        SetPosClamped(m_nMin);
        break;
    case Qt::Key_Up:
        SetPosClamped(nPos - 1);
        break;
    case Qt::Key_Down:
        SetPosClamped(nPos + 1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        // Reported unchanged: the window moves the focus along the faders
        // with these keys.
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    PostToParent(WM_SLIDER_MOVED);
    e->accept();
}

void CBitmapSlider::focusInEvent(QFocusEvent* e)
{
    m_bFocus = true;
    PostToParent(WM_SLIDER_MOVING);
    update();
    QWidget::focusInEvent(e);
}

void CBitmapSlider::focusOutEvent(QFocusEvent* e)
{
    m_bFocus = false;
    update();
    QWidget::focusOutEvent(e);
}

// ---- messages and state changes -------------------------------------------

bool CBitmapSlider::event(QEvent* e)
{
    if (e->type() == static_cast<QEvent::Type>(WM_SLIDER_TAKEFOCUS) && dynamic_cast<CWindowMessageEvent*>(e)) {
        // A disabled control cannot hold the focus, so it does not claim it.
        // While a box holds the window the focus only moves once the window
        // is back: the flag follows the real focus, or frames would stay
        // behind on every fader asked in the meantime.
        if (isEnabled()) {
            setFocus(Qt::OtherFocusReason);
            m_bFocus = hasFocus();
            update();
        }
        return true;
    }
    return QWidget::event(e);
}

void CBitmapSlider::changeEvent(QEvent* e)
{
    // Once disabled (by Enable or with the whole window) the release would
    // never arrive, so a drag in progress ends here.
    if (e->type() == QEvent::EnabledChange && !isEnabled())
        EndDrag();
    QWidget::changeEvent(e);
}

void CBitmapSlider::PostToParent(int nMsg)
{
    PostWindowMessage(parentWidget(), nMsg, static_cast<WPARAM>(m_nID), static_cast<LPARAM>(m_nPos));
}
