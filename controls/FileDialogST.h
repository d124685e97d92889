// The open/save dialog of the preset commands, and a folder browser, over
// QFileDialog. Filters come in the "Text|*.ext||" form; the choice comes back
// as a path with helpers for its parts. Tests replace the modal run with a
// chooser so no dialog has to be shown.
#pragma once

#include <QStringList>
#include <cstddef>
#include <functional>
#include <string>

class QFileDialog;
class QWidget;

// Dialog options; 0x1802 (overwrite prompt, path and file must exist) is what
// the preset commands pass.
inline constexpr unsigned OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr unsigned OFN_HIDEREADONLY = 0x00000004;
inline constexpr unsigned OFN_ALLOWMULTISELECT = 0x00000200;
inline constexpr unsigned OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr unsigned OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr unsigned OFN_EXPLORER = 0x00080000;

class CFileDialogST {
public:
    static constexpr int IDOK = 1;
    static constexpr int IDCANCEL = 2;

    // Runs a configured (not yet shown) dialog and returns the chosen paths,
    // none when cancelled. The default shows it modally.
    using Chooser = std::function<QStringList(QFileDialog& dialog)>;
    // Replaces the way every dialog is run (tests); returns the previous one.
    // An empty chooser restores the modal dialog.
    static Chooser SetModalChooser(Chooser chooser);

    // pstrFileName is the initial file name and receives the chosen path on
    // OK (null: the dialog's own buffer only). A wildcard name such as
    // "/x/MusicFile/*.dia" opens in its folder without preselecting a file.
    CFileDialogST(bool bOpenFileDialog, const std::string& strDefExt = std::string(),
                  std::string* pstrFileName = nullptr, unsigned dwFlags = 0,
                  const std::string& strFilter = std::string(), QWidget* pParent = nullptr);

    int DoModal();

    std::string GetPathName() const;
    std::string GetFileName() const { return m_strFileTitle; }
    std::string GetFileTitle() const;
    std::string GetFileExt() const;
    std::string GetFolder() const;
    std::string GetDrive() const;

    // Walks the chosen paths: start at GetStartPosition(); npos means done.
    static constexpr std::size_t npos = std::string::npos;
    std::size_t GetStartPosition() const { return m_strFile.empty() ? npos : 0; }
    std::string GetNextPathName(std::size_t& nPos) const;

    int BrowseForFolder(const std::string& strTitle, const std::string& strInitialFolder, unsigned dwFlags = 0,
                        QWidget* pOwner = nullptr);
    std::string GetBrowsedFolder() const { return m_strFolder; }

    bool IsOpenDialog() const { return m_bOpenFileDialog; }
    unsigned GetFlags() const { return m_dwFlags; }

    // The parts of a path, split at the last '/' and the last dot of the name
    // (a leading dot starts a hidden name, not an extension). There are no
    // drive letters here, so the drive is always empty.
    struct PathParts {
        std::string strDrive;
        std::string strDir;  // with its trailing '/'
        std::string strName;
        std::string strExt;  // with its dot
    };
    static PathParts SplitPath(const std::string& strPath);
    // "Text|*.a;*.b|Other|*.c||" as Qt name filters: "Text (*.a *.b)", "Other (*.c)".
    static QStringList ConvertFilter(const std::string& strFilter);

private:
    void Configure(QFileDialog& dialog) const;
    static void GiveRoom(QFileDialog& dialog);
    void StoreChoice(const QStringList& paths);

    bool m_bOpenFileDialog;
    std::string m_strDefExt;
    std::string* m_pstrFileName;
    unsigned m_dwFlags;
    QStringList m_filters;
    QWidget* m_pParent;
    // The chosen path (with several files chosen: the folder, then each name,
    // each ended by a NUL), the chosen file's name, and the browsed folder.
    std::string m_strFile;
    std::string m_strFileTitle;
    std::string m_strFolder;
};
