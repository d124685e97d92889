#include "PresetJson.h"

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>

#include "PresetLimits.h"
#include "PresetName.h"
#include "PresetNameRule.h"
#include "Windows1252.h"

using nlohmann::json;
using nlohmann::ordered_json;

namespace {
// Reading with the path of each field, so an error can name it.
class Reader {
public:
    explicit Reader(std::string& strError) : m_strError(strError) {}

    const json* Field(const json& obj, const std::string& strPath, const char* key)
    {
        const std::string path = strPath.empty() ? key : strPath + "." + key;
        if (!obj.is_object())
            return Fail(strPath + ": expected an object");
        const auto it = obj.find(key);
        if (it == obj.end())
            return Fail(path + ": missing");
        return &*it;
    }

    template <typename T>
    bool Int(const json& obj, const std::string& strPath, const char* key, T& out, long long nMin, long long nMax)
    {
        const json* v = Field(obj, strPath, key);
        if (!v)
            return false;
        const std::string path = strPath.empty() ? key : strPath + "." + key;
        if (!v->is_number_integer()) {
            Fail(path + ": expected a whole number");
            return false;
        }
        long long n;
        if (v->is_number_unsigned()) {
            const auto u = v->get<std::uint64_t>();
            if (u > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())) {
                Fail(path + ": " + v->dump() + " is outside " + std::to_string(nMin) + ".." + std::to_string(nMax));
                return false;
            }
            n = static_cast<long long>(u);
        } else {
            n = v->get<long long>();
        }
        if (n < nMin || n > nMax) {
            Fail(path + ": " + std::to_string(n) + " is outside " + std::to_string(nMin) + ".." + std::to_string(nMax));
            return false;
        }
        out = static_cast<T>(n);
        return true;
    }

    template <typename T>
    bool Ranged(const json& obj, const std::string& strPath, const char* key, T& out, ValueRange range)
    {
        return Int(obj, strPath, key, out, range.nMin, range.nMax);
    }

    const json* Array(const json& obj, const std::string& strPath, const char* key, std::size_t nCount)
    {
        const json* v = Field(obj, strPath, key);
        if (!v)
            return nullptr;
        const std::string path = strPath.empty() ? key : strPath + "." + key;
        if (!v->is_array() || v->size() != nCount)
            return Fail(path + ": expected a list of " + std::to_string(nCount) + " entries");
        return v;
    }

private:
    const json* Fail(const std::string& s)
    {
        m_strError = s;
        return nullptr;
    }
    std::string& m_strError;
};

constexpr long long INT32_LO = std::numeric_limits<std::int32_t>::min();
constexpr long long INT32_HI = std::numeric_limits<std::int32_t>::max();
constexpr long long INT16_LO = std::numeric_limits<std::int16_t>::min();
constexpr long long INT16_HI = std::numeric_limits<std::int16_t>::max();

bool ReadFilter(Reader& r, const json& ch, const std::string& path, const char* key, FilterRecord& f)
{
    const json* obj = r.Field(ch, path, key);
    const std::string sub = path + "." + key;
    return obj && r.Ranged(*obj, sub, "freq", f.nFreq, XOVER_FREQ_RANGE) &&
           r.Ranged(*obj, sub, "type", f.nType, FILTER_TYPE_RANGE) &&
           r.Ranged(*obj, sub, "slope", f.nSlope, FILTER_SLOPE_RANGE);
}

bool ReadChannel(Reader& r, const json& ch, const std::string& path, ChannelRecord& rec)
{
    if (!(r.Int(ch, path, "abFlag", rec.bABFlag, INT32_LO, INT32_HI) &&
          r.Int(ch, path, "hpfOff", rec.bHpfOff, INT32_LO, INT32_HI) &&
          r.Int(ch, path, "lpfOff", rec.bLpfOff, INT32_LO, INT32_HI) &&
          r.Int(ch, path, "channelOff", rec.bChannelOff, INT32_LO, INT32_HI) &&
          r.Ranged(ch, path, "output", rec.nOutput, SWITCH_RANGE) &&
          r.Ranged(ch, path, "polarity", rec.nPolarity, SWITCH_RANGE) &&
          r.Ranged(ch, path, "gain", rec.nGain, CHANNEL_GAIN_RANGE) &&
          r.Ranged(ch, path, "delay", rec.nDelay, DELAY_RANGE) &&
          r.Ranged(ch, path, "gate", rec.nGate, GATE_BYTE_RANGE) &&
          r.Ranged(ch, path, "inputLevel", rec.nInputLevel, SWITCH_RANGE) && ReadFilter(r, ch, path, "hpf", rec.hpf) &&
          ReadFilter(r, ch, path, "lpf", rec.lpf)))
        return false;
    const json* bands = r.Array(ch, path, "bands", NUM_BANDS);
    if (!bands)
        return false;
    for (int b = 0; b < NUM_BANDS; ++b) {
        const std::string bp = path + ".bands[" + std::to_string(b) + "]";
        BandRecord& band = rec.aBand[b];
        const json& obj = (*bands)[static_cast<std::size_t>(b)];
        if (!(r.Ranged(obj, bp, "freq", band.nFreq, BAND_FREQ_RANGE) &&
              r.Ranged(obj, bp, "gain", band.nGain, BAND_GAIN_RANGE) && r.Ranged(obj, bp, "q", band.nQ, BAND_Q_RANGE) &&
              r.Int(obj, bp, "reserved", band.nReserved, INT16_LO, INT16_HI)))
            return false;
    }
    return true;
}

ordered_json FilterToJson(const FilterRecord& f)
{
    return ordered_json{{"freq", f.nFreq}, {"type", f.nType}, {"slope", f.nSlope}};
}
}  // namespace

std::string PresetToJson(const PresetData& data)
{
    ordered_json root;
    root["name"] = Windows1252ToUtf8(data.strName);
    ordered_json channels = ordered_json::array();
    for (const ChannelRecord& rec : data.aChannel) {
        ordered_json ch;
        ch["abFlag"] = rec.bABFlag;
        ch["hpfOff"] = rec.bHpfOff;
        ch["lpfOff"] = rec.bLpfOff;
        ch["channelOff"] = rec.bChannelOff;
        ch["output"] = rec.nOutput;
        ch["polarity"] = rec.nPolarity;
        ch["gain"] = rec.nGain;
        ch["delay"] = rec.nDelay;
        ch["gate"] = rec.nGate;
        ch["inputLevel"] = rec.nInputLevel;
        ch["hpf"] = FilterToJson(rec.hpf);
        ch["lpf"] = FilterToJson(rec.lpf);
        ordered_json bands = ordered_json::array();
        for (const BandRecord& b : rec.aBand)
            bands.push_back(ordered_json{{"freq", b.nFreq}, {"gain", b.nGain}, {"q", b.nQ}, {"reserved", b.nReserved}});
        ch["bands"] = std::move(bands);
        channels.push_back(std::move(ch));
    }
    root["channels"] = std::move(channels);
    return root.dump(2) + "\n";
}

namespace {
// e.what() starts with the library's own tag; the rest says what and where.
std::string Untagged(const json::exception& e)
{
    std::string what = e.what();
    const auto pos = what.find("] ");
    return pos == std::string::npos ? what : what.substr(pos + 2);
}

// Builds the document like the library's own parser and keeps the path of
// the value being read, so an error the parser finds in a value (a number
// too large for a double, 1e400) names the field it is in.
class PathSax {
public:
    explicit PathSax(json& root) : m_dom(root, false) {}

    bool null() { return Value() && m_dom.null(); }
    bool boolean(bool v) { return Value() && m_dom.boolean(v); }
    bool number_integer(json::number_integer_t v) { return Value() && m_dom.number_integer(v); }
    bool number_unsigned(json::number_unsigned_t v) { return Value() && m_dom.number_unsigned(v); }
    bool number_float(json::number_float_t v, const json::string_t& s) { return Value() && m_dom.number_float(v, s); }
    bool string(json::string_t& v) { return Value() && m_dom.string(v); }
    bool binary(json::binary_t& v) { return Value() && m_dom.binary(v); }
    bool start_object(std::size_t n)
    {
        m_path.push_back({false, "", 0, false, {}});
        return m_dom.start_object(n);
    }
    bool key(json::string_t& k)
    {
        Step& step = m_path.back();
        step.strKey = k;
        step.bHasKey = true;
        // The library keeps the last of two equal keys; which one the user
        // meant is not ours to guess.
        if (!step.keys.insert(k).second) {
            m_strError = Path() + ": given twice";
            return false;
        }
        return m_dom.key(k);
    }
    bool end_object()
    {
        m_path.pop_back();
        Value();
        return m_dom.end_object();
    }
    bool start_array(std::size_t n)
    {
        m_path.push_back({true, "", 0, false, {}});
        return m_dom.start_array(n);
    }
    bool end_array()
    {
        m_path.pop_back();
        Value();
        return m_dom.end_array();
    }
    bool parse_error(std::size_t, const std::string&, const json::exception& e)
    {
        const std::string where = Path();
        m_strError = "not valid JSON" + (where.empty() ? std::string() : " in " + where) + ": " + Untagged(e);
        return false;
    }

    const std::string& GetError() const { return m_strError; }

private:
    struct Step {
        bool bArray;
        std::string strKey;
        std::size_t nIndex;  // elements of an array read so far
        bool bHasKey;
        std::set<std::string> keys;  // of an object, those read so far
    };
    // A value inside an array has been read: the next one has the next index.
    bool Value()
    {
        if (!m_path.empty() && m_path.back().bArray)
            ++m_path.back().nIndex;
        return true;
    }
    std::string Path() const
    {
        std::string out;
        for (const Step& step : m_path) {
            if (step.bArray)
                out += "[" + std::to_string(step.nIndex) + "]";
            else if (step.bHasKey)
                out += (out.empty() ? "" : ".") + step.strKey;
        }
        return out;
    }

    nlohmann::detail::json_sax_dom_parser<json> m_dom;
    std::vector<Step> m_path;
    std::string m_strError;
};

bool ReadPresetJson(const std::string& strText, PresetData& data, std::string& strError, PresetFault& fault)
{
    json root;
    PathSax sax(root);
    if (!json::sax_parse(strText, &sax)) {
        strError = sax.GetError().empty() ? "not valid JSON" : sax.GetError();
        return false;
    }
    if (!root.is_object()) {
        strError = "top level: expected an object";
        return false;
    }
    Reader r(strError);
    PresetData result;
    const json* name = r.Field(root, "", "name");
    if (!name)
        return false;
    if (!name->is_string()) {
        strError = "name: expected a string";
        return false;
    }
    if (!Utf8ToWindows1252(name->get<std::string>(), result.strName, strError)) {
        strError = "name: " + strError;
        fault = PresetFault::BadName;
        return false;
    }
    strError = CheckPresetName(result.strName);
    if (!strError.empty()) {
        strError = "name: " + strError;
        fault = PresetFault::BadName;
        return false;
    }
    const json* channels = r.Array(root, "", "channels", NUM_CHANNELS);
    if (!channels)
        return false;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        if (!ReadChannel(r, (*channels)[static_cast<std::size_t>(k)], "channels[" + std::to_string(k) + "]",
                         result.aChannel[k]))
            return false;
    }
    data = std::move(result);
    return true;
}
}  // namespace

bool PresetFromJson(const std::string& strText, PresetData& data, std::string& strError, PresetFault* pFault)
{
    PresetFault fault = PresetFault::NotAPreset;
    bool bOk = false;
    // Every error the library can raise is a message, never an abort.
    try {
        bOk = ReadPresetJson(strText, data, strError, fault);
    } catch (const json::exception& e) {
        strError = "not usable JSON: " + Untagged(e);
    }
    if (pFault)
        *pFault = bOk ? PresetFault::None : fault;
    return bOk;
}
