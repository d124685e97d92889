// A preset as plain records: the four channel records and the name, as the
// preset file holds them, independent of the form they came in.
#pragma once

#include <array>
#include <string>

#include "ChannelRecord.h"

struct PresetRecord {
    std::array<ChannelRecord, NUM_CHANNELS> aChannel;
    std::string strName;  // 8-bit characters, as the file holds them
};
