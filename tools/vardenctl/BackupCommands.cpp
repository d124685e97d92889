// vardenctl backup and restore: all six slots of a device with their names
// into a folder, and back, each restored slot read back before success.
#include <unistd.h>

#include <array>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "BackupIndex.h"
#include "CliSession.h"
#include "CommandLine.h"
#include "PresetName.h"
#include "PresetFile.h"
#include "PresetIo.h"
#include "SlotVerify.h"

namespace fs = std::filesystem;

namespace {
using SlotSet = std::array<bool, NUM_PRESET_SLOTS>;

std::string UtcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

std::string InFolder(const std::string& strDir, const std::string& strFile)
{
    return (fs::path(strDir) / strFile).string();
}

// "1, 2, 5".
std::string SlotList(const std::vector<int>& slots)
{
    std::string list;
    for (int s : slots)
        list += (list.empty() ? "" : ", ") + std::to_string(s);
    return list;
}

// "1-5", "0", "0,2,4", "1-3,5".
bool ParseSlots(const std::string& strText, SlotSet& slots)
{
    slots.fill(false);
    std::size_t pos = 0;
    while (pos <= strText.size()) {
        const std::size_t comma = std::min(strText.find(',', pos), strText.size());
        const std::string part = strText.substr(pos, comma - pos);
        const std::size_t dash = part.find('-');
        const auto first = ParseInt(part.substr(0, dash), 0, NUM_PRESET_SLOTS - 1);
        const auto last = dash == std::string::npos ? first : ParseInt(part.substr(dash + 1), 0, NUM_PRESET_SLOTS - 1);
        if (!first || !last || *last < *first)
            return false;
        for (int s = *first; s <= *last; ++s)
            slots[static_cast<std::size_t>(s)] = true;
        pos = comma + 1;
    }
    return true;
}

// Refuses a folder that holds anything unless --force; creates a missing
// one. bCreated tells the caller to take it away again if the device fails.
bool PrepareBackupFolder(const CommandLine& cl, const std::string& strDir, bool& bCreated)
{
    std::error_code ec;
    bCreated = false;
    std::string problem;
    const fs::file_status st = fs::status(strDir, ec);
    if (fs::exists(st) && !fs::is_directory(st)) {
        problem = strDir + ": not a folder";
    } else if (fs::exists(st) && !fs::is_empty(strDir, ec) && !cl.Has("--force")) {
        problem = strDir + " is not empty" +
                  (fs::exists(InFolder(strDir, BACKUP_INDEX_FILE)) ? " (it holds a backup)" : "") +
                  "; give a new folder, or --force to write this backup over what is there";
    } else if (!fs::exists(st)) {
        bCreated = fs::create_directories(strDir, ec);
        if (!bCreated)
            problem = strDir + ": cannot create the folder: " + ec.message();
    }
    if (problem.empty() && access(strDir.c_str(), W_OK | X_OK) != 0)
        problem = strDir + ": the folder is not writable";
    if (problem.empty())
        return true;
    cl.Fail(EXIT_IO, problem);
    return false;
}

// The files an earlier backup in the folder listed, to tidy up after --force.
std::vector<std::string> EarlierBackupFiles(const std::string& strDir)
{
    std::vector<std::uint8_t> bytes;
    std::string error;
    BackupIndex old;
    std::vector<std::string> files;
    if (ReadFileBytes(InFolder(strDir, BACKUP_INDEX_FILE), bytes, error) &&
        BackupIndexFromJson(std::string(bytes.begin(), bytes.end()), old, error))
        for (const BackupEntry& e : old.aEntry)
            files.push_back(e.strFile);
    return files;
}

// The index and the presets of the chosen slots, or false having said what
// is wrong.
bool LoadBackup(const CommandLine& cl, const std::string& strDir, const SlotSet& slots, BackupIndex& index,
                std::array<PresetData, NUM_PRESET_SLOTS>& aPreset)
{
    const std::string indexPath = InFolder(strDir, BACKUP_INDEX_FILE);
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!ReadFileBytes(indexPath, bytes, error)) {
        cl.Fail(EXIT_IO, error + " (a backup folder holds " + BACKUP_INDEX_FILE + ")");
        return false;
    }
    if (!BackupIndexFromJson(std::string(bytes.begin(), bytes.end()), index, error)) {
        cl.Fail(EXIT_IO, indexPath + ": " + error);
        return false;
    }
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s) {
        if (!slots[static_cast<std::size_t>(s)])
            continue;
        const BackupEntry* pEntry = index.Find(s);
        if (!pEntry) {
            cl.Fail(EXIT_IO, indexPath + ": the backup has no slot " + std::to_string(s));
            return false;
        }
        if (!ReadPreset(InFolder(strDir, pEntry->strFile), aPreset[static_cast<std::size_t>(s)], error)) {
            cl.Fail(EXIT_IO, error);
            return false;
        }
    }
    return true;
}
}  // namespace

int RunBackup(const CommandLine& cl)
{
    const std::string dir = cl.args[0];
    bool bCreated = false;
    if (!PrepareBackupFolder(cl, dir, bCreated))
        return EXIT_IO;
    const std::vector<std::string> earlier = EarlierBackupFiles(dir);

    // Everything is read before anything is written, so a device that fails
    // halfway leaves an earlier backup in the folder as it was.
    std::array<PresetData, NUM_PRESET_SLOTS> aPreset;
    bool bRead = false;
    {
        CCliSession session(cl);
        bRead = session.Connect(CDeviceLink::ConnectMode::NamesOnly) &&
                session.WaitFor([&] { return session.m_bNames; });
        for (int s = 0; bRead && s < NUM_PRESET_SLOTS; ++s)
            bRead = session.ReadSlot(s, aPreset[static_cast<std::size_t>(s)]);
    }
    if (!bRead) {
        std::error_code ec;
        if (bCreated)
            fs::remove(dir, ec);  // only goes when still empty
        return EXIT_IO;
    }

    BackupIndex index;
    index.strPort = cl.Get("--port");
    index.strDate = UtcNow();
    std::string error;
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s) {
        const PresetData& data = aPreset[static_cast<std::size_t>(s)];
        BackupEntry entry{s, data.strName, BackupFileName(s, data.strName)};
        if (!WritePreset(InFolder(dir, entry.strFile), data, error))
            return cl.Fail(EXIT_IO, error);
        index.aEntry.push_back(entry);
    }
    const std::string text = BackupIndexToJson(index);
    if (!WriteFileAtomically(InFolder(dir, BACKUP_INDEX_FILE), std::vector<std::uint8_t>(text.begin(), text.end()),
                             error))
        return cl.Fail(EXIT_IO, error);
    // An earlier backup's slot files that this one did not write over (the
    // slot's name has changed) would only mislead.
    for (const std::string& file : earlier) {
        bool bCurrent = false;
        for (const BackupEntry& e : index.aEntry)
            bCurrent = bCurrent || e.strFile == file;
        std::error_code ec;
        if (!bCurrent)
            fs::remove(InFolder(dir, file), ec);
    }
    for (const BackupEntry& e : index.aEntry)
        cl.out << "slot " << e.nSlot << "  " << QuotedName(e.strName) << "  " << e.strFile << "\n";
    cl.out << "Backed up six slots into " << dir << "\n";
    return EXIT_OK;
}

int RunRestore(const CommandLine& cl)
{
    SlotSet slots;
    const std::string slotText = cl.Has("--slots") ? cl.Get("--slots") : "1-5";
    if (!ParseSlots(slotText, slots))
        return cl.Fail(EXIT_USAGE, "--slots takes slots from 0 (live) to 5 as a range or list such as 1-5 or 0,2,4, not '" +
                                       slotText + "'");
    // The whole backup is checked before the device is touched.
    BackupIndex index;
    std::array<PresetData, NUM_PRESET_SLOTS> aPreset;
    if (!LoadBackup(cl, cl.args[0], slots, index, aPreset))
        return EXIT_IO;

    CCliSession session(cl);
    if (!session.Connect(CDeviceLink::ConnectMode::NamesOnly) || !session.WaitFor([&] { return session.m_bNames; }))
        return EXIT_IO;
    std::vector<int> restored, different;
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s) {
        if (!slots[static_cast<std::size_t>(s)])
            continue;
        const std::string& name = index.Find(s)->strName;
        const std::string before = restored.empty() ? "" : "; slots restored before it: " + SlotList(restored);
        if (!session.WriteSlot(s, aPreset[static_cast<std::size_t>(s)], name))
            return cl.Fail(EXIT_IO, "slot " + std::to_string(s) + " may be partly written" + before);
        std::vector<std::string> lines;
        switch (VerifySlot(session, s, PresetFromRoute(session.m_route), name, lines)) {
        case VerifyResult::LinkFailed:
            return cl.Fail(EXIT_IO, "slot " + std::to_string(s) + " was written but could not be read back" + before);
        case VerifyResult::Different:
            PrintDifferences(cl, s, lines);
            different.push_back(s);
            break;
        case VerifyResult::Equal:
            cl.out << "slot " << s << "  " << QuotedName(name) << "  restored and read back equal\n";
            restored.push_back(s);
            break;
        }
    }
    if (!different.empty())
        return cl.Fail(EXIT_IO, std::string("restore failed: ") + (different.size() == 1 ? "slot " : "slots ") +
                                    SlotList(different) + " read back different");
    cl.out << "Restored " << restored.size() << (restored.size() == 1 ? " slot" : " slots") << " from " << cl.args[0]
           << "\n";
    return EXIT_OK;
}
