#include "BackupIndex.h"

#include <cctype>
#include <nlohmann/json.hpp>

#include "Frame.h"
#include "PresetName.h"
#include "PresetNameRule.h"
#include "Windows1252.h"

using nlohmann::json;
using nlohmann::ordered_json;

namespace {
constexpr const char* FORMAT_NAME = "varden backup";
constexpr int FORMAT_VERSION = 1;

bool IsPlainFileName(const std::string& s)
{
    return !s.empty() && s != "." && s != ".." && s.find('/') == std::string::npos && s.find('\0') == std::string::npos;
}

bool ReadEntry(const json& obj, const std::string& strPath, BackupEntry& entry, std::string& strError, bool& bBadName)
{
    if (!obj.is_object()) {
        strError = strPath + ": expected an object";
        return false;
    }
    const auto slot = obj.find("slot");
    const auto name = obj.find("name");
    const auto file = obj.find("file");
    if (slot == obj.end() || !slot->is_number_integer() || slot->get<long long>() < 0 ||
        slot->get<long long>() >= NUM_PRESET_SLOTS) {
        strError = strPath + ".slot: expected a slot number from 0 to 5";
        return false;
    }
    entry.nSlot = slot->get<int>();
    if (name == obj.end() || !name->is_string()) {
        strError = strPath + ".name: expected a string";
        return false;
    }
    // Restore writes the name to the device: it must keep it whole.
    std::string problem;
    if (Utf8ToWindows1252(name->get<std::string>(), entry.strName, problem))
        problem = CheckDeviceName(entry.strName);
    if (!problem.empty()) {
        strError = strPath + ".name: " + problem;
        bBadName = true;
        return false;
    }
    if (file == obj.end() || !file->is_string() || !IsPlainFileName(file->get<std::string>())) {
        strError = strPath + ".file: expected the name of a file in the backup folder";
        return false;
    }
    entry.strFile = file->get<std::string>();
    return true;
}
}  // namespace

const BackupEntry* BackupIndex::Find(int nSlot) const
{
    for (const BackupEntry& e : aEntry)
        if (e.nSlot == nSlot)
            return &e;
    return nullptr;
}

std::string BackupFileName(int nSlot, const std::string& strName)
{
    std::string name;
    for (unsigned char c : strName)
        name.push_back(std::isalnum(c) && c < 0x80 ? static_cast<char>(c) : (c == '-' ? '-' : '_'));
    if (name.empty())
        name = "unnamed";
    return "slot" + std::to_string(nSlot) + "-" + name + ".dia";
}

std::string BackupIndexToJson(const BackupIndex& index)
{
    ordered_json root;
    root["format"] = FORMAT_NAME;
    root["version"] = FORMAT_VERSION;
    root["port"] = index.strPort;
    root["date"] = index.strDate;
    ordered_json slots = ordered_json::array();
    for (const BackupEntry& e : index.aEntry)
        slots.push_back(ordered_json{{"slot", e.nSlot}, {"name", Windows1252ToUtf8(e.strName)}, {"file", e.strFile}});
    root["slots"] = std::move(slots);
    // The port path is only for the reader: bytes that are not UTF-8 become U+FFFD.
    return root.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool BackupIndexFromJson(const std::string& strText, BackupIndex& index, std::string& strError, bool* pbBadName)
{
    bool bBadName = false;
    if (pbBadName)
        *pbBadName = false;
    json root;
    try {
        root = json::parse(strText);
    } catch (const json::exception&) {
        strError = "not valid JSON";
        return false;
    }
    if (!root.is_object() || root.value("format", json()) != FORMAT_NAME) {
        strError = "not a varden backup index";
        return false;
    }
    if (root.value("version", json()) != FORMAT_VERSION) {
        strError = "backup index version " + root.value("version", json()).dump() + " is not known to this vardenctl";
        return false;
    }
    const auto slots = root.find("slots");
    if (slots == root.end() || !slots->is_array()) {
        strError = "slots: expected a list";
        return false;
    }
    BackupIndex result;
    for (std::size_t i = 0; i < slots->size(); ++i) {
        BackupEntry entry;
        if (!ReadEntry((*slots)[i], "slots[" + std::to_string(i) + "]", entry, strError, bBadName)) {
            if (pbBadName)
                *pbBadName = bBadName;
            return false;
        }
        if (result.Find(entry.nSlot)) {
            strError = "slots[" + std::to_string(i) + "]: slot " + std::to_string(entry.nSlot) + " is listed twice";
            return false;
        }
        result.aEntry.push_back(std::move(entry));
    }
    if (root.contains("port") && root["port"].is_string())
        result.strPort = root["port"].get<std::string>();
    if (root.contains("date") && root["date"].is_string())
        result.strDate = root["date"].get<std::string>();
    index = std::move(result);
    return true;
}
