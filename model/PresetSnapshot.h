// The whole preset as the window edits it, in the compact form undo keeps:
// each channel's setting, the link groups, bass link mode and the name.
#pragma once

#include <array>
#include <string>

#include "TALVData.h"

class CTALVRoute;

struct CPresetSnapshot {
    std::array<CTALVData::Setting, NUM_CHANNELS> aChannel{};
    std::array<int, NUM_CHANNELS> anGroup{};
    bool bBassLink = false;
    std::string strName;

    static CPresetSnapshot Take(const CTALVRoute& route, const std::string& strName);
    // The channels, the groups and bass link mode back into route and the
    // process-wide link state; the name is the caller's to show.
    void Restore(CTALVRoute& route) const;

    bool operator==(const CPresetSnapshot&) const = default;
};
