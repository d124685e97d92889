#include "SimWavFile.h"

#include <cstdint>
#include <cstring>
#include <fstream>

namespace {
constexpr std::uint16_t FORMAT_PCM = 1;
constexpr std::uint16_t FORMAT_FLOAT = 3;
constexpr std::uint16_t FORMAT_EXTENSIBLE = 0xFFFE;
constexpr std::size_t FMT_MIN = 16;
constexpr std::size_t EXTENSIBLE_SUBFORMAT = 24;  // offset of the sub-format's first word in fmt

std::uint32_t Le(const unsigned char* p, int nBytes)
{
    std::uint32_t v = 0;
    for (int i = nBytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void PutLe(std::string& s, std::uint32_t v, int nBytes)
{
    for (int i = 0; i < nBytes; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
}  // namespace

bool ReadWavFile(const std::string& strPath, WavData& wav, std::string& strError, std::size_t nMaxBytes)
{
    std::ifstream in(strPath, std::ios::binary);
    if (!in) {
        strError = "cannot be opened: " + std::string(std::strerror(errno));
        return false;
    }
    unsigned char head[12];
    if (!in.read(reinterpret_cast<char*>(head), sizeof head) || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0) {
        strError = "is not a WAV file";
        return false;
    }
    std::vector<unsigned char> fmt;
    std::vector<unsigned char> data;
    unsigned char chunk[8];
    while (in.read(reinterpret_cast<char*>(chunk), sizeof chunk)) {
        const std::uint32_t nSize = Le(chunk + 4, 4);
        const bool bFmt = std::memcmp(chunk, "fmt ", 4) == 0;
        const bool bData = std::memcmp(chunk, "data", 4) == 0;
        if (bFmt || bData) {
            if (nSize > nMaxBytes) {
                strError = "is too long";
                return false;
            }
            std::vector<unsigned char>& v = bFmt ? fmt : data;
            v.resize(nSize);
            in.read(reinterpret_cast<char*>(v.data()), static_cast<std::streamsize>(nSize));
            // A recorder stopped mid-file leaves the data chunk shorter than
            // its header says; take what is there.
            v.resize(static_cast<std::size_t>(in.gcount()));
            if (bData)
                break;
        } else {
            in.seekg(nSize + (nSize & 1), std::ios::cur);
        }
        if (nSize & 1 && bFmt)
            in.seekg(1, std::ios::cur);
    }
    if (fmt.size() < FMT_MIN || data.empty()) {
        strError = fmt.size() < FMT_MIN ? "has no format chunk" : "has no samples";
        return false;
    }
    std::uint16_t nFormat = static_cast<std::uint16_t>(Le(&fmt[0], 2));
    if (nFormat == FORMAT_EXTENSIBLE && fmt.size() >= EXTENSIBLE_SUBFORMAT + 2)
        nFormat = static_cast<std::uint16_t>(Le(&fmt[EXTENSIBLE_SUBFORMAT], 2));
    const int nChannels = static_cast<int>(Le(&fmt[2], 2));
    const int nRate = static_cast<int>(Le(&fmt[4], 4));
    const int nBits = static_cast<int>(Le(&fmt[14], 2));
    const bool bPcm = nFormat == FORMAT_PCM && (nBits == 16 || nBits == 24 || nBits == 32);
    const bool bFloat = nFormat == FORMAT_FLOAT && nBits == 32;
    if (!bPcm && !bFloat) {
        strError = "is neither 16-, 24- or 32-bit PCM nor 32-bit float";
        return false;
    }
    if (nChannels < 1 || nRate < 1) {
        strError = "has no channels or no rate";
        return false;
    }
    const int nBytes = nBits / 8;
    const std::size_t nSamples = data.size() / static_cast<std::size_t>(nBytes) / static_cast<std::size_t>(nChannels) *
                                 static_cast<std::size_t>(nChannels);
    wav.nChannels = nChannels;
    wav.nRate = nRate;
    wav.aSample.resize(nSamples);
    for (std::size_t i = 0; i < nSamples; ++i) {
        const unsigned char* p = &data[i * static_cast<std::size_t>(nBytes)];
        const std::uint32_t u = Le(p, nBytes);
        if (bFloat) {
            float f;
            std::memcpy(&f, &u, sizeof f);
            wav.aSample[i] = f;
        } else {
            // Sign-extend from the top bit of the sample.
            const int nShift = 32 - nBits;
            const auto v = static_cast<std::int32_t>(u << nShift) >> nShift;
            wav.aSample[i] = static_cast<float>(static_cast<double>(v) / static_cast<double>(1u << (nBits - 1)));
        }
    }
    return true;
}

bool WriteWavFile(const std::string& strPath, const WavData& wav, std::string& strError)
{
    const auto nData = static_cast<std::uint32_t>(wav.aSample.size() * sizeof(float));
    std::string s = "RIFF";
    PutLe(s, 36 + nData, 4);
    s += "WAVEfmt ";
    PutLe(s, 16, 4);
    PutLe(s, FORMAT_FLOAT, 2);
    PutLe(s, static_cast<std::uint32_t>(wav.nChannels), 2);
    PutLe(s, static_cast<std::uint32_t>(wav.nRate), 4);
    PutLe(s, static_cast<std::uint32_t>(wav.nRate * wav.nChannels) * sizeof(float), 4);
    PutLe(s, static_cast<std::uint32_t>(wav.nChannels) * sizeof(float), 2);
    PutLe(s, 32, 2);
    s += "data";
    PutLe(s, nData, 4);
    std::ofstream out(strPath, std::ios::binary);
    out.write(s.data(), static_cast<std::streamsize>(s.size()));
    out.write(reinterpret_cast<const char*>(wav.aSample.data()), static_cast<std::streamsize>(nData));
    out.close();
    if (!out) {
        strError = "cannot be written: " + std::string(std::strerror(errno));
        return false;
    }
    return true;
}
