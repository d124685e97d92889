#include "SkinLayout.h"

#include <unordered_map>

namespace {

// The equaliser strip: 31 band columns to the right of a column of row
// captions and mode buttons.
constexpr int kBands = 31;
constexpr int kBandLeft = 52;
constexpr int kBandPitch = 25;
// The four output columns.
constexpr int kOutputLeft = 474;
constexpr int kOutputPitch = 88;
// The crossover and delay sections share one shape.
constexpr int kHpfLeft = 141;
constexpr int kLpfLeft = 253;

using PlaceMap = std::unordered_map<int, QRect>;

void AddFilterSection(PlaceMap& map, int nLeft, int nFader, int nField, int nType, int nSlope)
{
    map[nFader] = QRect(nLeft + 9, 302, 24, 67);
    map[nField] = QRect(nLeft + 6, 374, 40, 12);
    map[nType] = QRect(nLeft + 39, 315, 66, 12);
    map[nSlope] = QRect(nLeft + 39, 343, 66, 12);
}

PlaceMap BuildPlaces()
{
    PlaceMap map;
    map[1163] = QRect(6, 4, 569, 155);   // response graph
    map[1298] = QRect(581, 4, 247, 16);  // logo

    // PC Preset
    map[1104] = QRect(676, 26, 70, 16);
    map[1182] = QRect(752, 26, 70, 16);
    // Device Preset
    for (int i = 0; i < 5; ++i) {
        map[1174 + i] = QRect(586, 61 + 12 * i, 38, 10);
        map[1164 + i] = QRect(626, 60 + 12 * i, 84, 12);
    }
    map[1183] = QRect(752, 66, 70, 16);
    map[1184] = QRect(752, 92, 70, 16);
    // Device Link
    map[1080] = QRect(640, 129, 182, 6);
    map[1078] = QRect(606, 141, 64, 12);
    map[1198] = QRect(676, 139, 70, 16);
    map[1155] = QRect(752, 139, 70, 16);

    // Equaliser strip
    map[1282] = QRect(10, 180, 40, 16);
    map[1283] = QRect(10, 199, 40, 16);
    map[1302] = QRect(10, 221, 40, 20);
    for (int b = 0; b < kBands; ++b) {
        const int x = kBandLeft + kBandPitch * b;
        map[1249 + b] = QRect(x + 1, 166, 23, 9);
        map[2000 + b] = QRect(x + 3, 177, 20, 66);
        map[1312 + b] = QRect(x + 3, 245, 20, 11);
        map[1000 + b] = QRect(x + 1, 258, 23, 11);
        map[2050 + b] = QRect(x + 1, 271, 23, 11);
    }

    // INPUT
    map[1343] = QRect(11, 305, 52, 20);
    map[1344] = QRect(11, 330, 52, 20);
    // GAIN, HPF, LPF, DELAY
    map[1135] = QRect(86, 302, 24, 67);
    map[1082] = QRect(77, 374, 40, 12);
    AddFilterSection(map, kHpfLeft, 1136, 1067, 1308, 1309);
    AddFilterSection(map, kLpfLeft, 1137, 1072, 1310, 1311);
    map[1138] = QRect(374, 302, 24, 67);
    map[1077] = QRect(368, 374, 50, 12);  // room for "272.371INCH"
    map[1301] = QRect(420, 374, 42, 12);
    map[1195] = QRect(410, 320, 44, 16);

    // Output columns, and the mode switch under the first two of them.
    for (int k = 0; k < 4; ++k) {
        const int x = kOutputLeft + kOutputPitch * k + 8;
        map[2090 + k] = QRect(x, 292, 72, 16);
        map[2120 + k] = QRect(x, 312, 34, 20);
        map[1303 + k] = QRect(x + 38, 312, 34, 20);
        map[2110 + k] = QRect(x, 344, 72, 12);
        map[2100 + k] = QRect(x, 368, 72, 12);
    }
    map[1307] = QRect(kOutputLeft + 8, 384, kOutputPitch + 72, 16);
    return map;
}

const PlaceMap& Places()
{
    static const PlaceMap s_places = BuildPlaces();
    return s_places;
}

}  // namespace

int DialogUnitsToPixelsX(int nUnits)
{
    return (nUnits * 6 + 2) / 4;
}

int DialogUnitsToPixelsY(int nUnits)
{
    return (nUnits * 13 + 4) / 8;
}

QRect DialogUnitsToPixels(const QRect& rcUnits)
{
    const int nLeft = DialogUnitsToPixelsX(rcUnits.x());
    const int nTop = DialogUnitsToPixelsY(rcUnits.y());
    return QRect(nLeft, nTop, DialogUnitsToPixelsX(rcUnits.x() + rcUnits.width()) - nLeft,
                 DialogUnitsToPixelsY(rcUnits.y() + rcUnits.height()) - nTop);
}

QSize DialogUnitsToImageSize(const QSize& szUnits)
{
    // Rounded edges make a control at most the ceiling of its exact size.
    return QSize((szUnits.width() * 6 + 3) / 4, (szUnits.height() * 13 + 7) / 8);
}

QSize SkinWindowPixelSize()
{
    return DialogUnitsToPixels(QRect(0, 0, kDialogWidthUnits, kDialogHeightUnits)).size();
}

QRect SkinControlRect(int nId)
{
    const auto it = Places().find(nId);
    return it == Places().end() ? QRect() : it->second;
}

QRect SkinPanelRect(SkinPanel panel)
{
    switch (panel) {
    case SkinPanel::Graph:
        return QRect(6, 4, 569, 155);
    case SkinPanel::Logo:
        return QRect(581, 4, 247, 16);
    case SkinPanel::PcPreset:
        return QRect(581, 23, 247, 22);
    case SkinPanel::DevicePreset:
        return QRect(581, 48, 247, 75);
    case SkinPanel::DeviceLink:
        return QRect(581, 126, 247, 33);
    case SkinPanel::Equalizer:
        return QRect(6, 163, 823, 122);
    case SkinPanel::Input:
        return QRect(6, 289, 62, 113);
    case SkinPanel::Channel:
        return QRect(71, 289, 400, 113);
    case SkinPanel::Outputs:
        return QRect(474, 289, 354, 113);
    }
    return QRect();
}
