// The room of `--room FOLDER`: ch1.wav .. ch4.wav, each channel's loudspeaker
// at the microphone as a 48 kHz mono impulse response of at most 2 s.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "SimTypes.h"

// False with the reason (file and what is wrong with it) when a file is there
// but unusable. A channel without a file gets an empty response and its
// number in anMissing (1..4).
bool LoadRoomFolder(const std::string& strFolder, std::array<std::vector<float>, NUM_CHANNELS>& aResponse,
                    std::vector<int>& anMissing, std::string& strError);
