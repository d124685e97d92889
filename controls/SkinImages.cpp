#include "SkinImages.h"

QImage LoadSkinImage(int /*nId*/)
{
    return QImage();
}
