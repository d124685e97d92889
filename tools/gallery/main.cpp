// varden-gallery OUTDIR [PAGE...]: renders every control in each of its
// states, and every skin image, into PNG files in OUTDIR. Run it with
// QT_QPA_PLATFORM=offscreen on a machine without a display.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

#include "AppSettings.h"
#include "Gallery.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The window page connects and saves: never into the user's settings.
    QTemporaryDir settings;
    CAppSettings::KeepAsideIn(settings.path());
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::fprintf(stderr, "usage: varden-gallery OUTDIR [PAGE...]\npages:");
        for (const NamedGalleryPage& p : GalleryPages())
            std::fprintf(stderr, " %s", p.szName);
        std::fprintf(stderr, "\n");
        return argc < 2 ? 2 : 0;
    }
    // Taken whole now: the window page works in a folder of its own.
    QDir dir(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "varden-gallery: cannot create folder %s\n", argv[1]);
        return 1;
    }
    CGalleryWriter writer(dir);
    int nPages = 0;
    for (const NamedGalleryPage& p : GalleryPages()) {
        bool bWanted = argc == 2;
        for (int i = 2; i < argc; ++i)
            bWanted = bWanted || std::strcmp(argv[i], p.szName) == 0;
        if (!bWanted)
            continue;
        p.page(writer);
        ++nPages;
    }
    std::printf("%d pages, %d images written to %s\n", nPages, writer.Written(), qPrintable(dir.path()));
    if (writer.Failed() > 0) {
        std::fprintf(stderr, "varden-gallery: %d images could not be written\n", writer.Failed());
        return 1;
    }
    return 0;
}
