// The window's skin: every image its controls use, drawn by our own code at
// the pixel size the window expects and looked up by the image's id.
#pragma once

#include <QImage>
#include <vector>

// The window's background panel. The background has no id of its own among
// the controls' images, so the skin gives it one outside their range.
constexpr int IDB_SKIN_BACKGROUND = 300;

// The image with this id, or a null image for an id the skin does not have.
// Images are drawn once per pixel ratio and then handed out from a cache.
// Without a ratio they are drawn at the skin's ratio (see below).
QImage LoadSkinImage(int nId);
QImage LoadSkinImage(int nId, qreal dPixelRatio);

// The screen's device pixel ratio, so the skin is drawn sharp on a scaled
// screen: images then have that many pixels per unit and say so in their
// devicePixelRatio. 1 until the program sets it.
void SetSkinPixelRatio(qreal dPixelRatio);
qreal GetSkinPixelRatio();

// Every id LoadSkinImage knows, ascending.
std::vector<int> SkinImageIds();

// Pictures the window reads from its working folder ("Bmp/Splsh.bmp" and
// "Bmp/LOGO.bmp"), drawn in the skin's style so they can be written there.
QImage DrawSplashImage();
QImage DrawLogoImage();

// The program's icon, nSize pixels square, in the skin's colours.
QImage DrawProgramIcon(int nSize);
