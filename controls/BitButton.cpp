#include "BitButton.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

#include "AccessibleInput.h"
#include "QtColor.h"
#include "SkinImages.h"
#include "SkinPainter.h"
#include "Trace.h"
#include "WindowMessage.h"

namespace {

// Lowered captions sit this much further down.
constexpr int LOWER_TEXT_SHIFT = 4;

}  // namespace

CBitButton::CBitButton(QWidget* pParent, int nID) : QWidget(pParent), m_nID(nID)
{
    // The toolkit always has a hand cursor, so the help program's copy is
    // never needed.
    Trace("loading from IDC_HAND\n");
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    // Reached with Tab and clicked with Space or Enter, so the keyboard
    // alone can work every switch.
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel comes from the stretched image or the face colour.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CBitButton::SetBitmaps(int nNormal, int nHover, int nPressed, int nCheckedNormal, int nCheckedHover,
                            int nCheckedPressed)
{
    m_anBitmap = {nNormal, nHover, nPressed};
    m_anCheckedBitmap = {nCheckedNormal ? nCheckedNormal : nNormal, nCheckedHover ? nCheckedHover : nHover,
                         nCheckedPressed ? nCheckedPressed : nPressed};
    update();
}

void CBitButton::SetCheck(int nCheck)
{
    m_nCheck = nCheck;
    update();
}

void CBitButton::SetWindowText(const QString& strText)
{
    m_strCaption = strText;
    update();
}

void CBitButton::SetTextColors(std::uint32_t clrNormal, std::uint32_t clrHover, std::uint32_t clrPressed,
                               std::uint32_t clrCheckedNormal, std::uint32_t clrCheckedHover,
                               std::uint32_t clrCheckedPressed)
{
    m_aclrText = {clrNormal, clrHover, clrPressed};
    m_aclrCheckedText = {clrCheckedNormal, clrCheckedHover, clrCheckedPressed};
    update();
}

void CBitButton::SetFonts(const QFont& normal, const QFont& hover, const QFont& pressed, const QFont& checkedNormal,
                          const QFont& checkedHover, const QFont& checkedPressed)
{
    m_aFont = {normal, hover, pressed};
    m_aCheckedFont = {checkedNormal, checkedHover, checkedPressed};
    m_bFontsSet = true;
    update();
}

void CBitButton::SetUseHandCursor(bool bUse)
{
    m_bUseHandCursor = bUse;
    setCursor(bUse ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void CBitButton::SetBlinkBitmaps(int nChecked, int nUnchecked, int nOff)
{
    m_nBlinkChecked = nChecked;
    m_nBlinkUnchecked = nUnchecked;
    m_nBlinkOff = nOff;
    m_bBlinkMode = true;
    update();
}

void CBitButton::SetBlinkTextColor(std::uint32_t clrText)
{
    m_clrBlinkText = clrText;
    m_bBlinkTextColor = true;
    update();
}

void CBitButton::EnableBlink(bool bEnable)
{
    m_bBlink = bEnable;
    if (bEnable) {
        m_timer.start(BLINK_TIMER_MS, this);
    } else {
        m_timer.stop();
        update();
    }
}

// ---- drawing ---------------------------------------------------------------

int CBitButton::CurrentState() const
{
    if (m_bHovering && m_bPressed)
        return STATE_PRESSED;
    return m_bHovering ? STATE_HOVER : STATE_NORMAL;
}

int CBitButton::CurrentImageId() const
{
    if (m_bBlinkMode) {
        if (m_bBlink)
            return m_bBlinkPhase ? m_nBlinkChecked : m_nBlinkOff;
        return m_nCheck ? m_nBlinkChecked : m_nBlinkUnchecked;
    }
    return (m_nCheck ? m_anCheckedBitmap : m_anBitmap)[size_t(CurrentState())];
}

void CBitButton::paintEvent(QPaintEvent*)
{
    if (rect().isEmpty())
        return;
    QPainter painter(this);
    // The image is loaded at each paint; the skin caches it.
    const int nId = CurrentImageId();
    const QImage image = nId != 0 ? LoadSkinImage(nId) : QImage();
    if (image.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::Button));
    } else {
        // Smooth filtering stands in for half-tone stretching.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    }
    if (!isEnabled())
        DrawDisabledVeil(painter, rect());
    if (hasFocus() && m_bFocusFrame)
        DrawFocusFrame(painter, rect());

    if (m_strCaption.isEmpty())
        return;
    const int nState = CurrentState();
    if (m_bBlinkMode) {
        const int nFlags = Qt::AlignCenter | Qt::TextSingleLine;
        if (m_bBlinkTextColor) {
            painter.setPen(ToQColor(m_clrBlinkText));
            painter.drawText(rect().translated(m_nTextOffset, 0), nFlags, m_strCaption);
        } else {
            painter.setPen(palette().color(QPalette::Light));
            painter.drawText(rect(), nFlags, m_strCaption);
            painter.setPen(palette().color(QPalette::Dark));
            painter.drawText(rect().translated(-1, -1), nFlags, m_strCaption);
        }
        return;
    }
    if (m_bFontsSet)
        painter.setFont((m_nCheck ? m_aCheckedFont : m_aFont)[size_t(nState)]);
    painter.setPen(ToQColor((m_nCheck ? m_aclrCheckedText : m_aclrText)[size_t(nState)]));
    if (m_bLowerText) {
        const int nAlign = m_nTextAlign == ALIGN_LEFT    ? Qt::AlignLeft
                           : m_nTextAlign == ALIGN_RIGHT ? Qt::AlignRight
                                                         : Qt::AlignHCenter;
        painter.drawText(rect().adjusted(0, LOWER_TEXT_SHIFT, 0, 0), nAlign | Qt::AlignVCenter, m_strCaption);
    } else {
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_strCaption);
    }
}

// ---- mouse and timer -----------------------------------------------------------

void CBitButton::mouseMoveEvent(QMouseEvent* e)
{
    // Hover follows the pointer, also while the button is held, so dragging
    // off a pressed button shows it released.
    const bool bOver = rect().contains(e->position().toPoint());
    if (bOver != m_bHovering) {
        m_bHovering = bOver;
        update();
    }
    QWidget::mouseMoveEvent(e);
}

void CBitButton::leaveEvent(QEvent* e)
{
    if (m_bHovering) {
        m_bHovering = false;
        update();
    }
    QWidget::leaveEvent(e);
}

void CBitButton::mousePressEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    // A press is always over the button, even without a move before it.
    m_bHovering = rect().contains(e->position().toPoint());
    m_bPressed = true;
    update();
    e->accept();
}

void CBitButton::mouseDoubleClickEvent(QMouseEvent* e)
{
    mousePressEvent(e);
}

void CBitButton::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    const bool bClick = m_bPressed && rect().contains(e->position().toPoint());
    m_bPressed = false;
    update();
    e->accept();
    if (bClick)
        Click();
}

void CBitButton::keyPressEvent(QKeyEvent* e)
{
    if (!ClickOnActivationKey(*e, [this] { Click(); }))
        QWidget::keyPressEvent(e);
}

void CBitButton::focusInEvent(QFocusEvent* e)
{
    m_bFocusFrame = FocusFrameAfter(e->reason(), m_bFocusFrame);
    QWidget::focusInEvent(e);
}

void CBitButton::Click()
{
    PostWindowMessage(parentWidget(), WM_COMMAND_EVENT, MakeWParam(m_nID, BN_CLICKED), 0);
    emit clicked(m_nID);
}

void CBitButton::changeEvent(QEvent* e)
{
    // A button disabled mid-press must not click on its later release.
    if (e->type() == QEvent::EnabledChange && !isEnabled()) {
        m_bPressed = false;
        m_bHovering = false;
        update();
    }
    QWidget::changeEvent(e);
}

void CBitButton::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(e);
        return;
    }
    m_bBlinkPhase = !m_bBlinkPhase;
    update();
}
