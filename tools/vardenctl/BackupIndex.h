// A device backup on disk: a folder with one .dia per preset slot and an
// index that names the slots and their files. The index is what restore
// follows; the files are ordinary presets any command can open.
#pragma once

#include <string>
#include <vector>

inline constexpr const char* BACKUP_INDEX_FILE = "index.json";

struct BackupEntry {
    int nSlot = 0;
    std::string strName;  // Windows-1252, at most eight characters, as the device names the slot
    std::string strFile;  // a plain file name inside the backup folder
};

struct BackupIndex {
    std::string strPort;  // where it was read from, for the reader
    std::string strDate;  // when, in UTC, for the reader
    std::vector<BackupEntry> aEntry;

    const BackupEntry* Find(int nSlot) const;
};

// "slot3-CLUB.dia": the slot first so the files sort by slot, then the name
// with anything but letters, digits, '-' and '_' made '_'.
std::string BackupFileName(int nSlot, const std::string& strName);

std::string BackupIndexToJson(const BackupIndex& index);

// Checks everything restore relies on: known format, slots 0..5 each at most
// once, names a device can take, file names without folders. On failure
// strError says which entry is wrong, and *pbBadName whether it is a name the
// device cannot keep.
bool BackupIndexFromJson(const std::string& strText, BackupIndex& index, std::string& strError,
                         bool* pbBadName = nullptr);
