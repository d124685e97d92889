// Preset files: "Save" and "Open" of the PC Preset panel. A file is taken
// over only when all of it was read as a preset, so a damaged file leaves the
// preset, the views and the device as they were.
#include <filesystem>

#include "FileDialogST.h"
#include "MessageBox.h"
#include "PresetFile.h"
#include "PresetLoader.h"
#include "PresetNameRule.h"
#include "VardenDlg.h"

namespace {
constexpr const char* MSG_WRITE_ERROR = "MusicFile Write Error";
constexpr const char* MSG_READ_ERROR = "MusicFile read Error";
constexpr const char* MSG_REPLACE_QUESTION = " already exists. Replace it?";
constexpr const char* PRESET_EXTENSION = ".dia";
constexpr const char* MUSIC_FOLDER = "/MusicFile";
constexpr unsigned PRESET_DIALOG_FLAGS = 0x1802;
constexpr const char* SAVE_FILTER = "*.dia||";
constexpr const char* OPEN_FILTER = "All files|*.dia||";
}  // namespace

void CVardenDlg::OnSavePreset()
{
    SavePreset();
}

bool CVardenDlg::SavePreset()
{
    std::error_code ec;
    const std::string strFolder = m_szWorkDir + MUSIC_FOLDER;
    if (!std::filesystem::exists(strFolder, ec))
        std::filesystem::create_directory(strFolder, ec);
    std::string strPath;
    std::string strError;
    for (;;) {
        CFileDialogST dialog(false, std::string(), &m_szSaveDlgPath, PRESET_DIALOG_FLAGS, SAVE_FILTER, this);
        if (dialog.DoModal() != CFileDialogST::IDOK)
            return false;
        m_pSettings->SetDialogPath(SAVE_DIALOG, m_szSaveDlgPath);
        strPath = dialog.GetPathName();
        // The file's own name decides, not a folder on the way to it.
        const std::string strName = std::filesystem::path(strPath).filename().string();
        const bool bAppended = strName.find(PRESET_EXTENSION) == std::string::npos;
        if (bAppended)
            strPath += PRESET_EXTENSION;
        // A target that cannot be replaced (a FIFO, a device) is refused
        // before anything is asked.
        if (!CheckWritable(strPath, strError)) {
            ShowMessageBox(std::string(MSG_WRITE_ERROR) + "\n" + strError);
            return false;
        }
        // The dialog asked about the name it was given; with ".dia" added
        // it is another file, which may hold hours of work.
        std::error_code ec;
        if (!bAppended || !std::filesystem::exists(strPath, ec) ||
            ShowMessageBox(strName + PRESET_EXTENSION + MSG_REPLACE_QUESTION, MessageIcon::Question,
                           MessageButtons::YesNo) == MessageAnswer::Yes)
            break;
    }
    if (!SavePresetFile(strPath, m_route, strError)) {
        ShowMessageBox(std::string(MSG_WRITE_ERROR) + "\n" + strError);
        return false;
    }
    SetFileTitle(strPath);
    m_pSettings->AddRecentFile(strPath);
    RememberPresetStored();
    return true;
}

void CVardenDlg::OnOpenPreset()
{
    CFileDialogST dialog(true, std::string(), &m_szOpenDlgPath, PRESET_DIALOG_FLAGS, OPEN_FILTER, this);
    if (dialog.DoModal() != CFileDialogST::IDOK)
        return;
    m_pSettings->SetDialogPath(OPEN_DIALOG, m_szOpenDlgPath);
    OpenPresetFile(dialog.GetPathName());
}

bool CVardenDlg::OpenPresetFile(const std::string& strPath)
{
    // The loader vardenctl uses too: the edited preset is not touched unless
    // the whole file is one preset within the device's ranges. What is wrong
    // is said as `vardenctl show` says it.
    std::string strError;
    if (!LoadPresetFile(strPath, m_route, strError)) {
        ShowMessageBox(std::string(MSG_READ_ERROR) + "\n" + strError);
        return false;
    }
    AfterPresetOpened(strPath);
    return true;
}

void CVardenDlg::AfterPresetOpened(const std::string& strPath)
{
    // A file may carry a longer name than the device keeps: the window holds
    // what the device will, so both show the same.
    m_route.SetName(NameAsDeviceKeepsIt(m_route.GetName()));
    if (IsConnected()) {
        m_write = {0, std::string(), QString()};
        m_deviceLink.WriteToDevice(0);
    }
    SelectChannel(m_nCurChannel);
    InitLinkGroups();
    SetFileTitle(strPath);
    m_pSettings->AddRecentFile(strPath);
    RememberPresetStored();
}
