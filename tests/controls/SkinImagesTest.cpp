// The skin: every image the window asks for exists at the size its control
// shows it, the fader cap's key colour surrounds it, the forms of a button
// differ, and the layout the art is drawn for fits together.
#include "SkinImages.h"
#include "SkinLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ExpectedSize {
    std::vector<int> ids;
    int nWidth;
    int nHeight;
};

const std::vector<ExpectedSize>& WindowImages()
{
    static const std::vector<ExpectedSize> s_images = {
        {{158}, 29, 107},
        {{159}, 15, 23},
        {{160}, 35, 108},
        {{164, IDB_SKIN_BACKGROUND}, 1251, 660},
        {{165, 166}, 18, 18},
        {{170, 171, 172, 175, 176, 177, 178, 179, 180, 181, 182, 183, 184, 185, 186, 214, 215, 216}, 105, 26},
        {{238, 239, 240, 241, 242, 243, 233, 234, 235}, 60, 26},
        {{199, 200, 201, 202, 203, 204, 205, 206, 207}, 66, 26},
        {{221, 222, 223, 224, 225, 226, 227, 228, 229, 230, 231, 232, 259, 260, 261, 262}, 108, 26},
        {{246, 247, 251, 252}, 51, 33},
        {{249, 250}, 60, 33},
        {{253, 254, 255, 256, 257, 258}, 240, 26},
        {{263, 264}, 30, 18},
        {{265, 266, 267, 268}, 78, 33},
    };
    return s_images;
}

// The skinned command buttons: control id, then normal, down and over image.
struct SkinButton {
    int nControl;
    int nNormal;
    int nDown;
    int nOver;
};
const SkinButton kSkinButtons[] = {
    {1282, 240, 238, 239}, {1283, 243, 241, 242}, {1198, 216, 214, 215}, {1155, 171, 172, 170}, {1104, 177, 175, 176},
    {1182, 180, 178, 179}, {1183, 186, 182, 184}, {1184, 185, 181, 183}, {2090, 225, 221, 229}, {2091, 226, 222, 230},
    {2092, 227, 223, 231}, {2093, 228, 224, 232}, {1195, 205, 199, 202},
};

TEST(SkinImages, EveryWindowImageExistsAtItsSize)
{
    size_t nCount = 0;
    for (const ExpectedSize& expected : WindowImages()) {
        for (const int nId : expected.ids) {
            const QImage image = LoadSkinImage(nId);
            ASSERT_FALSE(image.isNull()) << nId;
            EXPECT_EQ(image.size(), QSize(expected.nWidth, expected.nHeight)) << nId;
            ++nCount;
        }
    }
    EXPECT_EQ(SkinImageIds().size(), nCount) << "an image without an expected size";

    // A skinned button copies the top-left part of its image: the image must
    // cover the button wherever the window places it.
    for (const SkinButton& button : kSkinButtons) {
        const QSize sizeButton = DialogUnitsToPixels(SkinControlRect(button.nControl)).size();
        const QSize sizeImage = LoadSkinImage(button.nNormal).size();
        EXPECT_GE(sizeImage.width(), sizeButton.width()) << button.nControl;
        EXPECT_GE(sizeImage.height(), sizeButton.height()) << button.nControl;
    }
    const QSize sizeLogo = DialogUnitsToPixels(SkinControlRect(1298)).size();
    EXPECT_GE(DrawLogoImage().width(), sizeLogo.width());
    EXPECT_GE(DrawLogoImage().height(), sizeLogo.height());
    EXPECT_FALSE(DrawSplashImage().isNull());
}

TEST(SkinImages, UnknownIdsGiveNullImages)
{
    for (const int nId : {0, -1, 99999, 157, 161})
        EXPECT_TRUE(LoadSkinImage(nId).isNull()) << nId;
}

TEST(SkinImages, ThumbKeyColourSurroundsTheCap)
{
    const QImage thumb = LoadSkinImage(159);
    const QRgb key = thumb.pixel(0, 0);
    const int nRight = thumb.width() - 1;
    const int nBottom = thumb.height() - 1;
    for (const QPoint pt : {QPoint(nRight, 0), QPoint(0, nBottom), QPoint(nRight, nBottom), QPoint(7, 0),
                            QPoint(7, nBottom), QPoint(0, 11), QPoint(nRight, 11)})
        EXPECT_EQ(thumb.pixel(pt), key) << pt.x() << "," << pt.y();
    // Inside the edge every pixel is cap: a key pixel there would be a hole.
    for (int y = 2; y < nBottom - 1; ++y)
        for (int x = 2; x < nRight - 1; ++x)
            ASSERT_NE(thumb.pixel(x, y), key) << x << "," << y;
}

TEST(SkinImages, FormsOfOneButtonDiffer)
{
    for (const SkinButton& button : kSkinButtons) {
        const QImage normal = LoadSkinImage(button.nNormal);
        EXPECT_NE(normal, LoadSkinImage(button.nDown)) << button.nControl;
        EXPECT_NE(normal, LoadSkinImage(button.nOver)) << button.nControl;
        EXPECT_NE(LoadSkinImage(button.nDown), LoadSkinImage(button.nOver)) << button.nControl;
    }
    // Channel keys in bass link mode, and each switch's two states.
    for (const auto& [nNormal, nDisabled] : {std::pair{225, 260}, {226, 261}, {227, 262}, {228, 259}})
        EXPECT_NE(LoadSkinImage(nNormal), LoadSkinImage(nDisabled)) << nDisabled;
    EXPECT_NE(LoadSkinImage(260), LoadSkinImage(262));
    for (const auto& [nUnchecked, nChecked] :
         {std::pair{264, 263}, {266, 267}, {268, 265}, {258, 255}, {249, 250}, {251, 252}, {247, 246}})
        EXPECT_NE(LoadSkinImage(nUnchecked), LoadSkinImage(nChecked)) << nChecked;
    EXPECT_NE(LoadSkinImage(258), LoadSkinImage(257));
    EXPECT_NE(LoadSkinImage(258), LoadSkinImage(256));
}

TEST(SkinImages, SameIdTwiceIsTheCachedImage)
{
    for (const int nId : {158, 171, IDB_SKIN_BACKGROUND})
        EXPECT_EQ(LoadSkinImage(nId).cacheKey(), LoadSkinImage(nId).cacheKey()) << nId;
    EXPECT_EQ(LoadSkinImage(164).cacheKey(), LoadSkinImage(IDB_SKIN_BACKGROUND).cacheKey());
}

TEST(SkinLayout, ControlsFitTheWindowWithoutOverlapping)
{
    const QRect rcWindow(0, 0, kDialogWidthUnits, kDialogHeightUnits);
    EXPECT_EQ(SkinWindowPixelSize(), QSize(1251, 660));
    std::vector<std::pair<int, QRect>> places;
    for (int nId = 1000; nId < 2200; ++nId) {
        const QRect rc = SkinControlRect(nId);
        if (rc.isNull())
            continue;
        EXPECT_TRUE(rcWindow.contains(rc)) << nId;
        for (const auto& [nOther, rcOther] : places)
            EXPECT_FALSE(rc.intersects(rcOther)) << nId << " overlaps " << nOther;
        places.emplace_back(nId, rc);
    }
    EXPECT_GT(places.size(), 200u);
    EXPECT_TRUE(SkinControlRect(1189).isNull());

    // Odd sizes round either way by position, but never past the image size.
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 8; ++y)
            for (const QSize size : {QSize(20, 11), QSize(33, 17), QSize(1, 1)}) {
                const QSize sizePixels = DialogUnitsToPixels(QRect(QPoint(x, y), size)).size();
                const QSize sizeImage = DialogUnitsToImageSize(size);
                EXPECT_LE(sizePixels.width(), sizeImage.width());
                EXPECT_LE(sizePixels.height(), sizeImage.height());
            }
}

}  // namespace
