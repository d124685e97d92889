#include "BitmapSliderAccessible.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>

#include "AccessibleInput.h"
#include "BitmapSlider.h"
#include "FaderScale.h"
#include "NumEditFormat.h"
#include "NumEditParse.h"

namespace {
// Decimals written for a value handed to the field's reader: finer than any
// field shows.
constexpr int VALUE_DECIMALS = 6;

// The number the field shows for one of its values: what the user reads.
double Shown(const CNumEditFormat& format, int nValue)
{
    return ParseLeadingDouble(format.Text(nValue));
}
}  // namespace

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
    return Shown(*scale.pFormat, FieldValue(scale));
}

double CBitmapSliderAccessible::Lowest() const
{
    const CFaderScale scale = Slider()->GetScale();
    if (!scale.pFormat)
        return Slider()->GetRangeMin();
    const CNumEditFormat& format = *scale.pFormat;
    // Some scales fall as the field's value rises (Q).
    return std::min(Shown(format, format.GetMin()), Shown(format, format.GetMax()));
}

double CBitmapSliderAccessible::Highest() const
{
    const CFaderScale scale = Slider()->GetScale();
    if (!scale.pFormat)
        return Slider()->GetRangeMax();
    const CNumEditFormat& format = *scale.pFormat;
    return std::max(Shown(format, format.GetMin()), Shown(format, format.GetMax()));
}

QVariant CBitmapSliderAccessible::minimumValue() const
{
    return Lowest();
}

QVariant CBitmapSliderAccessible::maximumValue() const
{
    return Highest();
}

QVariant CBitmapSliderAccessible::minimumStepSize() const
{
    const CFaderScale scale = Slider()->GetScale();
    if (!scale.pFormat)
        return 1;
    // Frequency steps grow along the scale: there is no one step.
    if (scale.bFrequency)
        return 0.0;
    // One key step from here, towards the end that has room.
    const CNumEditFormat& format = *scale.pFormat;
    const int nValue = FieldValue(scale);
    const int nNext = nValue < format.GetMax() ? nValue + 1 : nValue - 1;
    if (!format.InRange(nNext))
        return 0.0;
    return std::fabs(Shown(format, nNext) - Shown(format, nValue));
}

void CBitmapSliderAccessible::setCurrentValue(const QVariant& value)
{
    bool bNumber = false;
    double d = value.toDouble(&bNumber);
    if (!bNumber || std::isnan(d))
        return;
    d = std::clamp(d, Lowest(), Highest());
    CBitmapSlider* pSlider = Slider();
    const CFaderScale scale = pSlider->GetScale();
    int nPos;
    if (!scale.pFormat) {
        nPos = static_cast<int>(std::lround(d));
    } else {
        // The field's own reader turns the number into its value, as if
        // the user had typed it there.
        const std::string strText = QByteArray::number(d, 'f', VALUE_DECIMALS).toStdString();
        const int nValue = scale.pFormat->Silent(strText, FieldValue(scale)).nValue;
        nPos = scale.bFrequency ? pSlider->PosOfFrequency(nValue) : pSlider->GetRangeMax() - nValue;
    }
    if (AdmitAccessibleInput(pSlider))
        pSlider->MoveThumb(nPos);
}
