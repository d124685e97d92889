// Gallery page "skin": every skin image on its own, a labelled contact sheet
// of the whole set, the background, and a mock-up of the window that puts
// each image where its control sits, so the set can be judged together.
#include "Gallery.h"
#include "SkinImages.h"
#include "SkinLayout.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kSheetWidth = 1100;
constexpr int kCellGap = 14;
constexpr int kLabelHeight = 14;

bool IsPanelSized(int nId)
{
    return nId == IDB_SKIN_BACKGROUND || nId == 164;
}

QImage ContactSheet(int nScale)
{
    const std::vector<int> ids = SkinImageIds();
    // Lay the images out in rows first to learn the sheet's height.
    struct Cell {
        int nId;
        QRect rc;
    };
    std::vector<Cell> cells;
    int x = kCellGap;
    int y = kCellGap;
    int nRowHeight = 0;
    for (const int nId : ids) {
        if (IsPanelSized(nId))
            continue;
        const QSize size = LoadSkinImage(nId).size() * nScale;
        const int nWidth = std::max(size.width(), 36);
        if (x + nWidth + kCellGap > kSheetWidth * nScale / 2 + kSheetWidth / 2) {
            x = kCellGap;
            y += nRowHeight + kLabelHeight + kCellGap;
            nRowHeight = 0;
        }
        cells.push_back({nId, QRect(QPoint(x, y), size)});
        x += nWidth + kCellGap;
        nRowHeight = std::max(nRowHeight, size.height());
    }
    const int nWidth = kSheetWidth * nScale / 2 + kSheetWidth / 2;
    QImage sheet(nWidth, y + nRowHeight + kLabelHeight + kCellGap, QImage::Format_RGB32);
    sheet.fill(QColor(0x1f, 0x21, 0x24));
    QPainter p(&sheet);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    p.setFont(font);
    p.setPen(QColor(0xc0, 0xc4, 0xca));
    for (const Cell& cell : cells) {
        p.drawImage(cell.rc, LoadSkinImage(cell.nId));
        p.drawText(QRect(cell.rc.left(), cell.rc.bottom() + 2, 60, kLabelHeight), Qt::AlignLeft | Qt::AlignTop,
                   QString::number(cell.nId));
    }
    return sheet;
}

// Puts an image at a control's place on the window.
void Place(QPainter& p, int nControlId, int nImageId)
{
    const QRect rc = DialogUnitsToPixels(SkinControlRect(nControlId));
    p.drawImage(rc.topLeft(), LoadSkinImage(nImageId).copy(QRect(QPoint(0, 0), rc.size())));
}

// A fader with its thumb at a fraction of its travel from the top.
void PlaceFader(QPainter& p, int nControlId, int nChannelId, int nMargin, double dFraction)
{
    const QPoint pt = DialogUnitsToPixels(SkinControlRect(nControlId)).topLeft();
    const QImage channel = LoadSkinImage(nChannelId);
    QImage thumb = LoadSkinImage(159).convertToFormat(QImage::Format_ARGB32);
    const QRgb key = thumb.pixel(0, 0);
    for (int y = 0; y < thumb.height(); ++y)
        for (int x = 0; x < thumb.width(); ++x)
            if (thumb.pixel(x, y) == key)
                thumb.setPixel(x, y, qRgba(0, 0, 0, 0));
    p.drawImage(pt, channel);
    const int nTravel = channel.height() - thumb.height();
    p.drawImage(pt + QPoint(nMargin, int(dFraction * nTravel)), thumb);
}

// A platform field or list, roughly as the window will show it.
void PlaceField(QPainter& p, int nControlId, const QString& strText)
{
    const QRect rc = DialogUnitsToPixels(SkinControlRect(nControlId));
    p.fillRect(rc, QColor(0x10, 0x11, 0x13));
    p.setPen(QColor(0x50, 0x55, 0x5b));
    p.drawRect(rc.adjusted(0, 0, -1, -1));
    p.setPen(QColor(0xe0, 0xe0, 0xe0));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    p.setFont(font);
    p.drawText(rc.adjusted(3, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft, strText);
}

QImage WindowMockup()
{
    QImage window = LoadSkinImage(IDB_SKIN_BACKGROUND).copy();
    QPainter p(&window);
    const QRect rcGraph = DialogUnitsToPixels(SkinControlRect(1163));
    p.fillRect(rcGraph, Qt::black);
    p.setPen(QColor(0, 100, 0));
    for (int i = 1; i < 12; ++i)
        p.drawLine(rcGraph.left(), rcGraph.top() + rcGraph.height() * i / 12, rcGraph.right(),
                   rcGraph.top() + rcGraph.height() * i / 12);

    const char* const aszBands[31] = {"20",  "25",   "32",    "40",   "50",    "63",   "80",    "100",
                                      "125", "160",  "200",   "250",  "315",   "400",  "500",   "630",
                                      "800", "1k",   "1.25k", "1.6k", "2k",    "2.5k", "3.15k", "4k",
                                      "5k",  "6.3k", "8k",    "10k",  "12.5k", "16k",  "20k"};
    for (int b = 0; b < 31; ++b) {
        const QRect rcLabel = DialogUnitsToPixels(SkinControlRect(1249 + b));
        p.fillRect(rcLabel, QColor(180, 182, 185));
        p.setPen(b == 5 ? Qt::red : Qt::black);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(10);
        font.setBold(true);
        p.setFont(font);
        p.drawText(rcLabel, Qt::AlignCenter, QString::fromLatin1(aszBands[b]));
        PlaceFader(p, 2000 + b, 158, 8, 0.5 - 0.3 * std::sin(b / 4.0));
        Place(p, 1312 + b, b % 3 == 0 ? 263 : 264);
        PlaceField(p, 1000 + b, QStringLiteral("0.0"));
        PlaceField(p, 2050 + b, QStringLiteral("1.41"));
    }
    Place(p, 1282, 238);
    Place(p, 1283, 242);
    Place(p, 1302, 249);
    Place(p, 1104, 177);
    Place(p, 1182, 179);
    Place(p, 1183, 186);
    Place(p, 1184, 181);
    Place(p, 1198, 216);
    Place(p, 1155, 172);
    for (int i = 0; i < 5; ++i) {
        PlaceField(p, 1164 + i, i == 0 ? QStringLiteral("LIVE") : QString());
        PlaceField(p, 1174 + i, QStringLiteral("PreS%1").arg(i + 1));
    }
    PlaceField(p, 1078, QStringLiteral("ttyUSB0"));
    p.fillRect(DialogUnitsToPixels(SkinControlRect(1080)), QColor(0x10, 0x11, 0x13));
    Place(p, 1343, 267);
    Place(p, 1344, 268);
    PlaceFader(p, 1135, 160, 10, 0.5);
    PlaceFader(p, 1136, 160, 10, 1.0);
    PlaceFader(p, 1137, 160, 10, 0.0);
    PlaceFader(p, 1138, 160, 10, 1.0);
    PlaceField(p, 1082, QStringLiteral("0.0"));
    PlaceField(p, 1067, QStringLiteral("20"));
    PlaceField(p, 1072, QStringLiteral("20000"));
    PlaceField(p, 1077, QStringLiteral("0.00"));
    PlaceField(p, 1301, QStringLiteral("MS"));
    for (const int nList : {1308, 1310})
        PlaceField(p, nList, QStringLiteral("Link_Ril"));
    for (const int nList : {1309, 1311})
        PlaceField(p, nList, QStringLiteral("12dB/Oct"));
    Place(p, 1195, 199);
    const int anDown[4] = {221, 222, 223, 224};
    const int anNormal[4] = {225, 226, 227, 228};
    const int anOver[4] = {229, 230, 231, 232};
    for (int k = 0; k < 4; ++k) {
        Place(p, 2090 + k, k == 0 ? anDown[k] : (k == 2 ? anOver[k] : anNormal[k]));
        Place(p, 2120 + k, k == 3 ? 247 : 246);
        Place(p, 1303 + k, k == 1 ? 252 : 251);
        PlaceField(p, 2110 + k, QStringLiteral("-90"));
        PlaceField(p, 2100 + k, QStringLiteral("CH%1").arg(k + 1));
    }
    Place(p, 1307, 258);
    return window;
}

// The small images enlarged pixel for pixel: the fader slots and cap, the
// band switch and the indicator.
QImage Detail()
{
    constexpr int kZoom = 6;
    const int anIds[] = {158, 159, 160, 263, 264, 165, 166};
    int nWidth = kCellGap;
    int nHeight = 0;
    for (const int nId : anIds) {
        nWidth += LoadSkinImage(nId).width() * kZoom + kCellGap;
        nHeight = std::max(nHeight, LoadSkinImage(nId).height() * kZoom);
    }
    QImage detail(nWidth, nHeight + 2 * kCellGap, QImage::Format_RGB32);
    detail.fill(QColor(0x1f, 0x21, 0x24));
    QPainter p(&detail);
    int x = kCellGap;
    for (const int nId : anIds) {
        const QImage image = LoadSkinImage(nId);
        p.drawImage(QPoint(x, kCellGap), image.scaled(image.size() * kZoom));
        x += image.width() * kZoom + kCellGap;
    }
    return detail;
}

void RenderSkin(CGalleryWriter& writer)
{
    for (const int nId : SkinImageIds())
        writer.Save(QStringLiteral("skin-%1").arg(nId), LoadSkinImage(nId));
    writer.Save(QStringLiteral("skin-sheet"), ContactSheet(1));
    writer.Save(QStringLiteral("skin-sheet-2x"), ContactSheet(2));
    writer.Save(QStringLiteral("skin-detail-6x"), Detail());
    writer.Save(QStringLiteral("skin-background"), LoadSkinImage(IDB_SKIN_BACKGROUND));
    writer.Save(QStringLiteral("skin-window"), WindowMockup());
    writer.Save(QStringLiteral("skin-splash"), DrawSplashImage());
    writer.Save(QStringLiteral("skin-logo"), DrawLogoImage());
}

const bool s_registered = RegisterGalleryPage("skin", RenderSkin);

}  // namespace
