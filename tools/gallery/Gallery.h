// The control gallery: each page renders some controls or skin images into
// PNG files, so a person can look at every state without the window.
#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <string>
#include <vector>

#include "MessageBox.h"

class QImage;
class QWidget;

class CGalleryWriter {
public:
    explicit CGalleryWriter(const QDir& dir) : m_dir(dir) {}

    // Writes NAME.png; a failure is counted and reported at the end.
    void Save(const QString& name, const QImage& image);
    // Shows the widget off screen, lets it paint, and saves what it drew.
    void SaveWidget(const QString& name, QWidget& widget);

    int Written() const { return m_nWritten; }
    int Failed() const { return m_nFailed; }

private:
    QDir m_dir;
    int m_nWritten = 0;
    int m_nFailed = 0;
};

using GalleryPage = std::function<void(CGalleryWriter&)>;

// Pages register themselves from their own source file:
//   static const bool s_registered = RegisterGalleryPage("slider", RenderSliders);
bool RegisterGalleryPage(const char* szName, GalleryPage page);

struct NamedGalleryPage {
    const char* szName;
    GalleryPage page;
};
const std::vector<NamedGalleryPage>& GalleryPages();

// Right-clicks the window's graph and picks the menu item strChoice.
void ChooseFromGraphMenu(QWidget& graph, const QString& strChoice);
// Writes text to a file (a measurement export, say).
void WriteTextFile(const QString& strPath, const std::string& text);
// The window with a dialog over it where the dialog stands, as a person sees it.
QImage WindowWithDialog(QWidget& window, QWidget& dialog);

// A page that runs the real window: it works in a temporary folder (the
// window makes its MusicFile folder where it starts) and every message box
// is answered at once. Both are put back when it goes.
class CGalleryWorkFolder {
public:
    CGalleryWorkFolder();
    ~CGalleryWorkFolder();
    CGalleryWorkFolder(const CGalleryWorkFolder&) = delete;
    CGalleryWorkFolder& operator=(const CGalleryWorkFolder&) = delete;

    QString FilePath(const QString& strName) const { return QDir(m_dir.path()).filePath(strName); }

private:
    QTemporaryDir m_dir;
    QString m_strOld;
    MessageBoxHandler m_previous;
};
