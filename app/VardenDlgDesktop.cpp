// What a desktop program is expected to do beside its own work: remember the
// port, the dialogs' places, recent files and where the window stood; open a
// preset file dropped on it; and ask before closing over unsaved changes.
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <filesystem>

#include "ControlIds.h"
#include "FilePathText.h"
#include "MessageBox.h"
#include "VardenDlg.h"

namespace {
constexpr const char* MSG_SAVE_CHANGES = "Save changes to the preset?";
constexpr const char* MSG_RECENT_GONE = " is no longer there; it is taken off the recent files.";

std::string FileName(const std::string& strPath)
{
    return std::filesystem::path(strPath).filename().string();
}

// The one local file a drag carries, when it looks like a preset.
std::string DroppedPreset(const QMimeData* pData)
{
    if (!pData || !pData->hasUrls() || pData->urls().size() != 1 || !pData->urls().front().isLocalFile())
        return std::string();
    const QString strPath = pData->urls().front().toLocalFile();
    return strPath.endsWith(QStringLiteral(".dia"), Qt::CaseInsensitive) ? QStringToPath(strPath) : std::string();
}
}  // namespace

void CVardenDlg::RememberSettingsAtStart()
{
    // A port given on the command line (or the built-in virtual processor)
    // goes first; otherwise the one connected to last time.
    if (m_astrExtraPorts.empty())
        m_strPort = m_pSettings->GetLastPort();
    // Each dialog opens where it was last used, while that folder is there.
    for (const auto& [pszDialog, pstrPath] :
         {std::pair{SAVE_DIALOG, &m_szSaveDlgPath}, std::pair{OPEN_DIALOG, &m_szOpenDlgPath}}) {
        const std::string strRemembered = m_pSettings->GetDialogPath(pszDialog);
        std::error_code ec;
        if (!strRemembered.empty() &&
            std::filesystem::is_directory(std::filesystem::path(strRemembered).parent_path(), ec))
            *pstrPath = strRemembered;
    }
    if (const auto pos = m_pSettings->GetWindowPos()) {
        // Only where a screen shows it: a monitor may have gone since.
        for (const QScreen* pScreen : QGuiApplication::screens()) {
            if (pScreen->availableGeometry().contains(*pos)) {
                move(*pos);
                break;
            }
        }
    }
}

void CVardenDlg::AddRecentMenu(QMenu& menu)
{
    QMenu* pRecent = menu.addMenu(QStringLiteral("Open Recent"));
    const std::vector<std::string> files = m_pSettings->GetRecentFiles();
    pRecent->setEnabled(!files.empty());
    for (const std::string& strPath : files)
        pRecent->addAction(PathToQString(strPath), this, [this, strPath] { OpenRecent(strPath); });
}

void CVardenDlg::OpenRecent(const std::string& strPath)
{
    std::error_code ec;
    if (!std::filesystem::exists(strPath, ec)) {
        m_pSettings->RemoveRecentFile(strPath);
        ShowMessageBox(FileName(strPath) + MSG_RECENT_GONE);
        return;
    }
    m_szOpenDlgPath = strPath;
    m_pSettings->SetDialogPath(OPEN_DIALOG, strPath);
    // One that cannot be read (its box has said why) is no use in the list.
    if (!OpenPresetFileStep(strPath))
        m_pSettings->RemoveRecentFile(strPath);
}

bool CVardenDlg::OpenPresetFileStep(const std::string& strPath)
{
    BeginStep(StepLabel(IDC_OPEN));
    const bool bOpened = OpenPresetFile(strPath);
    EndStep();
    return bOpened;
}

void CVardenDlg::RememberPresetStored()
{
    m_stored = CPresetSnapshot::Take(m_route, m_route.GetName());
}

bool CVardenDlg::IsPresetChangedSinceStored() const
{
    return !(CPresetSnapshot::Take(m_route, m_route.GetName()) == m_stored);
}

void CVardenDlg::closeEvent(QCloseEvent* pEvent)
{
    CloseStep();
    // Connected, the device holds every change once those on their way have
    // gone: the window closes when they have.
    if (IsConnected() && (IsWaitingForChanges() || m_deviceLink.HasPendingChanges())) {
        WaitForChanges(AfterSending::Close);
        pEvent->ignore();
        return;
    }
    if (!IsConnected() && IsPresetChangedSinceStored()) {
        switch (ShowMessageBox(MSG_SAVE_CHANGES, MessageIcon::Question, MessageButtons::SaveDiscardCancel)) {
        case MessageAnswer::Save:
            if (SavePreset())
                break;
            pEvent->ignore();
            return;
        case MessageAnswer::Discard:
            break;
        default:
            pEvent->ignore();
            return;
        }
    }
    m_pSettings->SetWindowPos(pos());
    pEvent->accept();
}

void CVardenDlg::dragEnterEvent(QDragEnterEvent* pEvent)
{
    if (!DroppedPreset(pEvent->mimeData()).empty())
        pEvent->acceptProposedAction();
}

void CVardenDlg::dropEvent(QDropEvent* pEvent)
{
    const std::string strPath = DroppedPreset(pEvent->mimeData());
    if (strPath.empty())
        return;
    pEvent->acceptProposedAction();
    OpenPresetFileStep(strPath);
}
