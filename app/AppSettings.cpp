#include "AppSettings.h"
#include "FilePathText.h"

#include <QFile>
#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <iostream>

namespace {
const QString KEY_PORT = QStringLiteral("link/port");
const QString KEY_RECENT = QStringLiteral("files/recent");
const QString KEY_WINDOW_POS = QStringLiteral("window/position");

QString DefaultFile()
{
    const QByteArray file = qgetenv(CAppSettings::ENV_FILE);
    if (!file.isEmpty())
        return QFile::decodeName(file);
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("varden"), QStringLiteral("varden"))
        .fileName();
}
}  // namespace

CAppSettings::CAppSettings() : CAppSettings(DefaultFile()) {}

CAppSettings::CAppSettings(const QString& strFile)
    : m_pSettings(std::make_unique<QSettings>(strFile, QSettings::IniFormat))
{
    if (m_pSettings->status() != QSettings::NoError)
        Warn("could not be read");
}

CAppSettings::~CAppSettings() = default;

void CAppSettings::KeepAsideIn(const QString& strFolder)
{
    if (qEnvironmentVariableIsEmpty(ENV_FILE))
        qputenv(ENV_FILE, QFile::encodeName(strFolder + QStringLiteral("/varden.conf")));
}

QString CAppSettings::GetFileName() const
{
    return m_pSettings->fileName();
}

void CAppSettings::Warn(const std::string& strWhat) const
{
    if (m_bWarned)
        return;
    m_bWarned = true;
    std::cerr << "varden: the settings in " << QStringToPath(GetFileName()) << " " << strWhat
              << "; going on with the defaults\n";
}

std::optional<QVariant> CAppSettings::Read(const QString& strKey, int nMetaType) const
{
    if (m_pSettings->status() == QSettings::FormatError || !m_pSettings->contains(strKey))
        return std::nullopt;
    QVariant value = m_pSettings->value(strKey);
    if (value.typeId() != nMetaType && !value.convert(QMetaType(nMetaType))) {
        Warn("are damaged (" + strKey.toStdString() + ")");
        return std::nullopt;
    }
    return value;
}

void CAppSettings::Write(const QString& strKey, const QVariant& value)
{
    // An empty list would come back as no value at all: it is no entry.
    if (value.typeId() == QMetaType::QStringList && value.toStringList().isEmpty())
        m_pSettings->remove(strKey);
    else
        m_pSettings->setValue(strKey, value);
    m_pSettings->sync();
    if (m_pSettings->status() == QSettings::AccessError)
        Warn("cannot be written");
}

std::string CAppSettings::GetLastPort() const
{
    const auto value = Read(KEY_PORT, QMetaType::QString);
    return value ? QStringToPath(value->toString()) : std::string();
}

void CAppSettings::SetLastPort(const std::string& strPort)
{
    Write(KEY_PORT, PathToQString(strPort));
}

std::string CAppSettings::GetDialogPath(const char* pszDialog) const
{
    const auto value = Read(QStringLiteral("dialogs/") + QLatin1String(pszDialog), QMetaType::QString);
    return value ? QStringToPath(value->toString()) : std::string();
}

void CAppSettings::SetDialogPath(const char* pszDialog, const std::string& strPath)
{
    Write(QStringLiteral("dialogs/") + QLatin1String(pszDialog), PathToQString(strPath));
}

std::vector<std::string> CAppSettings::GetRecentFiles() const
{
    std::vector<std::string> files;
    const auto value = Read(KEY_RECENT, QMetaType::QStringList);
    if (!value)
        return files;
    for (const QString& strFile : value->toStringList())
        if (!strFile.isEmpty() && static_cast<int>(files.size()) < MAX_RECENT)
            files.push_back(QStringToPath(strFile));
    return files;
}

void CAppSettings::AddRecentFile(const std::string& strPath)
{
    std::vector<std::string> files = GetRecentFiles();
    files.erase(std::remove(files.begin(), files.end(), strPath), files.end());
    files.insert(files.begin(), strPath);
    if (static_cast<int>(files.size()) > MAX_RECENT)
        files.resize(MAX_RECENT);
    QStringList list;
    for (const std::string& strFile : files)
        list.append(PathToQString(strFile));
    Write(KEY_RECENT, list);
}

void CAppSettings::RemoveRecentFile(const std::string& strPath)
{
    QStringList list;
    for (const std::string& strFile : GetRecentFiles())
        if (strFile != strPath)
            list.append(PathToQString(strFile));
    Write(KEY_RECENT, list);
}

std::optional<QPoint> CAppSettings::GetWindowPos() const
{
    const auto value = Read(KEY_WINDOW_POS, QMetaType::QPoint);
    return value ? std::optional<QPoint>(value->toPoint()) : std::nullopt;
}

void CAppSettings::SetWindowPos(const QPoint& pt)
{
    Write(KEY_WINDOW_POS, pt);
}
