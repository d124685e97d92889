// The search behind AlignChannels: the delays, polarities and gains for the
// crossovers as they are (CAlignSearch), then, with crossovers free, each
// filter between neighbours (alone, and the pair together) tried at every
// frequency within half an octave of where it was in grid steps with every
// alignment and slope, a change kept only when it helps clearly. A setting
// changes only where it makes the sum measurably flatter.
#pragma once

#include <optional>
#include <vector>

#include "AlignSearch.h"
#include "ChannelAlignment.h"

class CChannelAligner {
public:
    CChannelAligner(const AlignRequest& request, const AlignRange& range);
    std::vector<ChannelSetting> Solve() const;

private:
    // A search with its filters and the best setting found with them.
    struct Found {
        CAlignSearch search;
        AlignTrial best;
    };
    // The filters of group moved to the option that makes the sum clearly
    // flatter than found does, with the setting it gives; none when no
    // option does.
    std::optional<Found> MoveGroup(const Found& found, const std::vector<FilterRef>& group) const;
    Found MoveCrossovers(Found found) const;
    // The current setting unless aSetting (with the filters of search) is
    // measurably flatter; then each change that does not help measurably
    // taken back.
    std::vector<ChannelSetting> Kept(CAlignSearch search, std::vector<ChannelSetting> aSetting, double dNowFlat) const;

    const AlignRequest& m_request;
    AlignGrid m_grid;
};
