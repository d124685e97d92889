// Between the window's 0x00BBGGRR colour values and Qt's colours.
#pragma once

#include <QColor>

#include "ColorRef.h"

inline QColor ToQColor(COLORREF cr)
{
    return QColor(GetRValue(cr), GetGValue(cr), GetBValue(cr));
}

inline COLORREF ToColorRef(const QColor& colour)
{
    return MakeColorRef(colour.red(), colour.green(), colour.blue());
}
