#include "BitButtonAccessible.h"

#include "AccessibleInput.h"
#include "BitButton.h"

CBitButtonAccessible::CBitButtonAccessible(CBitButton* pButton) : QAccessibleWidget(pButton, QAccessible::CheckBox) {}

QAccessible::State CBitButtonAccessible::state() const
{
    const auto* pButton = static_cast<const CBitButton*>(widget());
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = pButton->GetCheck() != 0;
    state.pressed = pButton->IsPressed();
    return state;
}

QStringList CBitButtonAccessible::actionNames() const
{
    return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
}

void CBitButtonAccessible::doAction(const QString& strAction)
{
    if (strAction == pressAction() || strAction == toggleAction())
        ClickAsUser(widget());
    else
        QAccessibleWidget::doAction(strAction);
}
