// The drawing functions of the skin's image groups. LoadSkinImage maps the
// window's image ids onto them; nothing else calls them directly.
#pragma once

#include "SkinPainter.h"

#include <QImage>
#include <QSize>
#include <QString>

// Faders: the recessed slot with its scale, and the metal cap whose corner
// pixel is the transparent colour.
QImage DrawFaderChannel(const QSize& size, int nMarginLeft, int nThumbWidth, int nThumbHeight, int nTicks);
QImage DrawFaderThumb(const QSize& size);

// Command keys: a legend under an LED strip that lights when the key is down.
// An invalid legend colour takes the look's own.
QImage DrawCommandKey(const QSize& size, const QString& strLegend, const SkinKeyLook& look,
                      const QColor& legendColour = QColor());

// Switches: the same keys with symbols where a word would not fit.
QImage DrawLegendSwitch(const QSize& size, const QString& strLegend, const SkinKeyLook& look);
QImage DrawSpeakerSwitch(const QSize& size, bool bOn, const SkinKeyLook& look);
QImage DrawPolaritySwitch(const QSize& size, bool bInverted, const SkinKeyLook& look);

// Pictures: the window's background panel, a lone LED, the logo and the splash.
QImage DrawBackground();
QImage DrawIndicator(const QSize& size, bool bLit);
QImage DrawLogo(const QSize& size);
QImage DrawSplash(const QSize& size);

// The pixel ratio of the image being drawn now: CSkinPainter::NewImage makes
// its images at this ratio.
qreal SkinDrawingRatio();
