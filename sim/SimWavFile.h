// WAV files as the virtual processor's room takes them and its tests record
// them: PCM of 16, 24 or 32 bits or 32-bit float, any channel count,
// interleaved samples scaled to full scale 1. Chunks it does not know are
// skipped; a file that is not such a WAV is refused with the reason.
#pragma once

#include <string>
#include <vector>

struct WavData {
    int nChannels = 0;
    int nRate = 0;
    std::vector<float> aSample;  // interleaved
    int Frames() const { return nChannels ? static_cast<int>(aSample.size()) / nChannels : 0; }
};

// Reads at most nMaxBytes of sample data; more is refused as too long.
bool ReadWavFile(const std::string& strPath, WavData& wav, std::string& strError, std::size_t nMaxBytes = 64u << 20);
// Writes 32-bit float; false with the reason.
bool WriteWavFile(const std::string& strPath, const WavData& wav, std::string& strError);
