// The folder a backup goes into, replaced whole: the new backup is written
// into a temporary folder beside it and swapped in only once it is complete,
// so a failure at any point (a full disk, the device, an interrupt) leaves
// the earlier backup there, or no folder, exactly as it was.
#pragma once

#include <filesystem>
#include <string>

class CBackupFolder {
public:
    explicit CBackupFolder(std::string strDir);
    // Takes the temporary folder away unless the new backup was swapped in.
    ~CBackupFolder();
    CBackupFolder(const CBackupFolder&) = delete;
    CBackupFolder& operator=(const CBackupFolder&) = delete;

    // Refuses a folder that is not one, or that holds anything unless
    // bForce, and creates the temporary folder beside it. False with the
    // reason in strError.
    bool Prepare(bool bForce, std::string& strError);
    // Where a file of the new backup is written before the swap.
    std::string PathOf(const std::string& strFile) const;
    // Swaps the new backup in. Files of the folder that were not part of an
    // earlier backup (earlier.json lists its files) are kept in it; any that
    // cannot be are left in a folder strNote names. False with strError when
    // the folder was left as it was.
    bool Commit(std::string& strError, std::string& strNote);
    // What a failure before Commit leaves, for the message.
    std::string Untouched() const;

private:
    void RemoveTemp();

    std::string m_strDir;            // as the user gave it
    std::filesystem::path m_target;  // the folder itself, links followed
    std::filesystem::path m_temp;    // the new backup until it is swapped in
    bool m_bExisted = false;
    bool m_bHadBackup = false;
};
