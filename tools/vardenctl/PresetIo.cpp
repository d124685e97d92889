#include "PresetIo.h"

#include <algorithm>
#include <cctype>

#include "Archive.h"
#include "PresetFile.h"
#include "PresetJson.h"
#include "TALVRoute.h"

PresetFormat FormatOfPath(const std::string& strPath)
{
    const auto dot = strPath.find_last_of('.');
    const auto slash = strPath.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return PresetFormat::Unknown;
    std::string ext = strPath.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == "dia")
        return PresetFormat::Dia;
    if (ext == "json")
        return PresetFormat::Json;
    return PresetFormat::Unknown;
}

PresetFault ReadPreset(const std::string& strPath, PresetData& data, std::string& strError)
{
    const PresetFormat format = FormatOfPath(strPath);
    if (format == PresetFormat::Unknown) {
        strError = strPath + ": not a .dia or .json file";
        return PresetFault::Unreadable;
    }
    if (format == PresetFormat::Dia)
        return ReadPresetFile(strPath, data, strError);
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(strPath, bytes, strError))
        return PresetFault::Unreadable;
    PresetFault fault = PresetFault::None;
    if (!PresetFromJson(std::string(bytes.begin(), bytes.end()), data, strError, &fault))
        strError = strPath + ": " + strError;
    return fault;
}

bool WritePreset(const std::string& strPath, const PresetData& data, std::string& strError)
{
    std::vector<std::uint8_t> bytes;
    switch (FormatOfPath(strPath)) {
    case PresetFormat::Dia: {
        CArchive ar(bytes);
        StorePreset(ar, data.aChannel, data.strName);
        break;
    }
    case PresetFormat::Json: {
        const std::string text = PresetToJson(data);
        bytes.assign(text.begin(), text.end());
        break;
    }
    case PresetFormat::Unknown:
        strError = strPath + ": not a .dia or .json file";
        return false;
    }
    return WriteFileAtomically(strPath, bytes, strError);
}
