#include "NumEdit.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>

#include "MessageBox.h"
#include "WindowMessage.h"

CNumEdit::CNumEdit(QWidget* pParent, int nId) : QLineEdit(pParent), m_nId(nId)
{
    // Only the user's typing counts: the field's own redisplay does not.
    connect(this, &QLineEdit::textEdited, this, [this] { m_bModified = true; });
}

void CNumEdit::SetMode(int nMode)
{
    m_format.SetMode(nMode);
    Redisplay();
}

void CNumEdit::SetValue(int nValue)
{
    if (!m_format.InRange(nValue))
        return;
    m_nValue = nValue;
    Redisplay();
}

int CNumEdit::GetValue()
{
    if (m_bModified) {
        m_bModified = false;
        const NumEditSilent result = m_format.Silent(text().toLatin1().toStdString(), m_nValue);
        m_nValue = result.nValue;
        if (result.bOutOfRange)
            ShowOutOfRange();
    }
    return m_nValue;
}

void CNumEdit::Redisplay()
{
    setText(QString::fromLatin1(m_format.Text(m_nValue).c_str()));
    // From the first character, as a native edit shows new text: a long text
    // in a narrow field keeps its leading digits in view, not its unit.
    setCursorPosition(0);
}

void CNumEdit::Revert()
{
    m_bModified = false;
    Redisplay();
}

void CNumEdit::EnterText(const QString& strText)
{
    setText(strText);
    m_bModified = true;
    Commit();
}

QRect CNumEdit::CharacterRect(int nOffset) const
{
    const QString strText = text();
    if (nOffset < 0 || nOffset >= strText.size())
        return {};
    // Measured from the cursor, which the field places itself, so the
    // alignment and any scrolling of a long text are taken into account.
    const QFontMetrics metrics(font());
    const QRect rcCursor = cursorRect();
    const int x = rcCursor.center().x() + metrics.horizontalAdvance(strText.left(nOffset)) -
                  metrics.horizontalAdvance(strText.left(cursorPosition()));
    return {x, rcCursor.top(), metrics.horizontalAdvance(strText.mid(nOffset, 1)), rcCursor.height()};
}

void CNumEdit::Commit()
{
    const NumEditCommit result = m_format.Commit(text().toLatin1().toStdString(), m_nValue, m_bModified);
    if (result.bRefused) {
        Revert();
        return;
    }
    if (result.bClearModified)
        m_bModified = false;
    if (result.bOutOfRange)
        ShowOutOfRange();
    if (result.bStore)
        m_nValue = result.nValue;
    if (result.bRedisplay) {
        Redisplay();
        NotifyParent();
    }
}

void CNumEdit::focusOutEvent(QFocusEvent* pEvent)
{
    QLineEdit::focusOutEvent(pEvent);
    // A context menu opening over the field is not leaving it.
    if (m_bInMessageBox || pEvent->reason() == Qt::PopupFocusReason)
        return;
    Commit();
}

void CNumEdit::wheelEvent(QWheelEvent* pEvent)
{
    const int nDelta = pEvent->angleDelta().y();
    if (nDelta == 0) {
        QLineEdit::wheelEvent(pEvent);  // a sideways wheel: not ours
        return;
    }
    // Added as a wider integer and limited before storing, so no delta can
    // wrap the 16-bit sum around.
    const long long nAcc =
        std::clamp<long long>(static_cast<long long>(m_nWheelAcc) + nDelta, -WHEEL_DELTA, WHEEL_DELTA);
    m_nWheelAcc = static_cast<std::int16_t>(nAcc);
    if (m_nWheelAcc == -WHEEL_DELTA || m_nWheelAcc == WHEEL_DELTA) {
        const int nStep = m_nWheelAcc > 0 ? 1 : -1;
        m_nWheelAcc = 0;
        Step(nStep);
    }
    NotifyParent();
    // Taken here: passing it on would scroll whatever lies under the field.
    pEvent->accept();
}

void CNumEdit::keyPressEvent(QKeyEvent* pEvent)
{
    if (pEvent->key() == Qt::Key_Up || pEvent->key() == Qt::Key_Down) {
        Step(pEvent->key() == Qt::Key_Up ? 1 : -1);
        NotifyParent();
        pEvent->accept();
        return;
    }
    QLineEdit::keyPressEvent(pEvent);
}

void CNumEdit::Step(int nDelta)
{
    // Stepped in a wider type: the value may sit at the end of int's range.
    const long long nNext = static_cast<long long>(m_nValue) + nDelta;
    if (m_format.InRange(nNext))
        SetValue(static_cast<int>(nNext));
}

void CNumEdit::NotifyParent()
{
    // The window tells fields apart by their id; there is no native handle
    // to pass along.
    SendWindowMessage(parentWidget(), WM_COMMAND_EVENT, MakeWParam(m_nId, 0), 0);
}

void CNumEdit::ShowOutOfRange()
{
    const bool bWasInBox = m_bInMessageBox;
    m_bInMessageBox = true;
    ShowMessageBox(NUMEDIT_OUT_OF_RANGE, MessageIcon::Warning);
    m_bInMessageBox = bWasInBox;
}
