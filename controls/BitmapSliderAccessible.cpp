#include "BitmapSliderAccessible.h"

#include <algorithm>
#include <cmath>

#include "AccessibleInput.h"
#include "BitmapSlider.h"
#include "FaderScale.h"
#include "FieldNumber.h"
#include "NumEditFormat.h"

CBitmapSliderAccessible::CBitmapSliderAccessible(CBitmapSlider* pSlider)
    : QAccessibleWidget(pSlider, QAccessible::Slider)
{
}

CBitmapSlider* CBitmapSliderAccessible::Slider() const
{
    return static_cast<CBitmapSlider*>(widget());
}

void* CBitmapSliderAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

int CBitmapSliderAccessible::FieldValue(const CFaderScale& scale) const
{
    if (!scale.bFrequency)
        return Slider()->GetInvertedPos();
    if (scale.nHeldFrequency > 0 && Slider()->GetPos() == Slider()->PosOfFrequency(scale.nHeldFrequency))
        return scale.nHeldFrequency;
    return Slider()->GetFrequency();
}

QString CBitmapSliderAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Value)
        return QAccessibleWidget::text(t);
    const CFaderScale scale = Slider()->GetScale();
    if (!scale.pFormat)
        return QString::number(Slider()->GetPos());
    return QString::fromLatin1(scale.pszText).arg(QString::fromLatin1(scale.pFormat->Text(FieldValue(scale)).c_str()));
}

QVariant CBitmapSliderAccessible::currentValue() const
{
    const CFaderScale scale = Slider()->GetScale();
    if (!scale.pFormat)
        return Slider()->GetPos();
    return ShownNumber(*scale.pFormat, FieldValue(scale));
}

QVariant CBitmapSliderAccessible::minimumValue() const
{
    const CFaderScale scale = Slider()->GetScale();
    return scale.pFormat ? LowestNumber(*scale.pFormat) : double(Slider()->GetRangeMin());
}

QVariant CBitmapSliderAccessible::maximumValue() const
{
    const CFaderScale scale = Slider()->GetScale();
    return scale.pFormat ? HighestNumber(*scale.pFormat) : double(Slider()->GetRangeMax());
}

QVariant CBitmapSliderAccessible::minimumStepSize() const
{
    const CFaderScale scale = Slider()->GetScale();
    if (!scale.pFormat)
        return 1;
    // A frequency set by number takes any whole hertz, though the thumb's
    // own places lie further apart.
    return NumberStep(*scale.pFormat, FieldValue(scale));
}

void CBitmapSliderAccessible::setCurrentValue(const QVariant& value)
{
    CBitmapSlider* pSlider = Slider();
    const CFaderScale scale = pSlider->GetScale();
    if (!scale.pFormat) {
        bool bNumber = false;
        const double d = value.toDouble(&bNumber);
        const double dLow = pSlider->GetRangeMin();
        if (bNumber && !std::isnan(d) && AdmitAccessibleInput(pSlider))
            pSlider->MoveThumb(static_cast<int>(std::lround(std::clamp(d, dLow, double(pSlider->GetRangeMax())))));
        return;
    }
    // The field's own reader turns the number into its value, as if the
    // user had typed it there.
    const std::string strText = TypedNumber(*scale.pFormat, value);
    if (strText.empty() || !AdmitAccessibleInput(pSlider))
        return;
    const int nValue = scale.pFormat->Silent(strText, FieldValue(scale)).nValue;
    if (scale.bFrequency)
        pSlider->MoveThumbToFrequency(nValue);
    else
        pSlider->MoveThumb(pSlider->GetRangeMax() - nValue);
}
