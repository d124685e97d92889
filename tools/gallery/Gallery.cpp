#include "Gallery.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTimer>
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

void ChooseFromGraphMenu(QWidget& graph, const QString& strChoice)
{
    QTimer::singleShot(0, [strChoice] {
        auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!pMenu)
            return;
        for (QAction* pAction : pMenu->actions())
            if (pAction->text() == strChoice)
                pMenu->setActiveAction(pAction);
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(pMenu, &key);
    });
    const QPoint at(300, 100);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, graph.mapToGlobal(at));
    QCoreApplication::sendEvent(&graph, &event);
    QApplication::processEvents();
}

void WriteTextFile(const QString& strPath, const std::string& text)
{
    QFile file(strPath);
    if (file.open(QIODevice::WriteOnly))
        file.write(QByteArray::fromStdString(text));
}

QImage WindowWithDialog(QWidget& window, QWidget& dialog)
{
    dialog.show();
    QApplication::processEvents();
    QImage image = window.grab().toImage();
    const QImage box = dialog.grab().toImage();
    QPainter painter(&image);
    const QPoint at = dialog.pos() - window.mapToGlobal(QPoint(0, 0));
    painter.drawImage(at, box);
    painter.setPen(QColor(90, 96, 104));
    painter.drawRect(QRect(at, box.size()).adjusted(-1, -1, 0, 0));
    painter.end();
    return image;
}

CGalleryWorkFolder::CGalleryWorkFolder() : m_strOld(QDir::currentPath())
{
    QDir::setCurrent(m_dir.path());
    m_previous =
        SetMessageBoxHandler([](const std::string&, MessageIcon, MessageButtons) { return MessageAnswer::Ok; });
}

CGalleryWorkFolder::~CGalleryWorkFolder()
{
    SetMessageBoxHandler(std::move(m_previous));
    QDir::setCurrent(m_strOld);
}
