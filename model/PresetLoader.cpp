#include "PresetLoader.h"

#include <optional>

#include "Archive.h"
#include "PresetFile.h"
#include "PresetLimits.h"
#include "PresetNameRule.h"
#include "TALVRoute.h"

namespace {
constexpr std::size_t NAME_OFFSET = NUM_CHANNELS * CHANNEL_RECORD_SIZE;
// Length markers of the archive's string encoding.
constexpr std::uint8_t LEN_ESCAPE_BYTE = 0xFF;
constexpr std::uint16_t LEN_ESCAPE_WORD = 0xFFFF;
constexpr std::uint16_t LEN_WIDE_MARK = 0xFFFE;

// Where the name that starts at nPos ends, when its length can be read.
std::optional<std::uint64_t> NameEnd(const std::vector<std::uint8_t>& bytes, std::size_t nPos)
{
    auto le = [&](std::size_t at, int n) -> std::optional<std::uint64_t> {
        if (bytes.size() < at + static_cast<std::size_t>(n))
            return std::nullopt;
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= static_cast<std::uint64_t>(bytes[at + static_cast<std::size_t>(i)]) << (8 * i);
        return v;
    };
    std::uint64_t nUnit = 1;
    for (int nMarks = 0; nMarks < 2; ++nMarks) {
        const auto b = le(nPos, 1);
        if (!b)
            return std::nullopt;
        if (*b < LEN_ESCAPE_BYTE)
            return nPos + 1 + *b * nUnit;
        const auto w = le(nPos + 1, 2);
        if (!w)
            return std::nullopt;
        if (*w == LEN_WIDE_MARK) {
            nUnit = 2;
            nPos += 3;
            continue;
        }
        if (*w < LEN_ESCAPE_WORD)
            return nPos + 3 + *w * nUnit;
        const auto d = le(nPos + 3, 4);
        if (!d)
            return std::nullopt;
        return nPos + 7 + *d * nUnit;
    }
    return std::nullopt;
}

// Checks each value against its range in file order; the first one outside
// is what the message names.
class CRangeCheck {
public:
    explicit CRangeCheck(std::string& strError) : m_strError(strError) {}

    bool operator()(const std::string& strField, long long v, ValueRange range)
    {
        if (range.Contains(v))
            return true;
        m_strError = strField + " is " + std::to_string(v) + ", outside " + std::to_string(range.nMin) + ".." +
                     std::to_string(range.nMax);
        return false;
    }

private:
    std::string& m_strError;
};

bool CheckChannel(const ChannelRecord& rec, int nChannel, std::string& strError)
{
    CRangeCheck in(strError);
    const std::string ch = "channel " + std::to_string(nChannel + 1) + " ";
    if (!(in(ch + "output", rec.nOutput, SWITCH_RANGE) && in(ch + "gain", rec.nGain, CHANNEL_GAIN_RANGE) &&
          in(ch + "delay", rec.nDelay, DELAY_RANGE) && in(ch + "polarity", rec.nPolarity, SWITCH_RANGE) &&
          in(ch + "noise gate byte", rec.nGate, GATE_BYTE_RANGE) &&
          in(ch + "input level", rec.nInputLevel, SWITCH_RANGE)))
        return false;
    for (const auto& [name, f] : {std::pair{"high-pass", &rec.hpf}, std::pair{"low-pass", &rec.lpf}}) {
        const std::string filter = ch + name + " ";
        if (!(in(filter + "frequency", f->nFreq, XOVER_FREQ_RANGE) &&
              in(filter + "alignment", f->nType, FILTER_TYPE_RANGE) &&
              in(filter + "slope", f->nSlope, FILTER_SLOPE_RANGE)))
            return false;
    }
    for (int b = 0; b < NUM_BANDS; ++b) {
        const BandRecord& band = rec.aBand[static_cast<std::size_t>(b)];
        const std::string field = ch + "band " + std::to_string(b + 1) + " ";
        if (!(in(field + "frequency", band.nFreq, BAND_FREQ_RANGE) && in(field + "gain", band.nGain, BAND_GAIN_RANGE) &&
              in(field + "Q", band.nQ, BAND_Q_RANGE)))
            return false;
    }
    return true;
}

}  // namespace

PresetFault ParsePresetBytes(const std::vector<std::uint8_t>& bytes, PresetRecord& preset, std::string& strError)
{
    PresetRecord result;
    CArchive ar(bytes.data(), bytes.size());
    try {
        // Each record is checked as soon as it is read: what is wrong first
        // in the file is what the message names.
        for (int k = 0; k < NUM_CHANNELS; ++k) {
            ChannelRecord& rec = result.aChannel[static_cast<std::size_t>(k)];
            ReadChannelRecord(ar, rec);
            // Older files carry gate bytes and input levels outside the
            // device's ranges; the format has always taken them clamped.
            rec.nGate = static_cast<std::uint8_t>(GATE_BYTE_RANGE.Clamp(rec.nGate));
            rec.nInputLevel = static_cast<std::uint8_t>(SWITCH_RANGE.Clamp(rec.nInputLevel));
            if (!CheckChannel(rec, k, strError))
                return PresetFault::NotAPreset;
        }
        ar >> result.strName;
    } catch (const CArchiveException& e) {
        if (e.m_cause != CArchiveException::endOfFile) {
            strError = "its name has a damaged length";
            return PresetFault::NotAPreset;
        }
        const std::optional<std::uint64_t> nEnd =
            ar.GetPosition() >= NAME_OFFSET ? NameEnd(bytes, NAME_OFFSET) : std::nullopt;
        strError = "it ends after " + std::to_string(bytes.size()) + " of " +
                   (nEnd ? std::to_string(*nEnd) : "at least " + std::to_string(NAME_OFFSET + 1)) + " bytes";
        return PresetFault::NotAPreset;
    }
    if (ar.GetPosition() != bytes.size()) {
        const std::size_t nExtra = bytes.size() - ar.GetPosition();
        strError = std::to_string(nExtra) + (nExtra == 1 ? " byte" : " bytes") + " after the preset";
        return PresetFault::NotAPreset;
    }
    strError = CheckPresetName(result.strName);
    if (!strError.empty())
        return PresetFault::BadName;
    preset = std::move(result);
    return PresetFault::None;
}

PresetFault LoadPresetBytes(const std::vector<std::uint8_t>& bytes, CTALVRoute& route, std::string& strError)
{
    PresetRecord preset;
    const PresetFault fault = ParsePresetBytes(bytes, preset, strError);
    if (fault != PresetFault::None)
        return fault;
    // Every value is in range, so the model's own loading takes them as
    // they are, and the bytes are known to be long enough.
    CArchive ar(bytes.data(), bytes.size());
    route.Serialize(ar);
    return PresetFault::None;
}

PresetFault ReadPresetFile(const std::string& strPath, PresetRecord& preset, std::string& strError)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadFileBytes(strPath, bytes, strError))
        return PresetFault::Unreadable;
    const PresetFault fault = ParsePresetBytes(bytes, preset, strError);
    if (fault == PresetFault::NotAPreset)
        strError = strPath + ": not a preset file: " + strError;
    else if (fault == PresetFault::BadName)
        strError = strPath + ": " + strError;
    return fault;
}
