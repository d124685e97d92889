#include "NumEditAccessible.h"

#include <algorithm>

#include "AccessibleInput.h"
#include "FieldNumber.h"
#include "NumEdit.h"

CNumEditAccessible::CNumEditAccessible(CNumEdit* pField) : QAccessibleWidget(pField, QAccessible::EditableText) {}

CNumEdit* CNumEditAccessible::Field() const
{
    return static_cast<CNumEdit*>(widget());
}

void* CNumEditAccessible::interface_cast(QAccessible::InterfaceType t)
{
    switch (t) {
    case QAccessible::TextInterface:
        return static_cast<QAccessibleTextInterface*>(this);
    case QAccessible::EditableTextInterface:
        return static_cast<QAccessibleEditableTextInterface*>(this);
    case QAccessible::ValueInterface:
        return static_cast<QAccessibleValueInterface*>(this);
    default:
        return QAccessibleWidget::interface_cast(t);
    }
}

QString CNumEditAccessible::text(QAccessible::Text t) const
{
    return t == QAccessible::Value ? Field()->text() : QAccessibleWidget::text(t);
}

void CNumEditAccessible::setText(QAccessible::Text t, const QString& strText)
{
    if (t == QAccessible::Value)
        Enter(strText);
    else
        QAccessibleWidget::setText(t, strText);
}

QAccessible::State CNumEditAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = !Field()->isReadOnly();
    state.selectableText = true;
    return state;
}

int CNumEditAccessible::Clamped(int nOffset) const
{
    return std::clamp(nOffset, 0, characterCount());
}

void CNumEditAccessible::Enter(const QString& strText)
{
    if (AdmitAccessibleInput(Field()))
        Field()->EnterText(strText);
}

// ---- text ------------------------------------------------------------------

void CNumEditAccessible::selection(int nSelection, int* pnStart, int* pnEnd) const
{
    *pnStart = *pnEnd = 0;
    if (nSelection != 0 || !Field()->hasSelectedText())
        return;
    *pnStart = Field()->selectionStart();
    *pnEnd = Field()->selectionEnd();
}

int CNumEditAccessible::selectionCount() const
{
    return Field()->hasSelectedText() ? 1 : 0;
}

void CNumEditAccessible::addSelection(int nStart, int nEnd)
{
    setSelection(0, nStart, nEnd);
}

void CNumEditAccessible::removeSelection(int nSelection)
{
    if (nSelection == 0)
        Field()->deselect();
}

void CNumEditAccessible::setSelection(int nSelection, int nStart, int nEnd)
{
    if (nSelection != 0)
        return;
    nStart = Clamped(nStart);
    Field()->setSelection(nStart, Clamped(nEnd) - nStart);
}

int CNumEditAccessible::cursorPosition() const
{
    return Field()->cursorPosition();
}

void CNumEditAccessible::setCursorPosition(int nPosition)
{
    Field()->setCursorPosition(Clamped(nPosition));
}

QString CNumEditAccessible::text(int nStart, int nEnd) const
{
    nStart = Clamped(nStart);
    return Field()->text().mid(nStart, std::max(0, Clamped(nEnd) - nStart));
}

int CNumEditAccessible::characterCount() const
{
    return static_cast<int>(Field()->text().size());
}

QRect CNumEditAccessible::characterRect(int nOffset) const
{
    const QRect rc = Field()->CharacterRect(nOffset);
    return rc.isEmpty() ? rc : rc.translated(Field()->mapToGlobal(QPoint(0, 0)));
}

int CNumEditAccessible::offsetAtPoint(const QPoint& ptScreen) const
{
    const QPoint pt = Field()->mapFromGlobal(ptScreen);
    return Field()->rect().contains(pt) ? Field()->cursorPositionAt(pt) : -1;
}

void CNumEditAccessible::scrollToSubstring(int nStart, int /*nEnd*/)
{
    setCursorPosition(nStart);
}

QString CNumEditAccessible::attributes(int /*nOffset*/, int* pnStart, int* pnEnd) const
{
    // One plain run: the field has no formatting of its own.
    *pnStart = 0;
    *pnEnd = characterCount();
    return {};
}

// ---- editing -----------------------------------------------------------------

void CNumEditAccessible::deleteText(int nStart, int nEnd)
{
    replaceText(nStart, nEnd, QString());
}

void CNumEditAccessible::insertText(int nOffset, const QString& strText)
{
    replaceText(nOffset, nOffset, strText);
}

void CNumEditAccessible::replaceText(int nStart, int nEnd, const QString& strText)
{
    nStart = Clamped(nStart);
    nEnd = std::max(nStart, Clamped(nEnd));
    Enter(Field()->text().replace(nStart, nEnd - nStart, strText));
}

// ---- value -------------------------------------------------------------------

QVariant CNumEditAccessible::currentValue() const
{
    return ShownNumber(Field()->Format(), Field()->GetStoredValue());
}

void CNumEditAccessible::setCurrentValue(const QVariant& value)
{
    const std::string strText = TypedNumber(Field()->Format(), value);
    if (!strText.empty())
        Enter(QString::fromStdString(strText));
}

QVariant CNumEditAccessible::maximumValue() const
{
    return HighestNumber(Field()->Format());
}

QVariant CNumEditAccessible::minimumValue() const
{
    return LowestNumber(Field()->Format());
}

QVariant CNumEditAccessible::minimumStepSize() const
{
    return NumberStep(Field()->Format(), Field()->GetStoredValue());
}
