#include "ComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>

#include "AccessibleInput.h"

CComboBoxAccessible::CComboBoxAccessible(QComboBox* pList) : QAccessibleWidget(pList, QAccessible::ComboBox) {}

QComboBox* CComboBoxAccessible::List() const
{
    return static_cast<QComboBox*>(widget());
}

QString CComboBoxAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value || (t == QAccessible::Name && List()->accessibleName().isEmpty()))
        return List()->currentText();
    return QAccessibleWidget::text(t);
}

QAccessible::State CComboBoxAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = List()->view()->isVisible();
    state.collapsed = !state.expanded;
    return state;
}

int CComboBoxAccessible::childCount() const
{
    return 1;
}

QAccessibleInterface* CComboBoxAccessible::child(int nIndex) const
{
    return nIndex == 0 ? QAccessible::queryAccessibleInterface(List()->view()) : nullptr;
}

int CComboBoxAccessible::indexOfChild(const QAccessibleInterface* pChild) const
{
    return pChild && pChild->object() == List()->view() ? 0 : -1;
}

QStringList CComboBoxAccessible::actionNames() const
{
    return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
}

void CComboBoxAccessible::doAction(const QString& strAction)
{
    if (strAction == showMenuAction() || strAction == pressAction()) {
        if (AdmitAccessibleInput(List()))
            List()->showPopup();
        return;
    }
    QAccessibleWidget::doAction(strAction);
}
