#include "FileDialogST.h"
#include "FilePathText.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QRegularExpression>
#include <QSplitter>
#include <QTreeView>

namespace {
constexpr int DIALOG_WIDTH = 780;
constexpr int DIALOG_HEIGHT = 460;
constexpr int PLACES_WIDTH = 150;

QStringList RunModal(QFileDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

CFileDialogST::Chooser& CurrentChooser()
{
    static CFileDialogST::Chooser s_chooser = RunModal;
    return s_chooser;
}

QString FromText(const std::string& strText)
{
    return QString::fromLatin1(strText.data(), static_cast<qsizetype>(strText.size()));
}

bool HasWildcard(const std::string& str)
{
    return str.find_first_of("*?") != std::string::npos;
}

// Up to the first NUL: a multiple selection keeps its names behind it.
std::string FirstString(const std::string& str)
{
    return str.substr(0, str.find('\0'));
}
}  // namespace

CFileDialogST::Chooser CFileDialogST::SetModalChooser(Chooser chooser)
{
    Chooser previous = std::move(CurrentChooser());
    CurrentChooser() = chooser ? std::move(chooser) : Chooser(RunModal);
    return previous;
}

CFileDialogST::CFileDialogST(bool bOpenFileDialog, const std::string& strDefExt, std::string* pstrFileName,
                             unsigned dwFlags, const std::string& strFilter, QWidget* pParent)
    : m_bOpenFileDialog(bOpenFileDialog),
      m_strDefExt(strDefExt),
      m_pstrFileName(pstrFileName),
      m_dwFlags(dwFlags | OFN_EXPLORER),
      m_filters(ConvertFilter(strFilter)),
      m_pParent(pParent)
{
    if (m_pstrFileName)
        m_strFile = *m_pstrFileName;
}

void CFileDialogST::Configure(QFileDialog& dialog) const
{
    dialog.setAcceptMode(m_bOpenFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (!m_bOpenFileDialog)
        dialog.setFileMode(QFileDialog::AnyFile);
    else if (m_dwFlags & OFN_ALLOWMULTISELECT)
        dialog.setFileMode(QFileDialog::ExistingFiles);
    else if (m_dwFlags & OFN_FILEMUSTEXIST)
        dialog.setFileMode(QFileDialog::ExistingFile);
    else
        dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(m_dwFlags & OFN_OVERWRITEPROMPT));

    std::string strExt = m_strDefExt;
    if (!strExt.empty() && strExt.front() == '.')
        strExt.erase(0, 1);
    if (!strExt.empty())
        dialog.setDefaultSuffix(FromText(strExt));

    const PathParts parts = SplitPath(FirstString(m_strFile));
    const std::string strName = parts.strName + parts.strExt;
    if (!m_filters.isEmpty())
        dialog.setNameFilters(m_filters);
    else if (HasWildcard(strName))
        dialog.setNameFilter(PathToQString(strName));
    if (!parts.strDir.empty())
        dialog.setDirectory(PathToQString(parts.strDir));
    // A wildcard name only says which files to list.
    if (!strName.empty() && !HasWildcard(strName))
        dialog.selectFile(PathToQString(strName));
    GiveRoom(dialog);
}

void CFileDialogST::GiveRoom(QFileDialog& dialog)
{
    // Qt's own dialog opens so small that its columns read "Dia...ram" and
    // its places "Com...": the names get the room left, the other columns
    // what their texts need.
    dialog.resize(dialog.sizeHint().expandedTo(QSize(DIALOG_WIDTH, DIALOG_HEIGHT)));
    if (auto* pSplitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter")))
        pSplitter->setSizes({PLACES_WIDTH, DIALOG_WIDTH - PLACES_WIDTH});
    if (auto* pTree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* pHeader = pTree->header();
        pHeader->setStretchLastSection(false);
        pHeader->setSectionResizeMode(QHeaderView::ResizeToContents);
        pHeader->setSectionResizeMode(0, QHeaderView::Stretch);
    }
}

int CFileDialogST::DoModal()
{
    QFileDialog dialog(m_pParent);
    Configure(dialog);
    const QStringList chosen = CurrentChooser()(dialog);
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return IDCANCEL;
    StoreChoice(chosen);
    if (m_pstrFileName)
        *m_pstrFileName = m_strFile;
    return IDOK;
}

void CFileDialogST::StoreChoice(const QStringList& paths)
{
    const std::string strFirst = QStringToPath(paths.front());
    const PathParts first = SplitPath(strFirst);
    m_strFileTitle = first.strName + first.strExt;
    if (paths.size() == 1 || !(m_dwFlags & OFN_ALLOWMULTISELECT)) {
        m_strFile = strFirst;
        return;
    }
    // Several files: their folder, then each name, as the walk expects.
    std::string strFolder = first.strDir;
    if (strFolder.size() > 1 && strFolder.back() == '/')
        strFolder.pop_back();
    m_strFile = strFolder;
    m_strFile += '\0';
    for (const QString& path : paths) {
        const PathParts parts = SplitPath(QStringToPath(path));
        m_strFile += parts.strName + parts.strExt;
        m_strFile += '\0';
    }
}

std::string CFileDialogST::GetPathName() const
{
    return FirstString(m_strFile);
}

std::string CFileDialogST::GetFileTitle() const
{
    return SplitPath(GetPathName()).strName;
}

std::string CFileDialogST::GetFileExt() const
{
    return SplitPath(GetPathName()).strExt;
}

std::string CFileDialogST::GetFolder() const
{
    const PathParts parts = SplitPath(GetPathName());
    return parts.strDrive + parts.strDir;
}

std::string CFileDialogST::GetDrive() const
{
    return SplitPath(GetPathName()).strDrive;
}

std::string CFileDialogST::GetNextPathName(std::size_t& nPos) const
{
    if (nPos == npos || nPos >= m_strFile.size()) {
        nPos = npos;
        return std::string();
    }
    const std::size_t nFolderEnd = m_strFile.find('\0');
    const bool bSeveral = (m_dwFlags & OFN_ALLOWMULTISELECT) && nFolderEnd != std::string::npos &&
                          nFolderEnd + 1 < m_strFile.size() && m_strFile[nFolderEnd + 1] != '\0';
    if (!bSeveral) {
        nPos = npos;
        return GetPathName();
    }
    if (nPos <= nFolderEnd)
        nPos = nFolderEnd + 1;
    const std::size_t nNameEnd = std::min(m_strFile.find('\0', nPos), m_strFile.size());
    const std::string strName = m_strFile.substr(nPos, nNameEnd - nPos);
    const std::size_t nNext = nNameEnd + 1;
    nPos = (nNext >= m_strFile.size() || m_strFile[nNext] == '\0') ? npos : nNext;

    std::string strFolder = m_strFile.substr(0, nFolderEnd);
    if (strFolder.empty() || strFolder.back() != '/')
        strFolder += '/';
    return strFolder + strName;
}

int CFileDialogST::BrowseForFolder(const std::string& strTitle, const std::string& strInitialFolder,
                                   unsigned /*dwFlags*/, QWidget* pOwner)
{
    // The platform browser's flags choose among its own looks; Qt has one.
    QFileDialog dialog(pOwner, FromText(strTitle));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (!strInitialFolder.empty())
        dialog.setDirectory(PathToQString(strInitialFolder));
    const QStringList chosen = CurrentChooser()(dialog);
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return IDCANCEL;
    m_strFolder = QStringToPath(chosen.front());
    return IDOK;
}

CFileDialogST::PathParts CFileDialogST::SplitPath(const std::string& strPath)
{
    PathParts parts;
    const std::size_t nSlash = strPath.rfind('/');
    const std::string strRest = nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
    if (nSlash != std::string::npos)
        parts.strDir = strPath.substr(0, nSlash + 1);
    const std::size_t nDot = strRest.rfind('.');
    const bool bOnlyDots = strRest.find_first_not_of('.') == std::string::npos;
    if (nDot == std::string::npos || nDot == 0 || bOnlyDots) {
        parts.strName = strRest;
    } else {
        parts.strName = strRest.substr(0, nDot);
        parts.strExt = strRest.substr(nDot);
    }
    return parts;
}

QStringList CFileDialogST::ConvertFilter(const std::string& strFilter)
{
    // Description and pattern strings alternate; an empty description ends the list.
    QStringList tokens = FromText(strFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < tokens.size(); i += 2) {
        const QString description = tokens[i].trimmed();
        if (description.isEmpty())
            break;
        const QString pattern = i + 1 < tokens.size() ? tokens[i + 1] : QString();
        QStringList patterns;
        for (const QString& one : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!one.trimmed().isEmpty())
                patterns << one.trimmed();
        if (patterns.isEmpty()) {
            // A description that is itself a pattern ("*.dia") lists those
            // files; anything else lists all.
            if (description.contains(QLatin1Char('*')) || description.contains(QLatin1Char('?')))
                patterns = description.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
            else
                patterns << QStringLiteral("*");
        }
        filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}
