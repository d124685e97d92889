#include "FStaticAccessible.h"

#include "FStatic.h"

CFStaticAccessible::CFStaticAccessible(CFStatic* pGraph) : QAccessibleWidget(pGraph, QAccessible::Chart) {}

QString CFStaticAccessible::text(QAccessible::Text t) const
{
    if (t != QAccessible::Value)
        return QAccessibleWidget::text(t);
    return QStringLiteral("CH%1").arg(static_cast<const CFStatic*>(widget())->GetShownChannel() + 1);
}
