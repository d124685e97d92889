#include "ProgramIcon.h"

#include <QPixmap>

#include "SkinImages.h"

QIcon ProgramIcon()
{
    QIcon icon;
    for (const int nSize : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(nSize)));
    return icon;
}
