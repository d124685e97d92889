// A list (drop-down) as accessibility tools see it, with the name it is
// given and the item it shows: the window's lists have their captions in the
// panel picture, with no label beside them to name them, and on this
// platform a list's name is where tools read its value ("CH3 linking: CH1").
// The item list is its child, with the shown item selected in it; pressing
// the list opens it as a click does. Lists without a name read their current
// item as their name, as Qt's own do here.
#pragma once

#include <QAccessibleWidget>

class QComboBox;

class CComboBoxAccessible : public QAccessibleWidget {
public:
    // Keeps the item list's selection on the shown item from now on.
    explicit CComboBoxAccessible(QComboBox* pList);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int nIndex) const override;
    int indexOfChild(const QAccessibleInterface* pChild) const override;
    QStringList actionNames() const override;
    void doAction(const QString& strAction) override;

private:
    QComboBox* List() const;
};
