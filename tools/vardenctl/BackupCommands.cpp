// vardenctl backup, restore and verify: all six slots of a device with their
// names into a folder, and back, each restored slot read back before success;
// and the device compared with a backup without writing anything.
#include <unistd.h>

#include <array>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "BackupFolder.h"
#include "BackupIndex.h"
#include "CliSession.h"
#include "CommandLine.h"
#include "PresetFile.h"
#include "PresetIo.h"
#include "PresetName.h"
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

// The index and the presets of the chosen slots; EXIT_OK, or the exit
// status having said what is wrong.
int LoadBackup(const CommandLine& cl, const std::string& strDir, const SlotSet& slots, BackupIndex& index,
               std::array<PresetData, NUM_PRESET_SLOTS>& aPreset)
{
    const std::string indexPath = InFolder(strDir, BACKUP_INDEX_FILE);
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!ReadFileBytes(indexPath, bytes, error))
        return cl.Fail(EXIT_IO, error + " (a backup folder holds " + BACKUP_INDEX_FILE + ")");
    bool bBadName = false;
    if (!BackupIndexFromJson(std::string(bytes.begin(), bytes.end()), index, error, &bBadName))
        return cl.Fail(bBadName ? EXIT_USAGE : EXIT_IO, indexPath + ": " + error);
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s) {
        if (!slots[static_cast<std::size_t>(s)])
            continue;
        const BackupEntry* pEntry = index.Find(s);
        if (!pEntry)
            return cl.Fail(EXIT_IO, indexPath + ": the backup has no slot " + std::to_string(s));
        const PresetFault fault =
            ReadPreset(InFolder(strDir, pEntry->strFile), aPreset[static_cast<std::size_t>(s)], error);
        if (fault != PresetFault::None)
            return cl.Fail(ExitForPresetFault(fault), error);
    }
    return EXIT_OK;
}

// The slots --slots names (1-5 when not given), in order, and the backup's
// index and presets of those slots; EXIT_OK, or the exit status having said
// what is wrong. The whole backup is checked before the device is touched.
int LoadChosenSlots(const CommandLine& cl, std::vector<int>& chosen, BackupIndex& index,
                    std::array<PresetData, NUM_PRESET_SLOTS>& aPreset)
{
    SlotSet slots;
    const std::string slotText = cl.Has("--slots") ? cl.Get("--slots") : "1-5";
    if (!ParseSlots(slotText, slots))
        return cl.Fail(
            EXIT_USAGE,
            "--slots takes slots from 0 (live) to 5 as a range or list such as 1-5 or 0,2,4, not '" + slotText + "'");
    chosen.clear();
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s)
        if (slots[static_cast<std::size_t>(s)])
            chosen.push_back(s);
    return LoadBackup(cl, cl.args[0], slots, index, aPreset);
}
}  // namespace

int RunBackup(const CommandLine& cl)
{
    const std::string dir = cl.args[0];
    CBackupFolder folder(dir);
    std::string error;
    if (!folder.Prepare(cl.Has("--force"), error))
        return cl.Fail(EXIT_IO, error);

    // Everything is read before anything is written, and written beside the
    // folder until it is whole, so a device or a disk that fails halfway
    // leaves an earlier backup in the folder as it was.
    // The session stays to the end: an interrupt while the files are being
    // written still keeps the earlier backup.
    std::array<PresetData, NUM_PRESET_SLOTS> aPreset;
    CCliSession session(cl);
    if (!session.Connect())
        return EXIT_IO;
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s) {
        if (session.IsStopRequested())
            return session.StoppedBefore(std::to_string(s) + " of 6 slots were read; " + folder.Untouched());
        if (!session.ReadSlot(s, aPreset[static_cast<std::size_t>(s)], "reading slot " + std::to_string(s)))
            return session.StepFailed(folder.Untouched());
    }
    session.m_link.Disconnect();

    BackupIndex index;
    index.strPort = cl.Get("--port");
    index.strDate = UtcNow();
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s) {
        const PresetData& data = aPreset[static_cast<std::size_t>(s)];
        BackupEntry entry{s, data.strName, BackupFileName(s, data.strName)};
        if (!WritePreset(folder.PathOf(entry.strFile), data, error))
            return cl.Fail(EXIT_IO, error + "; " + folder.Untouched());
        index.aEntry.push_back(entry);
    }
    const std::string text = BackupIndexToJson(index);
    std::string note;
    if (!WriteFileAtomically(folder.PathOf(BACKUP_INDEX_FILE), std::vector<std::uint8_t>(text.begin(), text.end()),
                             error))
        return cl.Fail(EXIT_IO, error + "; " + folder.Untouched());
    if (session.IsStopRequested())
        return session.StoppedBefore("all six slots were read; " + folder.Untouched());
    if (!folder.Commit(error, note))
        return cl.Fail(EXIT_IO, error + "; " + folder.Untouched());
    for (const BackupEntry& e : index.aEntry)
        cl.out << "slot " << e.nSlot << "  " << QuotedName(e.strName) << "  " << e.strFile << "\n";
    cl.out << "Backed up six slots into " << EscapeControls(dir) << "\n";
    if (!note.empty())
        cl.Note(note);
    return EXIT_OK;
}

int RunRestore(const CommandLine& cl)
{
    std::vector<int> left;
    BackupIndex index;
    std::array<PresetData, NUM_PRESET_SLOTS> aPreset;
    if (const int nExit = LoadChosenSlots(cl, left, index, aPreset))
        return nExit;

    CCliSession session(cl);
    if (!session.Connect())
        return EXIT_IO;
    std::vector<int> restored, different;
    // What the slots stand at, after whatever happened to the current one.
    auto standing = [&](const std::string& strCurrent) {
        std::string text = strCurrent;
        if (!restored.empty())
            text += "; restored before it: " + SlotList(restored);
        if (!different.empty())
            text += "; read back different: " + SlotList(different);
        if (left.size() > 1)
            text += "; not restored: " + SlotList(std::vector<int>(left.begin() + 1, left.end()));
        return text;
    };
    while (!left.empty()) {
        const int s = left.front();
        const std::string slot = "slot " + std::to_string(s);
        if (session.IsStopRequested()) {
            std::string text = "not restored: " + SlotList(left);
            if (!restored.empty())
                text = "restored: " + SlotList(restored) + "; " + text;
            return session.StoppedBefore(text);
        }
        const std::string& name = index.Find(s)->strName;
        if (!session.WriteSlot(s, aPreset[static_cast<std::size_t>(s)], name))
            return session.StepFailed(standing(session.WrittenPart(s)));
        if (session.IsStopRequested())
            return session.StoppedBefore(standing(slot + " was written but not read back"));
        std::vector<std::string> lines;
        switch (VerifySlot(session, s, PresetFromRoute(session.m_route), name, lines)) {
        case VerifyResult::LinkFailed:
            return session.StepFailed(standing(slot + " was written but could not be read back"));
        case VerifyResult::Different:
            PrintDifferences(cl, s, lines);
            different.push_back(s);
            break;
        case VerifyResult::Equal:
            cl.out << slot << "  " << QuotedName(name) << "  restored and read back equal\n";
            restored.push_back(s);
            break;
        }
        left.erase(left.begin());
    }
    if (!different.empty())
        return cl.Fail(EXIT_IO, std::string("restore failed: ") + (different.size() == 1 ? "slot " : "slots ") +
                                    SlotList(different) + " read back different");
    cl.out << "Restored " << restored.size() << (restored.size() == 1 ? " slot" : " slots") << " from "
           << EscapeControls(cl.args[0]) << "\n";
    return session.Finish(EXIT_OK, "every slot asked for was restored");
}

int RunVerify(const CommandLine& cl)
{
    std::vector<int> left;
    BackupIndex index;
    std::array<PresetData, NUM_PRESET_SLOTS> aPreset;
    if (const int nExit = LoadChosenSlots(cl, left, index, aPreset))
        return nExit;

    CCliSession session(cl);
    if (!session.Connect())
        return EXIT_IO;
    std::vector<int> equal, different;
    // How far the comparison came; nothing was written either way.
    auto standing = [&]() {
        std::string text;
        if (!equal.empty())
            text += "equal: " + SlotList(equal) + "; ";
        if (!different.empty())
            text += "different: " + SlotList(different) + "; ";
        return text + "not compared: " + SlotList(left);
    };
    while (!left.empty()) {
        const int s = left.front();
        if (session.IsStopRequested())
            return session.StoppedBefore(standing());
        const std::string& name = index.Find(s)->strName;
        std::vector<std::string> lines;
        switch (VerifySlot(session, s, aPreset[static_cast<std::size_t>(s)], name, lines)) {
        case VerifyResult::LinkFailed:
            return session.StepFailed(standing());
        case VerifyResult::Different:
            PrintDifferences(cl, s, lines, "differs from the backup (backup -> device)");
            different.push_back(s);
            break;
        case VerifyResult::Equal:
            cl.out << "slot " << s << "  " << QuotedName(name) << "  equal to the backup\n";
            equal.push_back(s);
            break;
        }
        left.erase(left.begin());
    }
    if (!different.empty())
        return cl.Fail(EXIT_IO, std::string("verify failed: ") + (different.size() == 1 ? "slot " : "slots ") +
                                    SlotList(different) + (different.size() == 1 ? " differs" : " differ") +
                                    " from the backup");
    cl.out << "Verified " << equal.size() << (equal.size() == 1 ? " slot" : " slots") << " against "
           << EscapeControls(cl.args[0]) << "\n";
    return session.Finish(EXIT_OK, "every slot asked for was compared");
}
