// A fader as accessibility tools see it: a slider whose value is the one the
// window shows for it (band gain in dB, crossover in Hz, Q, delay), read and
// set through the fader's scale. A value set here moves the thumb and is
// reported to the window as a key step is, so the window's rules apply.
#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class CBitmapSlider;
struct CFaderScale;

class CBitmapSliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CBitmapSliderAccessible(CBitmapSlider* pSlider);

    QString text(QAccessible::Text t) const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // QAccessibleValueInterface: values in the scale's units; a value
    // beyond the ends goes to the nearer end, as a drag would.
    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    CBitmapSlider* Slider() const;
    // The value the scale's field would hold for the fader as it stands.
    int FieldValue(const CFaderScale& scale) const;
};
