// A two-state switch as accessibility tools see it: a check box, checked
// while the switch shows its checked image. Pressing or toggling it clicks
// it as the mouse does; the window then decides the new state.
#pragma once

#include <QAccessibleWidget>

class CBitButton;

class CBitButtonAccessible : public QAccessibleWidget {
public:
    explicit CBitButtonAccessible(CBitButton* pButton);

    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& strAction) override;
};
