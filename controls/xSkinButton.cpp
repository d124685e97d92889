#include "xSkinButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <qdrawutil.h>
#include <vector>

#include "AccessibleInput.h"
#include "QtColor.h"
#include "SkinImages.h"
#include "SkinPainter.h"
#include "Trace.h"
#include "WindowMessage.h"

namespace {

constexpr QRgb RGB_MASK_WHITE = 0x00FFFFFFu;
// The caption stays this far inside the focus margin on each side.
constexpr int TEXT_INSET = 2;

// Raster operations need plain 32-bit pixels; a null image stays null.
QImage Load(int nId)
{
    if (nId == 0)
        return QImage();
    const QImage image = LoadSkinImage(nId);
    return image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
}

// Every non-white pixel of the mask, gathered as horizontal runs per row.
QRegion RegionFromMask(const QImage& mask)
{
    std::vector<QRect> runs;
    for (int y = 0; y < mask.height(); ++y) {
        const auto* pLine = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        int x = 0;
        while (x < mask.width()) {
            if ((pLine[x] & RGB_MASK_WHITE) == RGB_MASK_WHITE) {
                ++x;
                continue;
            }
            const int nStart = x;
            while (x < mask.width() && (pLine[x] & RGB_MASK_WHITE) != RGB_MASK_WHITE)
                ++x;
            runs.emplace_back(nStart, y, x - nStart, 1);
        }
    }
    QRegion region;
    if (!runs.empty())
        region.setRects(runs.data(), int(runs.size()));
    return region;
}

}  // namespace

CxSkinButton::CxSkinButton(QWidget* pParent, int nID) : QWidget(pParent), m_nID(nID)
{
    // The toolkit always has a hand cursor, so the help program's copy is
    // never needed.
    Trace("loading from IDC_HAND\n");
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    // Hover starts with the first move over the button.
    setMouseTracking(true);
    m_clrText = ToColorRef(palette().color(QPalette::ButtonText));
}

void CxSkinButton::SetTemplateStyle(unsigned nStyle)
{
    if ((nStyle & 0x3u) == 0x3u)
        m_nStyle = STYLE_CHECKBOX;
    else if ((nStyle & BS_AUTORADIOBUTTON) == BS_AUTORADIOBUTTON)
        m_nStyle = STYLE_RADIO;
    else
        m_nStyle = STYLE_PUSH;
    // A push button cannot keep a check it may have had as another style.
    if (m_nStyle == STYLE_PUSH)
        m_bChecked = false;
    update();
}

void CxSkinButton::SetSkin(int nNormal, int nDown, int nOver, int nDisabled, int nFocus, int nMask, short nDrawMode,
                           short nBorder, short nMargin)
{
    m_bNormal = Load(nNormal);
    m_bDown = Load(nDown);
    m_bOver = Load(nOver);
    m_bFocus = Load(nFocus);
    m_bDisabled = Load(nDisabled);
    m_nNormalID = m_bNormal.isNull() ? 0 : nNormal;
    m_nDownID = m_bDown.isNull() ? 0 : nDown;
    m_nOverID = m_bOver.isNull() ? 0 : nOver;
    m_nFocusID = m_bFocus.isNull() ? 0 : nFocus;
    m_nDisabledID = m_bDisabled.isNull() ? 0 : nDisabled;
    if (m_bDisabled.isNull()) {
        m_bDisabled = m_bNormal;
        m_nDisabledID = m_nNormalID;
    }

    if (nDrawMode < DRAW_NORMAL)
        m_nDrawMode = DRAW_NORMAL;
    else if (nDrawMode > DRAW_STRETCH)
        m_nDrawMode = DRAW_TILE;
    else
        m_nDrawMode = nDrawMode;
    m_nBorder = nBorder;
    m_nFocusRectMargin = nMargin < 0 ? 0 : nMargin;

    m_bMask = QImage();
    m_nMaskID = 0;
    if (nMask != 0) {
        m_bMask = Load(nMask);
        if (!m_bMask.isNull()) {
            m_nMaskID = nMask;
            m_region = RegionFromMask(m_bMask);
            // An all-white mask would leave nothing to click or see; the
            // button keeps its full rectangle then.
            if (m_region.isEmpty())
                clearMask();
            else
                setMask(m_region);
            if (m_nDrawMode == DRAW_NORMAL)
                resize(m_bMask.size());
        }
    }
    update();
}

void CxSkinButton::SetCheck(int nCheck)
{
    bool bChecked = nCheck != 0;
    // A push button has no checked state.
    if (m_nStyle == STYLE_PUSH)
        bChecked = false;
    m_bChecked = bChecked;
    if (m_nStyle == STYLE_RADIO && m_bChecked)
        ClearRadioGroup();
    update();
}

void CxSkinButton::ClearRadioGroup()
{
    if (m_nGroup == 0 || parentWidget() == nullptr)
        return;
    const auto siblings = parentWidget()->findChildren<CxSkinButton*>(Qt::FindDirectChildrenOnly);
    for (CxSkinButton* pOther : siblings) {
        if (pOther != this && pOther->m_nGroup == m_nGroup)
            PostWindowMessage(pOther, WM_SKIN_RADIOCLEAR, 0, 0);
    }
}

std::uint32_t CxSkinButton::SetTextColor(std::uint32_t clrText)
{
    const std::uint32_t clrOld = m_clrText;
    m_clrText = clrText;
    update();
    return clrOld;
}

void CxSkinButton::SetToolTipText(const QString& strText)
{
    setToolTip(strText);
}

void CxSkinButton::SetToolTipColor(std::uint32_t clrText, std::uint32_t clrBack)
{
    if (toolTip().isEmpty())
        return;
    m_clrToolTipText = ToQColor(clrText);
    m_clrToolTipBack = ToQColor(clrBack);
    // Tooltips take their colours from the palette of the widget they
    // belong to.
    QPalette pal = palette();
    pal.setColor(QPalette::ToolTipText, m_clrToolTipText);
    pal.setColor(QPalette::ToolTipBase, m_clrToolTipBack);
    setPalette(pal);
}

void CxSkinButton::SetWindowText(const QString& strText)
{
    m_strCaption = strText;
    update();
}

// ---- drawing ---------------------------------------------------------------

CxSkinButton::Look CxSkinButton::CurrentLook() const
{
    if (!isEnabled())
        return m_bDisabled.isNull() ? Look::Face : Look::Disabled;
    if ((m_bButtonDown && m_bPushed) || m_bChecked)
        return m_bDown.isNull() ? Look::Face : Look::Down;
    if (m_bNormal.isNull())
        return Look::Face;
    if (m_bHovering && !m_bOver.isNull())
        return Look::Over;
    if (hasFocus() && !m_bFocus.isNull())
        return Look::Focus;
    return Look::Normal;
}

int CxSkinButton::CurrentImageId() const
{
    switch (CurrentLook()) {
    case Look::Normal:
        return m_nNormalID;
    case Look::Down:
        return m_nDownID;
    case Look::Over:
        return m_nOverID;
    case Look::Disabled:
        return m_nDisabledID;
    case Look::Focus:
        return m_nFocusID;
    case Look::Face:
        break;
    }
    return 0;
}

void CxSkinButton::DrawImageOnto(QPainter& painter, const QImage& image, const QRect& rc) const
{
    if (image.isNull() || rc.isEmpty())
        return;
    if (m_nDrawMode == DRAW_TILE) {
        painter.save();
        painter.setClipRect(rc);
        const QSize step = image.deviceIndependentSize().toSize();
        for (int y = rc.top(); y <= rc.bottom(); y += std::max(1, step.height()))
            for (int x = rc.left(); x <= rc.right(); x += std::max(1, step.width()))
                painter.drawImage(QPoint(x, y), image);
        painter.restore();
    } else if (m_nDrawMode == DRAW_STRETCH) {
        painter.drawImage(rc, image);
    } else {
        // The source is counted in the image's pixels, which a scaled skin
        // has more of than the button has units.
        painter.drawImage(rc.topLeft(), image,
                          QRect(QPoint(0, 0), (QSizeF(rc.size()) * image.devicePixelRatio()).toSize()));
    }
}

void CxSkinButton::DrawImage(QPainter& painter, const QImage& image) const
{
    if (m_bMask.isNull()) {
        DrawImageOnto(painter, image, rect());
        return;
    }
    // Image XOR, mask AND, image XOR: where the mask is white what was
    // there shows again, where it is black the image does.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    DrawImageOnto(painter, image, rect());
    painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    DrawImageOnto(painter, m_bMask, rect());
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    DrawImageOnto(painter, image, rect());
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void CxSkinButton::paintEvent(QPaintEvent*)
{
    if (rect().isEmpty())
        return;
    QPainter painter(this);
    const QPalette& pal = palette();
    QRect rcText = rect().adjusted(m_nFocusRectMargin + TEXT_INSET, 0, -(m_nFocusRectMargin + TEXT_INSET), 0);
    const int nTextFlags = Qt::AlignCenter | Qt::TextSingleLine;

    const Look look = CurrentLook();
    if (!isEnabled()) {
        if (look == Look::Disabled)
            DrawImage(painter, m_bDisabled);
        else
            painter.fillRect(rect(), pal.color(QPalette::Button));
        // A key with no disabled image of its own would look usable.
        if (m_nDisabledID == m_nNormalID)
            DrawDisabledVeil(painter, rect());
        if (m_nBorder)
            qDrawWinButton(&painter, rect(), pal, false);
        if (!m_strCaption.isEmpty()) {
            // Embossed: a light copy behind, the grey text over it.
            painter.setPen(pal.color(QPalette::Light));
            painter.drawText(m_bChecked ? rcText.translated(1, 1) : rcText, nTextFlags, m_strCaption);
            painter.setPen(pal.color(QPalette::Disabled, QPalette::ButtonText));
            painter.drawText(rcText.translated(-1, -1), nTextFlags, m_strCaption);
        }
        return;
    }

    if ((m_bButtonDown && m_bPushed) || m_bChecked) {
        if (look == Look::Down)
            DrawImage(painter, m_bDown);
        else
            painter.fillRect(rect(), pal.color(QPalette::Button));
        rcText.translate(1, 1);
        if (m_nBorder)
            qDrawWinButton(&painter, rect(), pal, true);
    } else {
        switch (look) {
        case Look::Over:
            DrawImage(painter, m_bOver);
            break;
        case Look::Focus:
            DrawImage(painter, m_bFocus);
            break;
        case Look::Normal:
            DrawImage(painter, m_bNormal);
            break;
        default:
            painter.fillRect(rect(), pal.color(QPalette::Button));
            break;
        }
        if (m_nBorder)
            qDrawWinButton(&painter, rect(), pal, false);
    }

    if (hasFocus() && m_nFocusRectMargin > 0) {
        const QRect rcFocus =
            rect().adjusted(m_nFocusRectMargin, m_nFocusRectMargin, -m_nFocusRectMargin - 1, -m_nFocusRectMargin - 1);
        if (rcFocus.isValid()) {
            painter.setPen(QPen(pal.color(QPalette::ButtonText), 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rcFocus);
        }
    } else if (hasFocus() && m_bFocus.isNull() && m_bFocusFrame) {
        // Skinned without a focus image or margin, as the window's keys
        // are, the key would not show that Space or Enter goes to it.
        DrawFocusFrame(painter, rect());
    }
    if (!m_strCaption.isEmpty()) {
        painter.setPen(ToQColor(m_clrText));
        painter.drawText(rcText, nTextFlags, m_strCaption);
    }
}

// ---- mouse, focus and messages ------------------------------------------------

bool CxSkinButton::IsOver(const QPoint& point) const
{
    // A shaped button is only where its mask is.
    return rect().contains(point) && (mask().isEmpty() || mask().contains(point));
}

void CxSkinButton::SetHovering(bool bHovering)
{
    if (m_bHovering == bHovering)
        return;
    m_bHovering = bHovering;
    update();
}

void CxSkinButton::EndPress()
{
    if (!m_bButtonDown && !m_bPushed)
        return;
    m_bButtonDown = false;
    m_bPushed = false;
    update();
}

void CxSkinButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    // The press ends hovering; the next move after release starts it again.
    m_bHovering = false;
    m_bButtonDown = true;
    m_bPushed = IsOver(e->position().toPoint());
    update();
    e->accept();
}

void CxSkinButton::mouseDoubleClickEvent(QMouseEvent* e)
{
    // A quick second click is a click like the first.
    mousePressEvent(e);
}

void CxSkinButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    const bool bClick = m_bButtonDown && IsOver(e->position().toPoint());
    m_bButtonDown = false;
    m_bPushed = false;
    update();
    e->accept();
    if (bClick)
        Click();
}

void CxSkinButton::keyPressEvent(QKeyEvent* e)
{
    if (!ClickOnActivationKey(*e, [this] { Click(); }))
        QWidget::keyPressEvent(e);
}

void CxSkinButton::Click()
{
    // A check box waits for its owner to set the check; a radio button sets
    // its own.
    if (m_nStyle == STYLE_RADIO)
        SetCheck(1);
    PostWindowMessage(parentWidget(), WM_COMMAND_EVENT, MakeWParam(m_nID, BN_CLICKED), 0);
    emit clicked(m_nID);
}

void CxSkinButton::mouseMoveEvent(QMouseEvent* e)
{
    const bool bOver = IsOver(e->position().toPoint());
    if (m_bButtonDown) {
        // The pushed look follows the pointer while the button is held.
        if (m_bPushed != bOver) {
            m_bPushed = bOver;
            update();
        }
    } else if (bOver) {
        SetHovering(true);
    }
    QWidget::mouseMoveEvent(e);
}

void CxSkinButton::leaveEvent(QEvent* e)
{
    SetHovering(false);
    QWidget::leaveEvent(e);
}

void CxSkinButton::focusInEvent(QFocusEvent* e)
{
    m_bFocusFrame = FocusFrameAfter(e->reason(), m_bFocusFrame);
    QWidget::focusInEvent(e);
}

void CxSkinButton::focusOutEvent(QFocusEvent* e)
{
    // Losing the focus in mid-press (a box popping up) ends the press
    // without a click.
    EndPress();
    QWidget::focusOutEvent(e);
}

void CxSkinButton::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange && !isEnabled()) {
        EndPress();
        m_bHovering = false;
    }
    QWidget::changeEvent(e);
}

bool CxSkinButton::event(QEvent* e)
{
    if (auto* pMsg = dynamic_cast<CWindowMessageEvent*>(e)) {
        switch (pMsg->Message()) {
        case WM_SKIN_RADIOCLEAR:
            if (m_bChecked) {
                m_bChecked = false;
                update();
            }
            pMsg->m_lResult = 0;
            return true;
        case WM_SKIN_HOVEROFF:
            SetHovering(false);
            return true;
        case WM_SKIN_HOVERON:
            SetHovering(true);
            return true;
        default:
            break;
        }
    }
    return QWidget::event(e);
}
