#include "ComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>

#include "AccessibleInput.h"

namespace {
// The list shows its item selected only while it is open; tools look for
// the chosen item there at any time.
void SelectShownItem(QComboBox* pList)
{
    QItemSelectionModel* pSelection = pList->view()->selectionModel();
    if (!pSelection)
        return;
    const QModelIndex index =
        pList->model()->index(pList->currentIndex(), pList->modelColumn(), pList->rootModelIndex());
    if (index.isValid())
        pSelection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else
        pSelection->clear();
}
}  // namespace

CComboBoxAccessible::CComboBoxAccessible(QComboBox* pList) : QAccessibleWidget(pList, QAccessible::ComboBox)
{
    SelectShownItem(pList);
    QObject::connect(pList, &QComboBox::currentIndexChanged, pList, [pList] { SelectShownItem(pList); });
}

QComboBox* CComboBoxAccessible::List() const
{
    return static_cast<QComboBox*>(widget());
}

QString CComboBoxAccessible::text(QAccessible::Text t) const
{
    const QString strShown = List()->currentText();
    if (t == QAccessible::Value || (t == QAccessible::Name && List()->accessibleName().isEmpty()))
        return strShown;
    if (t == QAccessible::Name && !strShown.isEmpty())
        return QStringLiteral("%1: %2").arg(List()->accessibleName(), strShown);
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
    return List()->lineEdit() ? 2 : 1;
}

QAccessibleInterface* CComboBoxAccessible::child(int nIndex) const
{
    if (nIndex == 0)
        return QAccessible::queryAccessibleInterface(List()->view());
    if (nIndex == 1 && List()->lineEdit())
        return QAccessible::queryAccessibleInterface(List()->lineEdit());
    return nullptr;
}

int CComboBoxAccessible::indexOfChild(const QAccessibleInterface* pChild) const
{
    if (!pChild)
        return -1;
    if (pChild->object() == List()->view())
        return 0;
    return List()->lineEdit() && pChild->object() == List()->lineEdit() ? 1 : -1;
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
