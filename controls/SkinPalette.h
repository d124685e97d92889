// The one palette of the skin: a graphite hardware panel with a single cyan
// accent for lit and latched states. Every skin image takes its colours here.
#pragma once

#include <QColor>

namespace SkinPalette {

// Panel body and the recessed plates of its sections.
inline const QColor kBodyTop{0x33, 0x36, 0x3b};
inline const QColor kBodyBottom{0x27, 0x29, 0x2d};
inline const QColor kPlate{0x1f, 0x21, 0x24};
inline const QColor kPlateEdgeDark{0x12, 0x13, 0x15};
inline const QColor kPlateEdgeLight{0x44, 0x48, 0x4e};
inline const QColor kDivider{0x2e, 0x31, 0x35};

// Keys (buttons and switches).
inline const QColor kKeyTop{0x56, 0x5b, 0x62};
inline const QColor kKeyBottom{0x3d, 0x41, 0x47};
inline const QColor kKeyOverTop{0x66, 0x6c, 0x74};
inline const QColor kKeyOverBottom{0x4a, 0x4f, 0x56};
inline const QColor kKeyDownTop{0x26, 0x29, 0x2d};
inline const QColor kKeyDownBottom{0x31, 0x35, 0x3a};
inline const QColor kKeyOffTop{0x35, 0x38, 0x3c};
inline const QColor kKeyOffBottom{0x2e, 0x31, 0x35};
inline const QColor kKeyOutline{0x0c, 0x0d, 0x0f};
inline const QColor kKeyHighlight{0x78, 0x7e, 0x87};

// Legends.
inline const QColor kLegend{0xec, 0xee, 0xf1};
inline const QColor kLegendSoft{0xa4, 0xaa, 0xb2};
inline const QColor kLegendDim{0x63, 0x68, 0x6f};
inline const QColor kEngraved{0x9c, 0xa2, 0xaa};

// The accent: lit LEDs, latched keys, active symbols.
inline const QColor kAccent{0x3c, 0xc8, 0xff};
inline const QColor kAccentDim{0x1d, 0x4a, 0x5c};
inline const QColor kLedOff{0x1a, 0x2a, 0x32};
// A muted output's cross: the only warning colour of the panel.
inline const QColor kWarning{0xf0, 0x55, 0x4e};

// Fader slots, scales and caps.
inline const QColor kSlot{0x08, 0x09, 0x0a};
inline const QColor kSlotEdge{0x3c, 0x40, 0x45};
inline const QColor kScale{0x74, 0x7a, 0x82};
inline const QColor kScaleZero{0xc8, 0xcd, 0xd3};
inline const QColor kCapLight{0xe6, 0xe8, 0xeb};
inline const QColor kCapDark{0x8a, 0x8f, 0x96};
inline const QColor kCapGroove{0x4b, 0x4f, 0x55};
inline const QColor kCapLine{0xff, 0xff, 0xff};

// The fader cap's transparent colour: never used anywhere inside the cap.
inline const QColor kThumbKey{0xff, 0x00, 0xff};

// The response graph's own black, for the bezel around it.
inline const QColor kGraphBlack{0x00, 0x00, 0x00};

}  // namespace SkinPalette
