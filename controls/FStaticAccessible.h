// The response graph as accessibility tools see it: a chart whose value
// names the channel it shows. Its handles are dragged with the mouse; the
// faders and fields carry the same values for other tools.
#pragma once

#include <QAccessibleWidget>

class CFStatic;

class CFStaticAccessible : public QAccessibleWidget {
public:
    explicit CFStaticAccessible(CFStatic* pGraph);

    QString text(QAccessible::Text t) const override;
};
