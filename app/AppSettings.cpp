#include "AppSettings.h"
#include "FilePathText.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <iostream>

namespace {
const QString KEY_PORT = QStringLiteral("link/port");
const QString KEY_RECENT = QStringLiteral("files/recent");
const QString KEY_WINDOW_POS = QStringLiteral("window/position");

const QString FILE_NAME = QStringLiteral("varden.conf");
const QString DAMAGED_SUFFIX = QStringLiteral(".bad");

// Every entry the program writes, with the type it reads back.
struct KnownKey {
    QString strKey;
    int nMetaType;
};
const KnownKey KNOWN_KEYS[] = {
    {KEY_PORT, QMetaType::QString},
    {QStringLiteral("dialogs/save"), QMetaType::QString},
    {QStringLiteral("dialogs/open"), QMetaType::QString},
    {KEY_RECENT, QMetaType::QStringList},
    {KEY_WINDOW_POS, QMetaType::QPoint},
};

bool HasType(QVariant value, int nMetaType)
{
    return value.typeId() == nMetaType || value.convert(QMetaType(nMetaType));
}

// Recent files are absolute paths; anything else in the list is damage (a
// value Qt could not read comes back as a text such as "@Invalid("), and
// only that entry is lost.
QStringList GoodEntries(const QStringList& list)
{
    QStringList good;
    for (const QString& strEntry : list)
        if (strEntry.startsWith(QLatin1Char('/')))
            good.append(strEntry);
    return good;
}

bool IsDamaged(QVariant value, int nMetaType)
{
    if (!HasType(value, nMetaType))
        return true;
    if (nMetaType != QMetaType::QStringList)
        return false;
    const QStringList list = value.toStringList();
    return GoodEntries(list).size() != list.size();
}

// What the program writes is UTF-8 text; anything else (a file overwritten
// with other bytes) is not its settings, whatever Qt makes of it.
constexpr qint64 MAX_TEXT_SIZE = 1 << 20;
bool IsSettingsText(const QString& strFile)
{
    QFile file(strFile);
    if (!file.open(QIODevice::ReadOnly))
        return true;  // nothing there yet, or unreadable: Qt says which
    const QByteArray bytes = file.read(MAX_TEXT_SIZE + 1);
    if (bytes.size() > MAX_TEXT_SIZE)
        return false;
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\r' && c != '\t')
            return false;
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

QString DefaultFile()
{
    const QByteArray file = qgetenv(CAppSettings::ENV_FILE);
    if (!file.isEmpty())
        return QFile::decodeName(file);
    const QString strFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/varden/");
    // Earlier versions kept the same settings under Qt's own name for them.
    QFile older(strFolder + QStringLiteral("varden.ini"));
    if (!QFile::exists(strFolder + FILE_NAME) && older.exists() && !older.copy(strFolder + FILE_NAME))
        std::cerr << "varden: the settings in " << QStringToPath(older.fileName()) << " could not be copied to "
                  << FILE_NAME.toStdString() << " (" << older.errorString().toStdString()
                  << "); going on with the defaults\n";
    return strFolder + FILE_NAME;
}
}  // namespace

CAppSettings::CAppSettings() : CAppSettings(DefaultFile()) {}

CAppSettings::CAppSettings(const QString& strFile)
    : m_pSettings(std::make_unique<QSettings>(strFile, QSettings::IniFormat))
{
    if (m_pSettings->status() != QSettings::NoError) {
        m_bDamaged = QFile::exists(strFile);
        Warn("could not be read");
        return;
    }
    if (!IsSettingsText(strFile)) {
        m_bDamaged = true;
        Warn("are damaged (not text)");
        return;
    }
    for (const KnownKey& known : KNOWN_KEYS) {
        if (m_pSettings->contains(known.strKey) && IsDamaged(m_pSettings->value(known.strKey), known.nMetaType)) {
            m_bDamaged = true;
            Warn("are damaged (" + known.strKey.toStdString() + ")");
        }
    }
}

CAppSettings::~CAppSettings()
{
    RepairIfDamaged();
}

void CAppSettings::RepairIfDamaged()
{
    if (!m_bDamaged)
        return;
    m_bDamaged = false;
    // What could be read survives; the damaged file is kept beside the
    // clean one, so nothing the user may want is lost.
    std::vector<std::pair<QString, QVariant>> keep;
    if (m_pSettings->status() == QSettings::NoError)
        for (const KnownKey& known : KNOWN_KEYS)
            if (const auto value = Read(known.strKey, known.nMetaType))
                keep.emplace_back(known.strKey, *value);
    const QString strFile = GetFileName();
    QFile damaged(strFile);
    if (damaged.exists()) {
        QFile::remove(strFile + DAMAGED_SUFFIX);
        if (!damaged.rename(strFile + DAMAGED_SUFFIX)) {
            // Writing now would lose it: this session's changes are not saved.
            std::cerr << "varden: the damaged settings in " << QStringToPath(strFile) << " could not be kept as "
                      << QStringToPath(strFile + DAMAGED_SUFFIX) << " (" << damaged.errorString().toStdString()
                      << "); they are left as they are, and changes are not saved\n";
            m_bHeldBack = true;
            return;
        }
    }
    m_pSettings.reset();
    m_pSettings = std::make_unique<QSettings>(strFile, QSettings::IniFormat);
    for (const auto& [strKey, value] : keep)
        m_pSettings->setValue(strKey, value);
    m_pSettings->sync();
}

void CAppSettings::KeepAsideIn(const QString& strFolder)
{
    if (qEnvironmentVariableIsEmpty(ENV_FILE))
        qputenv(ENV_FILE, QFile::encodeName(strFolder + QStringLiteral("/") + FILE_NAME));
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
    QVariant value;
    if (const auto held = m_heldBack.find(strKey); held != m_heldBack.end())
        value = held->second;
    else if (m_pSettings->status() != QSettings::FormatError && m_pSettings->contains(strKey))
        value = m_pSettings->value(strKey);
    if (!value.isValid())
        return std::nullopt;
    if (!HasType(value, nMetaType) || !value.convert(QMetaType(nMetaType)))
        return std::nullopt;
    if (nMetaType == QMetaType::QStringList) {
        const QStringList list = GoodEntries(value.toStringList());
        if (list.isEmpty())
            return std::nullopt;
        value = list;
    }
    return value;
}

void CAppSettings::Write(const QString& strKey, const QVariant& value)
{
    RepairIfDamaged();
    // An empty list would come back as no value at all: it is no entry.
    const bool bRemove = value.typeId() == QMetaType::QStringList && value.toStringList().isEmpty();
    if (m_bHeldBack) {
        m_heldBack[strKey] = bRemove ? QVariant() : value;
        return;
    }
    if (bRemove)
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
    // Kept whole, so the list works from any folder the program starts in.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(strPath, ec);
    const std::string strFile = ec ? strPath : absolute.lexically_normal().string();
    std::vector<std::string> files = GetRecentFiles();
    files.erase(std::remove(files.begin(), files.end(), strFile), files.end());
    files.insert(files.begin(), strFile);
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
