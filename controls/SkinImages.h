// The window's skin: every image its controls use, drawn by our own code at
// the pixel size the window expects and looked up by the image's id.
#pragma once

#include <QImage>

// The image with this id, or a null image for an id the skin does not have.
QImage LoadSkinImage(int nId);
