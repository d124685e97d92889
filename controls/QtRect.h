// Between the window's rectangles (right and bottom outside) and Qt's
// (right and bottom inside).
#pragma once

#include <QRect>

#include "PlotTypes.h"

inline QRect ToQRect(const CRect& rc)
{
    return QRect(QPoint(rc.left, rc.top), QPoint(rc.right - 1, rc.bottom - 1));
}
