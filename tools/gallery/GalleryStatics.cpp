// Gallery page "statics": band labels, the pictures, the gradient progress
// bar at several positions, and the splash window.
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QWidget>

#include "BmpStatic.h"
#include "FontStatic.h"
#include "Gallery.h"
#include "GradientProgressCtrl.h"
#include "QtColor.h"
#include "SkinImages.h"
#include "SkinPalette.h"
#include "SplashWnd.h"

namespace {
constexpr CFontStatic::COLORREF SELECTED_BAND_COLOR = 0x0000FF;

// The skin's picture, or a stand-in so the state still shows.
QImage PictureOr(int nId, const QString& caption, const QColor& color)
{
    QImage image = LoadSkinImage(nId);
    if (!image.isNull())
        return image;
    image = QImage(64, 32, QImage::Format_RGB32);
    image.fill(color);
    QPainter painter(&image);
    painter.setPen(Qt::white);
    painter.drawText(image.rect(), Qt::AlignCenter, caption);
    return image;
}

QImage SplashPicture()
{
    QImage image(240, 120, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 240, 120);
    gradient.setColorAt(0, QColor(20, 30, 60));
    gradient.setColorAt(1, QColor(60, 90, 150));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(28);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("VARDEN"));
    return image;
}

void RenderStatics(CGalleryWriter& writer)
{
    CFontStatic label(nullptr, 1266);
    label.resize(40, 22);
    label.SetText("1.25k");
    writer.SaveWidget(QStringLiteral("statics-band-label"), label);
    label.SetTextColor(SELECTED_BAND_COLOR);
    writer.SaveWidget(QStringLiteral("statics-band-label-selected"), label);

    CBmpStatic picture(nullptr, 1162);
    picture.SetImages(PictureOr(165, QStringLiteral("165 on"), QColor(0, 120, 0)),
                      PictureOr(166, QStringLiteral("166 off"), QColor(120, 0, 0)));
    picture.resize(picture.GetOnImage().size());
    writer.SaveWidget(QStringLiteral("statics-picture-on"), picture);
    picture.SetState(false);
    writer.SaveWidget(QStringLiteral("statics-picture-off"), picture);

    CGradientProgressCtrl bar(nullptr, 1080);
    bar.resize(240, 18);
    bar.SetRange(0, 400);
    for (bool bPercent : {false, true}) {
        bar.ShowPercent(bPercent);
        for (int nPercent : {0, 25, 50, 100}) {
            bar.SetPos(nPercent * 4);
            writer.SaveWidget(QStringLiteral("statics-progress-%1%2").arg(nPercent).arg(bPercent ? "-text" : ""), bar);
        }
    }
    // As the window shows a sending: its words in the window's colours.
    bar.ShowPercent(false);
    bar.SetBkColor(ToColorRef(QColor(0x10, 0x11, 0x13)));
    bar.SetTextColor(ToColorRef(SkinPalette::kLegend));
    bar.SetText("sending 28 changes");
    for (int nPercent : {10, 50, 100}) {
        bar.SetPos(nPercent * 4);
        writer.SaveWidget(QStringLiteral("statics-progress-%1-words").arg(nPercent), bar);
    }

    const QString splashPath = QDir::temp().filePath(QStringLiteral("varden-gallery-splash.bmp"));
    SplashPicture().save(splashPath, "BMP");
    const bool bWasEnabled = CSplashWnd::IsSplashEnabled();
    CSplashWnd::EnableSplash(true);
    if (CSplashWnd::ShowSplash(3000, splashPath.toStdString(), nullptr))
        writer.SaveWidget(QStringLiteral("statics-splash"), *CSplashWnd::Instance());
    CSplashWnd::HideSplash();
    CSplashWnd::EnableSplash(bWasEnabled);
    QFile::remove(splashPath);
}

const bool s_registered = RegisterGalleryPage("statics", RenderStatics);
}  // namespace
