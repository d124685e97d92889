// The window's skin: every image its controls use, drawn by our own code at
// the pixel size the window expects and looked up by the image's id.
#pragma once

#include <QImage>
#include <vector>

// The window's background panel. The background has no id of its own among
// the controls' images, so the skin gives it one outside their range.
constexpr int IDB_SKIN_BACKGROUND = 300;

// The image with this id, or a null image for an id the skin does not have.
// Images are drawn once and then handed out from a cache.
QImage LoadSkinImage(int nId);

// Every id LoadSkinImage knows, ascending.
std::vector<int> SkinImageIds();

// Pictures the window reads from its working folder ("Bmp/Splsh.bmp" and
// "Bmp/LOGO.bmp"), drawn in the skin's style so they can be written there.
QImage DrawSplashImage();
QImage DrawLogoImage();

// The program's icon, nSize pixels square, in the skin's colours.
QImage DrawProgramIcon(int nSize);
