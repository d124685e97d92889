// What a crossover move may change with crossovers free: the filters that
// meet between neighbours in frequency, each alone and the two together,
// and the settings each group may take.
#pragma once

#include <vector>

#include "ChannelAlignment.h"

// One filter a crossover move changes.
struct FilterRef {
    int n;  // the channel, an index into the request
    bool bHighPass;
};

// The filters that meet between neighbours, as groups that move: each one
// that is on alone, then the low-pass below and the high-pass above together.
std::vector<std::vector<FilterRef>> CrossoverGroups(const AlignRequest& request);

// Every setting of the group's filters a move may try, in the order tried:
// each filter within half an octave of where the user had it, on the grid,
// still on and not past its channel's other filter (as aSetting has them
// now); a pair moved by the same grid steps with one alignment and slope.
std::vector<std::vector<CrossoverFilter>> GroupOptions(const AlignRequest& request,
                                                       const std::vector<ChannelSetting>& aSetting,
                                                       const std::vector<FilterRef>& group);
