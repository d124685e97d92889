#include "MemDC.h"

#include <QPaintDevice>
#include <QtMath>

namespace {

// The painter's clip box, or the whole device when nothing clips it, in the
// painter's own coordinates.
QRect DefaultRect(const QPainter& painter)
{
    if (painter.hasClipping())
        return painter.clipBoundingRect().toAlignedRect();
    const QPaintDevice* pDevice = painter.device();
    QSizeF size(pDevice->width(), pDevice->height());
    // Images and pixmaps count device pixels; widgets count logical ones.
    if (pDevice->devType() != QInternal::Widget && pDevice->devicePixelRatio() > 0)
        size /= pDevice->devicePixelRatio();
    return painter.worldTransform().inverted().mapRect(QRectF(QPointF(0, 0), size)).toAlignedRect();
}

bool IsEmptyDevice(const QPaintDevice* pDevice)
{
    return !pDevice || pDevice->width() <= 0 || pDevice->height() <= 0;
}

}  // namespace

CMemDC::CMemDC(QPainter* pTarget, const QRect& rect, bool bBg)
{
    Init(pTarget, rect, bBg);
}

CMemDC::CMemDC(QPaintDevice* pTarget, const QRect& rect, bool bBg)
{
    if (!IsEmptyDevice(pTarget)) {
        m_pOwnTarget = std::make_unique<QPainter>();
        if (!m_pOwnTarget->begin(pTarget))
            m_pOwnTarget.reset();
    }
    Init(m_pOwnTarget.get(), rect, bBg);
}

void CMemDC::Init(QPainter* pTarget, const QRect& rect, bool bBg)
{
    m_pTarget = pTarget && pTarget->isActive() ? pTarget : nullptr;
    m_rect = rect.isNull() && m_pTarget ? DefaultRect(*m_pTarget) : rect.normalized();

    // A printer gets the drawing directly: it has no pixels to read back and
    // a bitmap would lose its resolution.
    if (m_pTarget && m_pTarget->device()->devType() == QInternal::Printer) {
        m_bMemDC = false;
        m_pDC = m_pTarget;
        return;
    }

    if (m_pTarget && m_pTarget->device()->devicePixelRatio() > 0)
        m_dRatio = m_pTarget->device()->devicePixelRatio();
    const QColor background = m_pTarget ? m_pTarget->background().color() : QColor(Qt::white);
    // Keep the buffer within what can sensibly be allocated; a bigger or an
    // empty area still gets a 1x1 buffer so drawing calls stay harmless.
    constexpr qint64 nMaxSide = 16384;
    const qint64 nWidth = qCeil(m_rect.width() * m_dRatio);
    const qint64 nHeight = qCeil(m_rect.height() * m_dRatio);
    const bool bUsable = nWidth > 0 && nHeight > 0 && nWidth <= nMaxSide && nHeight <= nMaxSide;
    const QSize size = bUsable ? QSize(int(nWidth), int(nHeight)) : QSize(1, 1);
    if (!bUsable)
        m_pTarget = nullptr;

    const QRect rcDevice = m_pTarget ? m_pTarget->deviceTransform().mapRect(QRectF(m_rect)).toAlignedRect() : QRect();
    if (!(bBg && CopyFromTargetImage(rcDevice))) {
        if (bBg) {
            // A widget's pixels cannot be read back while it paints; start
            // transparent and blend on the way out, which leaves what the
            // target already showed wherever nothing was drawn.
            m_image = QImage(size, QImage::Format_ARGB32_Premultiplied);
            m_image.fill(Qt::transparent);
        } else {
            m_image =
                QImage(size, background.alpha() == 255 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
            m_image.fill(background);
        }
    }
    m_image.setDevicePixelRatio(m_dRatio);

    m_painter.begin(&m_image);
    if (m_pTarget) {
        m_painter.setFont(m_pTarget->font());
        m_painter.setPen(m_pTarget->pen());
        m_painter.setBrush(m_pTarget->brush());
        m_painter.setBackground(m_pTarget->background());
        m_painter.setBackgroundMode(m_pTarget->backgroundMode());
        m_painter.setRenderHints(m_pTarget->renderHints());
        m_painter.setLayoutDirection(m_pTarget->layoutDirection());
    }
    m_painter.translate(-m_rect.topLeft());
    m_pDC = &m_painter;
}

bool CMemDC::CopyFromTargetImage(const QRect& rcDevice)
{
    if (!m_pTarget || m_pTarget->device()->devType() != QInternal::Image)
        return false;
    // Only a plain offset maps the buffer pixel for pixel onto the image.
    if (m_pTarget->deviceTransform().type() > QTransform::TxTranslate || m_dRatio != 1.0)
        return false;
    const auto* pImage = static_cast<const QImage*>(m_pTarget->device());
    if (rcDevice.size() != m_rect.size())
        return false;
    m_image = pImage->copy(rcDevice).convertToFormat(pImage->hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                               : QImage::Format_RGB32);
    return !m_image.isNull();
}

CMemDC::~CMemDC()
{
    if (!m_bMemDC)
        return;
    m_painter.end();
    if (m_pTarget) {
        m_pTarget->save();
        m_pTarget->setCompositionMode(QPainter::CompositionMode_SourceOver);
        m_pTarget->setOpacity(1.0);
        m_pTarget->drawImage(m_rect.topLeft(), m_image);
        m_pTarget->restore();
    }
}

QImage CMemDC::Grab(const QRect& rc) const
{
    if (!m_bMemDC)
        return QImage();
    const QRectF local = QRectF(rc.translated(-m_rect.topLeft()));
    const QRect rcPixels(QPoint(qFloor(local.left() * m_dRatio), qFloor(local.top() * m_dRatio)),
                         QSize(qCeil(local.width() * m_dRatio), qCeil(local.height() * m_dRatio)));
    QImage saved = m_image.copy(rcPixels);
    saved.setDevicePixelRatio(m_dRatio);
    return saved;
}
