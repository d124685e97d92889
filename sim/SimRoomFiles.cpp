#include "SimRoomFiles.h"

#include <filesystem>

#include "SimRoom.h"
#include "SimWavFile.h"

bool LoadRoomFolder(const std::string& strFolder, std::array<std::vector<float>, NUM_CHANNELS>& aResponse,
                    std::vector<int>& anMissing, std::string& strError)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(strFolder, ec)) {
        strError = strFolder + " is not a folder";
        return false;
    }
    for (int c = 0; c < NUM_CHANNELS; ++c) {
        const fs::path path = fs::path(strFolder) / ("ch" + std::to_string(c + 1) + ".wav");
        if (!fs::exists(path, ec)) {
            anMissing.push_back(c + 1);
            continue;
        }
        WavData wav;
        std::string strWhy;
        // A little over 2 s of 32-bit samples, so a longer file is told apart.
        if (!ReadWavFile(path.string(), wav, strWhy, (ROOM_MAX_FRAMES + 1) * 4 * 8))
            strError = path.string() + " " + strWhy;
        else if (wav.nRate != ROOM_RATE)
            strError = path.string() + " is at " + std::to_string(wav.nRate) + " Hz; the room takes 48000 Hz";
        else if (wav.nChannels != 1)
            strError = path.string() + " has " + std::to_string(wav.nChannels) + " channels; the room takes mono";
        else if (wav.Frames() > ROOM_MAX_FRAMES)
            strError = path.string() + " is longer than 2 s";
        if (!strError.empty())
            return false;
        aResponse[static_cast<std::size_t>(c)] = std::move(wav.aSample);
    }
    return true;
}
