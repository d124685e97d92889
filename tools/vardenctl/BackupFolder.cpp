#include "BackupFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

#include "BackupIndex.h"
#include "PresetFile.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* TEMP_SUFFIX = ".varden-backup-XXXXXX";
constexpr const char* ASIDE_SUFFIX = ".varden-earlier-XXXXXX";

std::string Reason(int nErr)
{
    return std::strerror(nErr);
}

// A fresh folder beside target: "<parent>/.<name><suffix>".
bool MakeSibling(const fs::path& target, const char* pszSuffix, fs::path& out)
{
    std::string templ = (target.parent_path() / ("." + target.filename().string() + pszSuffix)).string();
    if (!mkdtemp(templ.data()))
        return false;
    out = templ;
    return true;
}

// The files an earlier backup's index lists, with the index itself.
std::set<std::string> BackupFilesIn(const fs::path& dir)
{
    std::set<std::string> files;
    std::vector<std::uint8_t> bytes;
    std::string error;
    BackupIndex index;
    if (!ReadFileBytes((dir / BACKUP_INDEX_FILE).string(), bytes, error) ||
        !BackupIndexFromJson(std::string(bytes.begin(), bytes.end()), index, error))
        return files;
    files.insert(BACKUP_INDEX_FILE);
    for (const BackupEntry& e : index.aEntry)
        files.insert(e.strFile);
    return files;
}
}  // namespace

CBackupFolder::CBackupFolder(std::string strDir) : m_strDir(std::move(strDir)) {}

CBackupFolder::~CBackupFolder()
{
    RemoveTemp();
}

void CBackupFolder::RemoveTemp()
{
    if (m_temp.empty())
        return;
    std::error_code ec;
    fs::remove_all(m_temp, ec);
    m_temp.clear();
}

bool CBackupFolder::Prepare(bool bForce, std::string& strError)
{
    std::error_code ec;
    const fs::file_status st = fs::status(m_strDir, ec);
    m_bExisted = fs::exists(st);
    if (m_bExisted && !fs::is_directory(st)) {
        strError = m_strDir + ": not a folder";
        return false;
    }
    m_bHadBackup = m_bExisted && fs::exists(fs::path(m_strDir) / BACKUP_INDEX_FILE, ec);
    if (m_bExisted && !fs::is_empty(m_strDir, ec) && !bForce) {
        strError = m_strDir + " is not empty" + (m_bHadBackup ? " (it holds a backup)" : "") +
                   "; give a new folder, or --force to write this backup over what is there";
        return false;
    }
    if (m_bExisted && access(m_strDir.c_str(), W_OK | X_OK) != 0) {
        strError = m_strDir + ": the folder is not writable";
        return false;
    }
    m_target = m_bExisted ? fs::canonical(m_strDir, ec) : fs::absolute(m_strDir, ec).lexically_normal();
    if (m_target.filename().empty())  // "backup/"
        m_target = m_target.parent_path();
    if (ec || m_target.filename().empty() || m_target == m_target.root_path()) {
        strError = m_strDir + ": not a folder a backup can be swapped into";
        return false;
    }
    if (!m_bExisted && !fs::exists(m_target.parent_path(), ec) && !fs::create_directories(m_target.parent_path(), ec)) {
        strError = m_strDir + ": cannot create the folder: " + ec.message();
        return false;
    }
    if (!MakeSibling(m_target, TEMP_SUFFIX, m_temp)) {
        strError = m_strDir + ": cannot create a folder beside it for the new backup: " + Reason(errno);
        return false;
    }
    struct stat stTemp {
    }, stTarget{};
    mode_t mode;
    if (m_bExisted && stat(m_target.c_str(), &stTarget) == 0) {
        mode = stTarget.st_mode & 07777;
        if (stat(m_temp.c_str(), &stTemp) != 0 || stTemp.st_dev != stTarget.st_dev) {
            strError = m_strDir + ": a mount point; the new backup cannot be swapped in whole there";
            RemoveTemp();
            return false;
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0777 & ~mask;
    }
    chmod(m_temp.c_str(), mode);
    return true;
}

std::string CBackupFolder::PathOf(const std::string& strFile) const
{
    return (m_temp / strFile).string();
}

std::string CBackupFolder::Untouched() const
{
    if (m_bHadBackup)
        return "the backup in " + m_strDir + " was left as it was";
    if (m_bExisted)
        return m_strDir + " was left as it was";
    return "no backup was written";
}

bool CBackupFolder::Commit(std::string& strError, std::string& strNote)
{
    std::error_code ec;
    if (!fs::exists(m_target, ec) || fs::is_empty(m_target, ec)) {
        // Onto nothing, or onto an empty folder: one rename.
        if (std::rename(m_temp.c_str(), m_target.c_str()) != 0) {
            strError = m_strDir + ": cannot put the new backup in place: " + Reason(errno);
            return false;
        }
        m_temp.clear();
        return true;
    }
    // The two folders change places in one step where the file system can;
    // elsewhere the earlier one is moved aside first and back on failure.
    fs::path earlier;
    if (renameat2(AT_FDCWD, m_temp.c_str(), AT_FDCWD, m_target.c_str(), RENAME_EXCHANGE) == 0) {
        earlier = m_temp;
    } else if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) {
        fs::path aside;
        if (!MakeSibling(m_target, ASIDE_SUFFIX, aside) || std::rename(m_target.c_str(), aside.c_str()) != 0) {
            strError = m_strDir + ": cannot put the new backup in place: " + Reason(errno);
            fs::remove(aside, ec);
            return false;
        }
        if (std::rename(m_temp.c_str(), m_target.c_str()) != 0) {
            strError = m_strDir + ": cannot put the new backup in place: " + Reason(errno);
            std::rename(aside.c_str(), m_target.c_str());
            return false;
        }
        earlier = aside;
    } else {
        strError = m_strDir + ": cannot put the new backup in place: " + Reason(errno);
        return false;
    }
    m_temp.clear();

    // The earlier backup's own files go; anything else the folder held stays
    // in it, unless the new backup has a file of the same name.
    const std::set<std::string> old = BackupFilesIn(earlier);
    for (const fs::directory_entry& e : fs::directory_iterator(earlier, ec)) {
        const std::string name = e.path().filename().string();
        if (old.count(name) != 0)
            fs::remove(e.path(), ec);
        else if (!fs::exists(m_target / name, ec))
            std::rename(e.path().c_str(), (m_target / name).c_str());
    }
    if (!fs::remove(earlier, ec))
        strNote = "files of " + m_strDir + " that could not be kept beside the new backup are in " + earlier.string();
    return true;
}
