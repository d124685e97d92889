#include "BmpStatic.h"

#include <QMouseEvent>
#include <QPainter>

#include "SkinImages.h"
#include "Trace.h"

CBmpStatic::CBmpStatic(QWidget* pParent, int nId) : QWidget(pParent), m_nId(nId)
{
    // The toolkit always has a hand cursor, so the help program's copy is
    // never needed.
    Trace("loading from IDC_HAND\n");
}

void CBmpStatic::SetBitmaps(int nOnId, int nOffId)
{
    SetImages(LoadSkinImage(nOnId), LoadSkinImage(nOffId));
}

void CBmpStatic::SetImages(const QImage& imgOn, const QImage& imgOff)
{
    m_imgOn = imgOn;
    m_imgOff = imgOff;
    ShowImage(true);
}

void CBmpStatic::SetState(bool bState)
{
    m_bState = bState;
    ShowImage(bState);
    // The hand offers the click that switches the picture on.
    if (m_bState)
        unsetCursor();
    else
        setCursor(Qt::PointingHandCursor);
}

void CBmpStatic::ShowImage(bool bOn)
{
    m_bShowOn = bOn;
    update();
}

void CBmpStatic::paintEvent(QPaintEvent*)
{
    const QImage& image = m_bShowOn ? m_imgOn : m_imgOff;
    if (image.isNull())
        return;
    // A picture control shows its image at natural size from the corner.
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), image);
}

void CBmpStatic::mousePressEvent(QMouseEvent* pEvent)
{
    if (pEvent->button() == Qt::LeftButton && !m_bState)
        SetState(true);
    QWidget::mousePressEvent(pEvent);
}
