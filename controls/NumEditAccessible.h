// A numeric field as accessibility tools see it: its text, which a tool may
// read, select and edit, and its value as the number the text shows. Text or
// a value set through either is taken as the user's typing is when the
// field is left, so the window applies its rules and the value reaches the
// fader and the device, not only the field's text.
#pragma once

#include <QAccessibleEditableTextInterface>
#include <QAccessibleTextInterface>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class CNumEdit;

class CNumEditAccessible : public QAccessibleWidget,
                           public QAccessibleTextInterface,
                           public QAccessibleEditableTextInterface,
                           public QAccessibleValueInterface {
public:
    explicit CNumEditAccessible(CNumEdit* pField);

    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& strText) override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleTextInterface
    void selection(int nSelection, int* pnStart, int* pnEnd) const override;
    int selectionCount() const override;
    void addSelection(int nStart, int nEnd) override;
    void removeSelection(int nSelection) override;
    void setSelection(int nSelection, int nStart, int nEnd) override;
    int cursorPosition() const override;
    void setCursorPosition(int nPosition) override;
    QString text(int nStart, int nEnd) const override;
    int characterCount() const override;
    QRect characterRect(int nOffset) const override;
    int offsetAtPoint(const QPoint& ptScreen) const override;
    void scrollToSubstring(int nStart, int nEnd) override;
    QString attributes(int nOffset, int* pnStart, int* pnEnd) const override;

    // QAccessibleEditableTextInterface: each edit is committed at once.
    void deleteText(int nStart, int nEnd) override;
    void insertText(int nOffset, const QString& strText) override;
    void replaceText(int nStart, int nEnd, const QString& strText) override;

    // QAccessibleValueInterface, in the field's units.
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    CNumEdit* Field() const;
    // Offsets from a tool may lie anywhere: kept within the text.
    int Clamped(int nOffset) const;
    // The whole new text, entered as typed when the field takes input now.
    void Enter(const QString& strText);
};
