#include "GradientProgressAccessible.h"

#include "GradientProgressCtrl.h"

namespace {
constexpr int PERCENT = 100;
}  // namespace

CGradientProgressAccessible::CGradientProgressAccessible(CGradientProgressCtrl* pProgress)
    : QAccessibleWidget(pProgress, QAccessible::ProgressBar)
{
}

const CGradientProgressCtrl* CGradientProgressAccessible::Progress() const
{
    return static_cast<const CGradientProgressCtrl*>(widget());
}

void* CGradientProgressAccessible::interface_cast(QAccessible::InterfaceType t)
{
    if (t == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

QString CGradientProgressAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Value)
        return QAccessibleWidget::text(t);
    int nLower = 0;
    int nUpper = 0;
    Progress()->GetRange(nLower, nUpper);
    const long long nSpan = static_cast<long long>(nUpper) - nLower;
    const long long nDone = static_cast<long long>(Progress()->GetPos()) - nLower;
    return QStringLiteral("%1%").arg(nSpan > 0 ? nDone * PERCENT / nSpan : 0);
}

QVariant CGradientProgressAccessible::currentValue() const
{
    return Progress()->GetPos();
}

void CGradientProgressAccessible::setCurrentValue(const QVariant& /*value*/)
{
    // Only a transfer moves the bar.
}

QVariant CGradientProgressAccessible::maximumValue() const
{
    int nLower = 0;
    int nUpper = 0;
    Progress()->GetRange(nLower, nUpper);
    return nUpper;
}

QVariant CGradientProgressAccessible::minimumValue() const
{
    int nLower = 0;
    int nUpper = 0;
    Progress()->GetRange(nLower, nUpper);
    return nLower;
}

QVariant CGradientProgressAccessible::minimumStepSize() const
{
    // Read-only bars give a hundredth of their range, for tools that ask.
    int nLower = 0;
    int nUpper = 0;
    Progress()->GetRange(nLower, nUpper);
    return (static_cast<double>(nUpper) - nLower) / PERCENT;
}
