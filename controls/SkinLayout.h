// Where the skin expects each control of the main window, in dialog units of
// the 834 x 406 window, and the conversion to pixels. The background's panels
// and captions and the images' sizes are drawn from this one table, so a
// window that places its controls here lines up with the art.
#pragma once

#include <QRect>
#include <QSize>

// The window in dialog units and in pixels.
constexpr int kDialogWidthUnits = 834;
constexpr int kDialogHeightUnits = 406;

// Dialog units to pixels for the window's 8-point font: 6 px per 4 units
// across, 13 px per 8 units down, rounded like the dialog's own mapping.
int DialogUnitsToPixelsX(int nUnits);
int DialogUnitsToPixelsY(int nUnits);
// Each edge converted on its own, as the dialog places a control.
QRect DialogUnitsToPixels(const QRect& rcUnits);
// The smallest image that covers a control of this size wherever it is placed.
QSize DialogUnitsToImageSize(const QSize& szUnits);
QSize SkinWindowPixelSize();

// The control's place in dialog units, or a null rectangle for an id the
// skin does not place (a control that is never shown, for example).
QRect SkinControlRect(int nId);

// The panels of the background, in dialog units.
enum class SkinPanel { Graph, Logo, PcPreset, DevicePreset, DeviceLink, Equalizer, Input, Channel, Outputs };
QRect SkinPanelRect(SkinPanel panel);
