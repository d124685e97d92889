#include <gtest/gtest.h>

#include <QFileDialog>
#include <QTemporaryDir>

#include "FileDialogST.h"

namespace {
constexpr unsigned PRESET_DIALOG_FLAGS = 0x1802;

// Puts a chooser in place for one test and the modal dialog back afterwards.
struct ChooserScope {
    explicit ChooserScope(CFileDialogST::Chooser chooser)
        : m_previous(CFileDialogST::SetModalChooser(std::move(chooser)))
    {
    }
    ~ChooserScope() { CFileDialogST::SetModalChooser(m_previous); }
    CFileDialogST::Chooser m_previous;
};

CFileDialogST::PathParts Split(const std::string& str)
{
    return CFileDialogST::SplitPath(str);
}
}  // namespace

TEST(FileDialogST, FilterTextBecomesQtNameFilters)
{
    using L = QStringList;
    EXPECT_EQ(CFileDialogST::ConvertFilter("All files|*.dia||"), L{"All files (*.dia)"});
    // The save dialog's entry: a description that is a pattern, no pattern.
    EXPECT_EQ(CFileDialogST::ConvertFilter("*.dia||"), L{"*.dia (*.dia)"});
    EXPECT_EQ(CFileDialogST::ConvertFilter("Presets|*.dia; *.DIA|Everything|*.*||"),
              (L{"Presets (*.dia *.DIA)", "Everything (*.*)"}));
    EXPECT_EQ(CFileDialogST::ConvertFilter("Text"), L{"Text (*)"});
    EXPECT_EQ(CFileDialogST::ConvertFilter("A|*.a"), L{"A (*.a)"});
    EXPECT_EQ(CFileDialogST::ConvertFilter(""), L{});
    EXPECT_EQ(CFileDialogST::ConvertFilter("||"), L{});
    EXPECT_EQ(CFileDialogST::ConvertFilter("|*.dia||"), L{});
    EXPECT_EQ(CFileDialogST::ConvertFilter("A|*.a||B|*.b||"), L{"A (*.a)"});
}

TEST(FileDialogST, PathParts)
{
    auto p = Split("/home/u/MusicFile/live.dia");
    EXPECT_EQ(p.strDrive, "");
    EXPECT_EQ(p.strDir, "/home/u/MusicFile/");
    EXPECT_EQ(p.strName, "live");
    EXPECT_EQ(p.strExt, ".dia");

    p = Split("noext");
    EXPECT_EQ(p.strDir, "");
    EXPECT_EQ(p.strName, "noext");
    EXPECT_EQ(p.strExt, "");

    p = Split("/a/b/");
    EXPECT_EQ(p.strDir, "/a/b/");
    EXPECT_EQ(p.strName, "");
    EXPECT_EQ(p.strExt, "");

    p = Split("");
    EXPECT_TRUE(p.strDir.empty() && p.strName.empty() && p.strExt.empty());

    p = Split("/x/.hidden");
    EXPECT_EQ(p.strName, ".hidden");
    EXPECT_EQ(p.strExt, "");
    p = Split("/x/..");
    EXPECT_EQ(p.strName, "..");
    EXPECT_EQ(p.strExt, "");
    p = Split("a.dia.bak");
    EXPECT_EQ(p.strName, "a.dia");
    EXPECT_EQ(p.strExt, ".bak");
    p = Split("/x.d/file.");
    EXPECT_EQ(p.strDir, "/x.d/");
    EXPECT_EQ(p.strName, "file");
    EXPECT_EQ(p.strExt, ".");
}

// The save command: opens in the MusicFile folder of its buffer, lists .dia
// files, asks before overwriting, and writes the choice back to the buffer.
TEST(FileDialogST, SaveDialogRunAndItsChoice)
{
    QTemporaryDir dir;
    const QString musicFile = dir.filePath(QStringLiteral("MusicFile"));
    QDir().mkpath(musicFile);
    std::string strSavePath = musicFile.toStdString() + "/*.dia";
    const std::string strChosen = musicFile.toStdString() + "/live.dia";

    int nRuns = 0;
    ChooserScope scope([&](QFileDialog& dialog) {
        ++nRuns;
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog.nameFilters(), QStringList{"*.dia (*.dia)"});
        EXPECT_EQ(dialog.directory().absolutePath(), musicFile);
        EXPECT_FALSE(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        EXPECT_EQ(dialog.defaultSuffix(), QString());
        return QStringList{QString::fromStdString(strChosen)};
    });
    CFileDialogST save(false, "", &strSavePath, PRESET_DIALOG_FLAGS, "*.dia||");
    EXPECT_EQ(save.GetFlags(), PRESET_DIALOG_FLAGS | OFN_EXPLORER);
    ASSERT_EQ(save.DoModal(), CFileDialogST::IDOK);
    EXPECT_EQ(nRuns, 1);
    EXPECT_EQ(strSavePath, strChosen);
    EXPECT_EQ(save.GetPathName(), strChosen);
    EXPECT_EQ(save.GetFileName(), "live.dia");
    EXPECT_EQ(save.GetFileTitle(), "live");
    EXPECT_EQ(save.GetFileExt(), ".dia");
    EXPECT_EQ(save.GetFolder(), musicFile.toStdString() + "/");
    EXPECT_EQ(save.GetDrive(), "");
    std::size_t nPos = save.GetStartPosition();
    EXPECT_EQ(save.GetNextPathName(nPos), strChosen);
    EXPECT_EQ(nPos, CFileDialogST::npos);
}

TEST(FileDialogST, OpenDialogCancelAndDefaults)
{
    std::string strOpenPath = "/nowhere/at/all/old.dia";
    ChooserScope scope([](QFileDialog& dialog) {
        EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog.nameFilters(), QStringList{"All files (*.dia)"});
        EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("dia"));
        return QStringList();
    });
    CFileDialogST open(true, ".dia", &strOpenPath, PRESET_DIALOG_FLAGS, "All files|*.dia||");
    EXPECT_EQ(open.DoModal(), CFileDialogST::IDCANCEL);
    EXPECT_EQ(strOpenPath, "/nowhere/at/all/old.dia");

    // Nothing chosen yet, no buffer: every helper is empty.
    CFileDialogST bare(true);
    EXPECT_EQ(bare.GetPathName(), "");
    EXPECT_EQ(bare.GetFileTitle(), "");
    EXPECT_EQ(bare.GetFolder(), "");
    EXPECT_EQ(bare.GetStartPosition(), CFileDialogST::npos);
    std::size_t nPos = CFileDialogST::npos;
    EXPECT_EQ(bare.GetNextPathName(nPos), "");
}

TEST(FileDialogST, SeveralFilesWalkedOneByOne)
{
    QStringList files{"/data/presets/a.dia", "/data/presets/b.dia", "/data/presets/c d.dia"};
    ChooserScope scope([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFiles);
        return files;
    });
    CFileDialogST open(true, "", nullptr, OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
    ASSERT_EQ(open.DoModal(), CFileDialogST::IDOK);
    EXPECT_EQ(open.GetPathName(), "/data/presets");
    std::vector<std::string> walked;
    for (std::size_t nPos = open.GetStartPosition(); nPos != CFileDialogST::npos;)
        walked.push_back(open.GetNextPathName(nPos));
    EXPECT_EQ(walked,
              (std::vector<std::string>{"/data/presets/a.dia", "/data/presets/b.dia", "/data/presets/c d.dia"}));

    // One file with the same style: the path, and the walk ends.
    files = QStringList{"/e.dia"};
    ASSERT_EQ(open.DoModal(), CFileDialogST::IDOK);
    std::size_t nPos = open.GetStartPosition();
    EXPECT_EQ(open.GetNextPathName(nPos), "/e.dia");
    EXPECT_EQ(nPos, CFileDialogST::npos);

    // Several files at the root: no doubled separator.
    files = QStringList{"/x.dia", "/y.dia"};
    ASSERT_EQ(open.DoModal(), CFileDialogST::IDOK);
    nPos = open.GetStartPosition();
    EXPECT_EQ(open.GetNextPathName(nPos), "/x.dia");
    EXPECT_EQ(open.GetNextPathName(nPos), "/y.dia");
    EXPECT_EQ(nPos, CFileDialogST::npos);
}

TEST(FileDialogST, FolderBrowser)
{
    QTemporaryDir dir;
    QString answer = dir.path();
    ChooserScope scope([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog.testOption(QFileDialog::ShowDirsOnly));
        EXPECT_EQ(dialog.directory().absolutePath(), dir.path());
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Choose a folder"));
        return answer.isEmpty() ? QStringList() : QStringList{answer};
    });
    CFileDialogST dialog(true);
    EXPECT_EQ(dialog.BrowseForFolder("Choose a folder", dir.path().toStdString()), CFileDialogST::IDOK);
    EXPECT_EQ(dialog.GetBrowsedFolder(), dir.path().toStdString());
    answer.clear();
    EXPECT_EQ(dialog.BrowseForFolder("Choose a folder", dir.path().toStdString()), CFileDialogST::IDCANCEL);
    EXPECT_EQ(dialog.GetBrowsedFolder(), dir.path().toStdString());
}
