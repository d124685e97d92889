#include "CrossoverMoves.h"

#include <algorithm>
#include <cmath>

#include "CrossoverResponse.h"

namespace {
// Grid steps either way: half an octave.
constexpr int FREQ_STEPS = 12;

CrossoverFilter FilterOf(const ChannelSetting& setting, bool bHighPass)
{
    return bHighPass ? setting.hpf : setting.lpf;
}

// The options of one filter: frequency, then alignment, then slope.
std::vector<CrossoverFilter> FilterOptions(const AlignRequest& request, const std::vector<ChannelSetting>& aSetting,
                                           const FilterRef& ref)
{
    const ChannelSetting& setting = aSetting[static_cast<std::size_t>(ref.n)];
    // Half an octave from where the user had it, however far a round moved it.
    const CrossoverFilter now = FilterOf(request.aChannel[static_cast<std::size_t>(ref.n)].now, ref.bHighPass);
    std::vector<CrossoverFilter> options;
    const int nAt = NearestGridIndex(now.nFreq);
    for (int j = std::max(0, nAt - FREQ_STEPS); j <= std::min(GRID_POINTS - 1, nAt + FREQ_STEPS); ++j) {
        const int f = static_cast<int>(std::lround(g_dFreqGrid[j]));
        // Within half an octave, still on, and not past the channel's other filter.
        if (std::fabs(std::log2(static_cast<double>(f) / now.nFreq)) > 0.5 + 1e-9)
            continue;
        if (ref.bHighPass ? (f <= HIGH_PASS_OFF_HZ || f > setting.lpf.nFreq)
                          : (f >= LOW_PASS_OFF_HZ || f < setting.hpf.nFreq))
            continue;
        for (int a = 0; a < XOVER_ALIGNMENTS; ++a)
            for (int s = 0; s < XOVER_SLOPES; ++s)
                options.push_back({f, a, s});
    }
    return options;
}
}  // namespace

std::vector<std::vector<FilterRef>> CrossoverGroups(const AlignRequest& request)
{
    std::vector<std::vector<FilterRef>> groups;
    for (const auto& [nLow, nHigh] : ChannelsInFrequencyOrder(request)) {
        std::vector<FilterRef> pair;
        if (request.aChannel[static_cast<std::size_t>(nLow)].now.lpf.nFreq != LOW_PASS_OFF_HZ)
            pair.push_back({nLow, false});
        if (request.aChannel[static_cast<std::size_t>(nHigh)].now.hpf.nFreq != HIGH_PASS_OFF_HZ)
            pair.push_back({nHigh, true});
        for (const FilterRef& ref : pair)
            groups.push_back({ref});
        if (pair.size() == 2)
            groups.push_back(pair);
    }
    return groups;
}

std::vector<std::vector<CrossoverFilter>> GroupOptions(const AlignRequest& request,
                                                       const std::vector<ChannelSetting>& aSetting,
                                                       const std::vector<FilterRef>& group)
{
    // A pair moves by the same steps with the same alignment and slope.
    std::vector<std::vector<CrossoverFilter>> out;
    const int nAt =
        NearestGridIndex(FilterOf(aSetting[static_cast<std::size_t>(group.front().n)], group.front().bHighPass).nFreq);
    for (const CrossoverFilter& option : FilterOptions(request, aSetting, group.front())) {
        const int nShift = NearestGridIndex(option.nFreq) - nAt;
        std::vector<CrossoverFilter> tried{option};
        bool bValid = true;
        for (std::size_t i = 1; i < group.size(); ++i) {
            const CrossoverFilter was = FilterOf(aSetting[static_cast<std::size_t>(group[i].n)], group[i].bHighPass);
            const int j = NearestGridIndex(was.nFreq) + nShift;
            const int f = j >= 0 && j < GRID_POINTS ? static_cast<int>(std::lround(g_dFreqGrid[j])) : 0;
            const CrossoverFilter other{f, option.nAlign, option.nSlope};
            const std::vector<CrossoverFilter> allowed = FilterOptions(request, aSetting, group[i]);
            bValid = bValid && std::find(allowed.begin(), allowed.end(), other) != allowed.end();
            tried.push_back(other);
        }
        if (bValid)
            out.push_back(std::move(tried));
    }
    return out;
}
