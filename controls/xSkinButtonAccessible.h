// A skinned key as accessibility tools see it: a push button, shown pressed
// while it is held or latched down (CONNECT while connected, the edited
// channel's key); a radio-style key is a radio button. Pressing it clicks
// it as the mouse does.
#pragma once

#include <QAccessibleWidget>

class CxSkinButton;

class CxSkinButtonAccessible : public QAccessibleWidget {
public:
    explicit CxSkinButtonAccessible(CxSkinButton* pButton);

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& strAction) override;

private:
    const CxSkinButton* Button() const;
};
