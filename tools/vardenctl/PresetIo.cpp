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

bool ReadPreset(const std::string& strPath, PresetData& data, std::string& strError)
{
    const PresetFormat format = FormatOfPath(strPath);
    if (format == PresetFormat::Unknown) {
        strError = strPath + ": not a .dia or .json file";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(strPath, bytes, strError))
        return false;
    if (format == PresetFormat::Json) {
        const std::string text(bytes.begin(), bytes.end());
        if (!PresetFromJson(text, data, strError)) {
            strError = strPath + ": " + strError;
            return false;
        }
        return true;
    }
    CTALVRoute route;
    try {
        CArchive ar(bytes.data(), bytes.size());
        route.Serialize(ar);
    } catch (const CArchiveException& e) {
        strError = strPath + ": " + e.what();
        return false;
    }
    data = PresetFromRoute(route);
    return true;
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
