// What the window remembers between runs: the last port it connected to,
// each file dialog's place, the recent preset files and where the window
// stood. Kept with Qt's settings in the user's configuration folder
// (~/.config/varden/varden.conf), or in the file VARDEN_SETTINGS names, so
// tests and trial runs leave the user's own alone. A damaged file or one that
// cannot be written never stops the program: defaults are used, and one line
// on stderr says so; a damaged file is replaced by a clean one at the first
// change or on exit, and kept beside it as varden.conf.bad; when it cannot be
// kept, it is left as it is and the session's changes are not saved.
#pragma once

#include <QPoint>
#include <QString>
#include <QVariant>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QSettings;

class CAppSettings {
public:
    static constexpr int MAX_RECENT = 8;
    static constexpr const char* ENV_FILE = "VARDEN_SETTINGS";

    // The file VARDEN_SETTINGS names, else the user's own.
    CAppSettings();
    explicit CAppSettings(const QString& strFile);
    ~CAppSettings();
    CAppSettings(const CAppSettings&) = delete;
    CAppSettings& operator=(const CAppSettings&) = delete;

    QString GetFileName() const;
    // Programs that run the window for their own ends (the gallery, the
    // benchmarks) keep their settings in strFolder unless told otherwise.
    static void KeepAsideIn(const QString& strFolder);

    // Paths are in the file system's encoding, as the rest of the program
    // keeps them; empty when nothing is remembered.
    std::string GetLastPort() const;
    void SetLastPort(const std::string& strPort);
    std::string GetDialogPath(const char* pszDialog) const;
    void SetDialogPath(const char* pszDialog, const std::string& strPath);
    // Newest first, at most MAX_RECENT.
    std::vector<std::string> GetRecentFiles() const;
    void AddRecentFile(const std::string& strPath);
    void RemoveRecentFile(const std::string& strPath);
    std::optional<QPoint> GetWindowPos() const;
    void SetWindowPos(const QPoint& pt);

private:
    // The value under strKey when it has the expected type, else nothing
    // (and a damaged file is reported once).
    std::optional<QVariant> Read(const QString& strKey, int nMetaType) const;
    void Write(const QString& strKey, const QVariant& value);
    void Warn(const std::string& strWhat) const;
    void RepairIfDamaged();

    std::unique_ptr<QSettings> m_pSettings;
    mutable bool m_bWarned = false;
    bool m_bDamaged = false;
    // The damaged file could not be kept aside: it is not written, and the
    // changes live here for the session (an invalid value: removed).
    bool m_bHeldBack = false;
    std::map<QString, QVariant> m_heldBack;
};
