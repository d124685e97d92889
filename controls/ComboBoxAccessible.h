// A list (drop-down) as accessibility tools see it, with the name it is
// given: the window's lists have their captions in the panel picture, with
// no label beside them to name them, so without this every Linking list
// would be known only by the channel it shows. The item list is its child;
// pressing it opens the list as a click does. Lists without a name read
// their current item as their name, as Qt's own do here.
#pragma once

#include <QAccessibleWidget>

class QComboBox;

class CComboBoxAccessible : public QAccessibleWidget {
public:
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
