#include "xSkinButtonAccessible.h"

#include "AccessibleInput.h"
#include "xSkinButton.h"

CxSkinButtonAccessible::CxSkinButtonAccessible(CxSkinButton* pButton) : QAccessibleWidget(pButton, QAccessible::Button)
{
}

const CxSkinButton* CxSkinButtonAccessible::Button() const
{
    return static_cast<const CxSkinButton*>(widget());
}

QAccessible::Role CxSkinButtonAccessible::role() const
{
    return Button()->GetButtonStyle() == CxSkinButton::STYLE_RADIO ? QAccessible::RadioButton : QAccessible::Button;
}

QAccessible::State CxSkinButtonAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    const bool bChecked = Button()->GetCheck() != 0;
    if (Button()->GetButtonStyle() == CxSkinButton::STYLE_RADIO) {
        state.checkable = true;
        state.checked = bChecked;
    }
    // A latched key looks held down; the window latches, the user only clicks.
    state.pressed = bChecked || (Button()->IsButtonDown() && Button()->IsPushed());
    return state;
}

QStringList CxSkinButtonAccessible::actionNames() const
{
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void CxSkinButtonAccessible::doAction(const QString& strAction)
{
    if (strAction == pressAction())
        ClickAsUser(widget());
    else
        QAccessibleWidget::doAction(strAction);
}
