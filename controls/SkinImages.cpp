#include "SkinImages.h"

#include "SkinArt.h"
#include "SkinLayout.h"

#include <QString>
#include <functional>
#include <map>
#include <mutex>
#include <unordered_map>

namespace {

using ImageDrawer = std::function<QImage()>;
using DrawerMap = std::map<int, ImageDrawer>;

// Fader images: their sizes and the thumb's place in them are the sliders'
// configuration, so they are fixed here rather than taken from the layout.
constexpr QSize kBandFaderSize(29, 107);
constexpr QSize kChannelFaderSize(35, 108);
constexpr QSize kThumbSize(15, 23);
constexpr int kBandFaderMargin = 8;
constexpr int kChannelFaderMargin = 10;
// Scale marks: 5 dB steps over the band gain's +-20 dB, tenths elsewhere.
constexpr int kBandFaderTicks = 9;
constexpr int kChannelFaderTicks = 11;
// The hidden m_bABFlag picture and the splash have no place on the window.
constexpr QSize kIndicatorSize(18, 18);
constexpr QSize kSplashSize(480, 300);

// Controls that are never shown have no place; they take a sibling's size.
constexpr int kOffKeyPlace = 1195;
constexpr int kSpareKeyPlace = 1282;

QSize PlaceSize(int nControlId)
{
    return DialogUnitsToImageSize(SkinControlRect(nControlId).size());
}

const SkinKeyLook kNormal{};
const SkinKeyLook kOver{false, true, false, false};
const SkinKeyLook kDown{true, false, true, false};
const SkinKeyLook kDownOver{true, true, true, false};
const SkinKeyLook kPressedUnlit{true, false, false, false};
const SkinKeyLook kDisabled{false, false, false, true};

// A command key's normal, down and over images.
void AddKey(DrawerMap& map, int nControlId, const char* szLegend, int nNormal, int nDown, int nOver)
{
    const QSize size = PlaceSize(nControlId);
    const QString strLegend = QString::fromLatin1(szLegend);
    map[nNormal] = [=] { return DrawCommandKey(size, strLegend, kNormal); };
    map[nDown] = [=] { return DrawCommandKey(size, strLegend, kDown); };
    map[nOver] = [=] { return DrawCommandKey(size, strLegend, kOver); };
}

// A switch that shows one legend in both states.
void AddSwitch(DrawerMap& map, int nControlId, const char* szLegend, int nUnchecked, int nChecked)
{
    const QSize size = PlaceSize(nControlId);
    const QString strLegend = QString::fromLatin1(szLegend);
    map[nUnchecked] = [=] { return DrawLegendSwitch(size, strLegend, kNormal); };
    map[nChecked] = [=] { return DrawLegendSwitch(size, strLegend, kDown); };
}

DrawerMap BuildDrawers()
{
    DrawerMap map;
    map[158] = [] {
        return DrawFaderChannel(kBandFaderSize, kBandFaderMargin, kThumbSize.width(), kThumbSize.height(),
                                kBandFaderTicks);
    };
    map[159] = [] { return DrawFaderThumb(kThumbSize); };
    map[160] = [] {
        return DrawFaderChannel(kChannelFaderSize, kChannelFaderMargin, kThumbSize.width(), kThumbSize.height(),
                                kChannelFaderTicks);
    };

    // Picture 1090 is a full-window picture: the background itself.
    map[164] = [] { return LoadSkinImage(IDB_SKIN_BACKGROUND); };
    map[165] = [] { return DrawIndicator(kIndicatorSize, true); };
    map[166] = [] { return DrawIndicator(kIndicatorSize, false); };
    map[IDB_SKIN_BACKGROUND] = [] { return DrawBackground(); };

    AddKey(map, 1282, "EQ GAIN", 240, 238, 239);
    AddKey(map, 1283, "EQ Q", 243, 241, 242);
    AddKey(map, 1198, "SEARCH", 216, 214, 215);
    AddKey(map, 1155, "CONNECT", 171, 172, 170);
    AddKey(map, 1104, "SAVE", 177, 175, 176);
    AddKey(map, 1182, "OPEN", 180, 178, 179);
    AddKey(map, 1183, "WRITE", 186, 182, 184);
    AddKey(map, 1184, "READ", 185, 181, 183);
    AddKey(map, kOffKeyPlace, "OFF", 205, 199, 202);
    // The template's spare crossover and delay keys and button 1248 are never
    // shown and say nothing of their use: plain keys without a legend.
    AddKey(map, kOffKeyPlace, "", 206, 200, 203);
    AddKey(map, kOffKeyPlace, "", 207, 201, 204);
    AddKey(map, kSpareKeyPlace, "", 233, 234, 235);

    // Channel keys CH1..CH4. In bass link mode they are disabled: the first
    // two then name the mode that holds them, the others are dimmed.
    constexpr int kNormalIds[4] = {225, 226, 227, 228};
    constexpr int kDownIds[4] = {221, 222, 223, 224};
    constexpr int kOverIds[4] = {229, 230, 231, 232};
    constexpr int kDisabledIds[4] = {260, 261, 262, 259};
    for (int k = 0; k < 4; ++k) {
        const QString strName = QStringLiteral("CH%1").arg(k + 1);
        AddKey(map, 2090 + k, qPrintable(strName), kNormalIds[k], kDownIds[k], kOverIds[k]);
        const QSize size = PlaceSize(2090 + k);
        if (k < 2) {
            const SkinKeyLook held{false, false, true, true};
            map[kDisabledIds[k]] = [=] {
                return DrawCommandKey(size, QStringLiteral("BASS MODE"), held, QColor(0x5f, 0x9d, 0xb8));
            };
        } else {
            map[kDisabledIds[k]] = [=] { return DrawCommandKey(size, strName, kDisabled); };
        }
    }

    AddSwitch(map, 1312, "BYP", 264, 263);
    AddSwitch(map, 1343, "HIGH LEVEL", 266, 267);
    AddSwitch(map, 1344, "LOW LEVEL", 268, 265);
    AddSwitch(map, 1302, "EQ\nBYPASS", 249, 250);
    const QSize sizeMode = PlaceSize(1307);
    map[258] = [=] { return DrawLegendSwitch(sizeMode, QStringLiteral("STEREO MODE"), kNormal); };
    map[257] = [=] { return DrawLegendSwitch(sizeMode, QStringLiteral("STEREO MODE"), kOver); };
    map[256] = [=] { return DrawLegendSwitch(sizeMode, QStringLiteral("STEREO MODE"), kPressedUnlit); };
    map[255] = [=] { return DrawLegendSwitch(sizeMode, QStringLiteral("BASS LINK MODE"), kDown); };
    map[254] = [=] { return DrawLegendSwitch(sizeMode, QStringLiteral("BASS LINK MODE"), kDownOver); };
    map[253] = [=] { return DrawLegendSwitch(sizeMode, QStringLiteral("BASS LINK MODE"), kDown); };

    const QSize sizePolarity = PlaceSize(1303);
    map[251] = [=] { return DrawPolaritySwitch(sizePolarity, false, kNormal); };
    map[252] = [=] { return DrawPolaritySwitch(sizePolarity, true, kDown); };
    const QSize sizeOutput = PlaceSize(2120);
    map[247] = [=] { return DrawSpeakerSwitch(sizeOutput, false, kNormal); };
    map[246] = [=] { return DrawSpeakerSwitch(sizeOutput, true, kDown); };
    return map;
}

qreal g_dSkinRatio = 1.0;
thread_local qreal t_dDrawingRatio = 1.0;

const DrawerMap& Drawers()
{
    static const DrawerMap s_drawers = BuildDrawers();
    return s_drawers;
}

}  // namespace

QImage LoadSkinImage(int nId)
{
    return LoadSkinImage(nId, g_dSkinRatio);
}

QImage LoadSkinImage(int nId, qreal dPixelRatio)
{
    // Controls ask at every paint: draw each image once per ratio.
    static std::recursive_mutex s_mutex;
    static std::map<std::pair<int, int>, QImage> s_cache;
    const auto itDrawer = Drawers().find(nId);
    if (itDrawer == Drawers().end())
        return QImage();
    const qreal dRatio = dPixelRatio > 0 ? dPixelRatio : 1.0;
    const std::pair<int, int> key(nId, qRound(dRatio * 100));
    const std::lock_guard<std::recursive_mutex> lock(s_mutex);
    const auto itCached = s_cache.find(key);
    if (itCached != s_cache.end())
        return itCached->second;
    const qreal dOuter = t_dDrawingRatio;
    t_dDrawingRatio = dRatio;
    QImage image = itDrawer->second();
    t_dDrawingRatio = dOuter;
    s_cache.emplace(key, image);
    return image;
}

void SetSkinPixelRatio(qreal dPixelRatio)
{
    g_dSkinRatio = dPixelRatio > 0 ? dPixelRatio : 1.0;
}

qreal GetSkinPixelRatio()
{
    return g_dSkinRatio;
}

qreal SkinDrawingRatio()
{
    return t_dDrawingRatio;
}

std::vector<int> SkinImageIds()
{
    std::vector<int> ids;
    for (const auto& [nId, drawer] : Drawers())
        ids.push_back(nId);
    return ids;
}

QImage DrawSplashImage()
{
    return DrawSplash(kSplashSize);
}

QImage DrawLogoImage()
{
    return DrawLogo(DialogUnitsToImageSize(SkinControlRect(1298).size()));
}
