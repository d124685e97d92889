// The transfer progress bar as accessibility tools see it: a progress bar
// with its position and range; only the link moves it.
#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class CGradientProgressCtrl;

class CGradientProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CGradientProgressAccessible(CGradientProgressCtrl* pProgress);

    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    const CGradientProgressCtrl* Progress() const;
};
