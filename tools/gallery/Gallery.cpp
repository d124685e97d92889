#include "Gallery.h"

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <cstdio>

void CGalleryWriter::Save(const QString& name, const QImage& image)
{
    const QString path = m_dir.filePath(name + ".png");
    if (!image.isNull() && image.save(path, "PNG")) {
        ++m_nWritten;
        return;
    }
    ++m_nFailed;
    std::fprintf(stderr, "gallery: could not write %s\n", qPrintable(path));
}

void CGalleryWriter::SaveWidget(const QString& name, QWidget& widget)
{
    widget.show();
    QApplication::processEvents();
    Save(name, widget.grab().toImage());
}

namespace {
std::vector<NamedGalleryPage>& Pages()
{
    static std::vector<NamedGalleryPage> s_pages;
    return s_pages;
}
}  // namespace

bool RegisterGalleryPage(const char* szName, GalleryPage page)
{
    Pages().push_back({szName, std::move(page)});
    return true;
}

const std::vector<NamedGalleryPage>& GalleryPages()
{
    return Pages();
}
