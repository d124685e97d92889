#include "ChannelAligner.h"

#include <algorithm>

namespace {
// Less than this is no measurable change of the sum's flatness.
constexpr double MEASURABLE_DB = 0.05;
constexpr int MAX_CROSSOVER_ROUNDS = 3;

std::vector<ChannelSetting> SettingsNow(const AlignRequest& request)
{
    std::vector<ChannelSetting> aNow;
    for (const AlignChannel& channel : request.aChannel)
        aNow.push_back(channel.now);
    return aNow;
}

// near with the filters of aSetting: only the channels whose filters differ
// are worked out again.
CAlignSearch Matching(const CAlignSearch& near, const std::vector<ChannelSetting>& aSetting)
{
    std::vector<FilterRef> group;
    std::vector<CrossoverFilter> filters;
    for (std::size_t k = 0; k < aSetting.size(); ++k) {
        const ChannelSetting& has = near.Filters()[k];
        for (const bool bHighPass : {true, false}) {
            const CrossoverFilter& want = bHighPass ? aSetting[k].hpf : aSetting[k].lpf;
            if (!(want == (bHighPass ? has.hpf : has.lpf))) {
                group.push_back({static_cast<int>(k), bHighPass});
                filters.push_back(want);
            }
        }
    }
    return near.WithFilters(group, filters);
}
}  // namespace

CChannelAligner::CChannelAligner(const AlignRequest& request, const AlignRange& range)
    : m_request(request), m_grid(request, range)
{
}

std::vector<ChannelSetting> CChannelAligner::Solve() const
{
    Found found{CAlignSearch(m_request, m_grid, SettingsNow(m_request)), {}};
    const AlignTrial start = found.search.Start();
    found.best = found.search.Search(start);
    if (m_request.bMoveCrossovers)
        found = MoveCrossovers(std::move(found));
    return Kept(found.search, found.search.Place(found.best), start.dFlat);
}

std::optional<CChannelAligner::Found> CChannelAligner::MoveGroup(const Found& found,
                                                                 const std::vector<FilterRef>& group) const
{
    std::vector<int> anChanged;
    std::vector<CrossoverFilter> was;
    for (const FilterRef& ref : group) {
        anChanged.push_back(ref.n);
        const ChannelSetting& setting = found.search.Filters()[static_cast<std::size_t>(ref.n)];
        was.push_back(ref.bHighPass ? setting.hpf : setting.lpf);
    }
    std::vector<CrossoverFilter> chosen = was;
    AlignTrial chosenTrial = found.best;
    for (const std::vector<CrossoverFilter>& option : GroupOptions(m_request, found.search.Filters(), group)) {
        const AlignTrial t = found.search.WithFilters(group, option).QuickSolve(found.best, anChanged);
        if (t.dFlat < chosenTrial.dFlat - ALIGN_IMPROVEMENT_DB) {
            chosenTrial = t;
            chosen = option;
        }
    }
    // Kept only when it helps clearly, by a measurable step and by more than
    // the next search may give back among near-equal settings; otherwise
    // the filters stay as they were.
    if (chosen == was || NearBound(chosenTrial.dFlat) >= found.best.dFlat ||
        chosenTrial.dFlat > found.best.dFlat - MEASURABLE_DB)
        return std::nullopt;
    CAlignSearch moved = found.search.WithFilters(group, chosen);
    const AlignTrial best = moved.Refined(chosenTrial);
    return Found{std::move(moved), best};
}

CChannelAligner::Found CChannelAligner::MoveCrossovers(Found found) const
{
    const std::vector<std::vector<FilterRef>> groups = CrossoverGroups(m_request);
    for (int nRound = 0; nRound < MAX_CROSSOVER_ROUNDS; ++nRound) {
        bool bMoved = false;
        for (const std::vector<FilterRef>& group : groups) {
            if (std::optional<Found> moved = MoveGroup(found, group)) {
                found = std::move(*moved);
                bMoved = true;
            }
        }
        if (!bMoved)
            break;
        found.best = found.search.Search(found.best);
    }
    return found;
}

std::vector<ChannelSetting> CChannelAligner::Kept(CAlignSearch search, std::vector<ChannelSetting> aSetting,
                                                  double dNowFlat) const
{
    const std::vector<ChannelSetting> aNow = SettingsNow(m_request);
    const double dFlat = search.FlatnessOf(aSetting);
    if (dFlat > dNowFlat - MEASURABLE_DB)
        return aNow;
    // Each change that does not make the sum measurably flatter taken back,
    // the cheapest first, while the whole stays measurably flatter than now.
    double dNow = dFlat;
    constexpr int FIELDS = 5;
    for (;;) {
        std::vector<ChannelSetting> best;
        double dBest = std::min(dNow + MEASURABLE_DB, dNowFlat - MEASURABLE_DB);
        for (std::size_t n = 0; n < aSetting.size(); ++n) {
            for (int f = 0; f < FIELDS; ++f) {
                std::vector<ChannelSetting> back = aSetting;
                ChannelSetting& a = back[n];
                const ChannelSetting& now = aNow[n];
                switch (f) {
                case 0:
                    a.nDelay = now.nDelay;
                    break;
                case 1:
                    a.bInverted = now.bInverted;
                    break;
                case 2:
                    a.nGain = now.nGain;
                    break;
                case 3:
                    a.hpf = now.hpf;
                    break;
                default:
                    a.lpf = now.lpf;
                    break;
                }
                if (DistanceFromNow(back, m_request) == DistanceFromNow(aSetting, m_request))
                    continue;
                const double dBack = Matching(search, back).FlatnessOf(back);
                if (dBack < dBest) {
                    dBest = dBack;
                    best = std::move(back);
                }
            }
        }
        if (best.empty())
            break;
        aSetting = std::move(best);
        search = Matching(search, aSetting);
        dNow = dBest;
    }
    return aSetting;
}
