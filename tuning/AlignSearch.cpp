#include "AlignSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <tuple>

#include "CrossoverResponse.h"
#include "LevelSpread.h"

namespace {
constexpr double DB_PER_NEPER_OF_POWER = 4.342944819032518;  // 10 / ln 10
// Where the channels cancel, a sum flat at nothing is no alignment, so each
// such point scores worse than any flatness. So does a sum whose power over
// the range is less than half the channels' powers added (where either
// channel alone plays, nothing comes near): channels that work against each
// other.
constexpr double WORKING_AGAINST = 0.5;
constexpr double CANCEL_PENALTY_DB = 1e6;
constexpr int SEEDS_PER_SWEEP = 4;  // the best local minima of a sweep, settled further
// The gains (words about the channel's) its delay is swept at.
constexpr int SWEEP_GAIN_OFFSETS[] = {0, -40, 40, -80, 80};
constexpr int MAX_ROUNDS = 4;
constexpr int MAX_DESCENT_STEPS = 40;
constexpr int NEAR_DELAY = 6;           // samples either way a settling step looks
constexpr int GAIN_WINDOW = 4;          // gain words either way a settling step looks first
constexpr int JOINT_DELAY = 2;          // samples either way a step of delay and gain together looks
constexpr std::size_t MAX_SETTLED = 8;  // seeds settled per channel and round
constexpr double NEAR_FACTOR = 1.02;
constexpr double NEAR_DB = 0.02;
// How far the delay and gain of the channels a filter change touches look
// while the change is judged.
constexpr int QUICK_DELAY = 24;
constexpr int QUICK_GAIN = 30;
constexpr int QUICK_SETTLE_DELAY = 3;
// Starts with each crossover aligned alone: the minima kept per crossover,
// and the flattest of their chains searched from.
constexpr std::size_t CROSSOVER_MINIMA = 3;
constexpr std::size_t CROSSOVER_STARTS = 3;

// Delays are kept with the earliest at 0, so a channel's delay swept
// against the others reaches twice the range.
constexpr int MAX_ROTATION = 2 * DELAY_WORD_MAX;

// A sweep's local minima: (flatness, step, reversed), the best first.
std::vector<std::tuple<double, int, int>> Minima(const std::vector<double>& adSame,
                                                 const std::vector<double>& adFlipped)
{
    std::vector<std::tuple<double, int, int>> minima;
    for (int s = 0; s < 2; ++s) {
        const std::vector<double>& ad = s == 0 ? adSame : adFlipped;
        for (std::size_t i = 0; i < ad.size(); ++i)
            if ((i == 0 || ad[i] <= ad[i - 1]) && (i + 1 == ad.size() || ad[i] <= ad[i + 1]))
                minima.emplace_back(ad[i], static_cast<int>(i), s);
    }
    return minima;
}

// The best SEEDS_PER_SWEEP of them.
std::vector<std::tuple<double, int, int>> BestMinima(const std::vector<double>& adSame,
                                                     const std::vector<double>& adFlipped)
{
    std::vector<std::tuple<double, int, int>> minima = Minima(adSame, adFlipped);
    const std::size_t nKeep = std::min<std::size_t>(SEEDS_PER_SWEEP, minima.size());
    std::partial_sort(minima.begin(), minima.begin() + static_cast<std::ptrdiff_t>(nKeep), minima.end());
    minima.resize(nKeep);
    return minima;
}

// The search's score of a sum, gathered point by point: the rms of its
// level about the mean, a cancelled point floored where it cancels and
// counted.
class CSumScore {
public:
    void Add(double dPower, const CAlignSearch::Alone& alone)
    {
        const double dFloor = std::max(alone.dInPhase * alone.dInPhase * ALIGN_CANCEL_POWER, LEAST_POWER);
        m_dPower += dPower;
        m_dPowers += alone.dPowers;
        if (dPower < dFloor) {
            dPower = dFloor;
            ++m_nCancelled;
        }
        m_spread.Add(std::log(dPower));
    }
    double Score() const
    {
        const bool bAgainst = m_dPower < m_dPowers * WORKING_AGAINST;
        return DB_PER_NEPER_OF_POWER * m_spread.Rms() + CANCEL_PENALTY_DB * (m_nCancelled + (bAgainst ? 1 : 0));
    }

private:
    CLevelSpread m_spread;  // of the log powers (nepers of power)
    double m_dPower = 0.0;
    double m_dPowers = 0.0;
    int m_nCancelled = 0;
};

// The common shift, within [nLow, nHigh], that leaves the values (anValue +
// shift) nearest to anNow: the fewest changed, then the fewest steps.
int NearestShift(const std::vector<int>& anValue, const std::vector<int>& anNow, int nLow, int nHigh)
{
    int nBest = nLow;
    std::pair<int, int> best{std::numeric_limits<int>::max(), 0};
    for (std::size_t m = 0; m <= anValue.size(); ++m) {
        const int nShift = m < anValue.size() ? std::clamp(anNow[m] - anValue[m], nLow, nHigh) : nLow;
        std::pair<int, int> away{0, 0};
        for (std::size_t n = 0; n < anValue.size(); ++n) {
            away.first += anValue[n] + nShift != anNow[n];
            away.second += std::abs(anValue[n] + nShift - anNow[n]);
        }
        if (away < best || (away == best && nShift < nBest)) {
            best = away;
            nBest = nShift;
        }
    }
    return nBest;
}

double Amplitude(int nGain)
{
    return std::pow(10.0, ChannelGainDb(nGain) / 20.0);
}
}  // namespace

double NearBound(double dBest)
{
    return dBest * NEAR_FACTOR + NEAR_DB;
}

// Steps come first: a setting that moves three delays by a few samples lies
// nearer than one that moves them by a period of the lowest crossover,
// whatever polarity each turns.
std::pair<int, int> DistanceFromNow(const std::vector<ChannelSetting>& aSetting, const AlignRequest& request)
{
    int nFields = 0;
    int nSteps = 0;
    for (std::size_t n = 0; n < aSetting.size(); ++n) {
        const ChannelSetting& a = aSetting[n];
        const ChannelSetting& now = request.aChannel[n].now;
        nFields += (a.nDelay != now.nDelay) + (a.bInverted != now.bInverted) + (a.nGain != now.nGain) +
                   !(a.hpf == now.hpf) + !(a.lpf == now.lpf);
        nSteps += std::abs(a.nDelay - now.nDelay) + std::abs(a.nGain - now.nGain);
    }
    return {nSteps, nFields};
}

AlignGrid::AlignGrid(const AlignRequest& request, const AlignRange& range)
{
    for (int i = 0; i < GRID_POINTS; ++i)
        if (range.abIn[i])
            anPoint.push_back(i);
    nPoints = static_cast<int>(anPoint.size());
    aRot.resize(static_cast<std::size_t>((MAX_ROTATION + 1) * nPoints));
    for (int d = 0; d <= MAX_ROTATION; ++d)
        for (int p = 0; p < nPoints; ++p)
            aRot[static_cast<std::size_t>(d * nPoints + p)] = std::polar(
                1.0, -2.0 * std::numbers::pi * g_dFreqGrid[anPoint[static_cast<std::size_t>(p)]] * DelaySeconds(d));
    for (std::size_t k = 0; k < request.aChannel.size(); ++k) {
        const ChannelSetting& now = request.aChannel[k].now;
        anGainLow[k] = std::max(0, now.nGain - ALIGN_GAIN_REACH);
        anGainHigh[k] = now.nGain;  // no gain is raised
    }
}

CAlignSearch::CAlignSearch(const AlignRequest& request, const AlignGrid& grid, std::vector<ChannelSetting> aSetting)
    : m_pRequest(&request),
      m_pGrid(&grid),
      m_nChannels(static_cast<int>(request.aChannel.size())),
      m_aSetting(std::move(aSetting)),
      m_aBase(static_cast<std::size_t>(m_nChannels))
{
    for (int n = 0; n < m_nChannels; ++n)
        UpdateBase(n);
}

void CAlignSearch::UpdateBase(int n)
{
    const auto k = static_cast<std::size_t>(n);
    ComplexGrid h = m_pRequest->aChannel[k].driver.h;
    ChannelSetting crossover;
    crossover.hpf = m_aSetting[k].hpf;
    crossover.lpf = m_aSetting[k].lpf;
    MultiplyCrossover(crossover, h);
    m_aBase[k].resize(static_cast<std::size_t>(m_pGrid->nPoints));
    for (int p = 0; p < m_pGrid->nPoints; ++p)
        m_aBase[k][static_cast<std::size_t>(p)] =
            h[static_cast<std::size_t>(m_pGrid->anPoint[static_cast<std::size_t>(p)])];
}

CAlignSearch CAlignSearch::WithFilters(const std::vector<FilterRef>& group,
                                       const std::vector<CrossoverFilter>& filters) const
{
    CAlignSearch search = *this;
    for (std::size_t i = 0; i < group.size(); ++i) {
        ChannelSetting& setting = search.m_aSetting[static_cast<std::size_t>(group[i].n)];
        (group[i].bHighPass ? setting.hpf : setting.lpf) = filters[i];
        search.UpdateBase(group[i].n);
    }
    return search;
}

void CAlignSearch::Contribution(const AlignTrial& t, int n, std::vector<Complex>& out) const
{
    const auto k = static_cast<std::size_t>(n);
    const double a = t.anSign[k] * Amplitude(t.anGain[k]);
    out.resize(static_cast<std::size_t>(m_pGrid->nPoints));
    for (int p = 0; p < m_pGrid->nPoints; ++p)
        out[static_cast<std::size_t>(p)] = a * m_aBase[k][static_cast<std::size_t>(p)] * Rot(t.anDelay[k], p);
}

void CAlignSearch::SumExcept(const AlignTrial& t, int nSkip, std::vector<Complex>& out) const
{
    out.assign(static_cast<std::size_t>(m_pGrid->nPoints), Complex());
    std::vector<Complex> one;
    for (int n = 0; n < m_nChannels; ++n) {
        if (n == nSkip)
            continue;
        Contribution(t, n, one);
        for (std::size_t p = 0; p < out.size(); ++p)
            out[p] += one[p];
    }
}

void CAlignSearch::AloneExcept(const AlignTrial& t, int nSkip, std::vector<Alone>& out) const
{
    out.assign(static_cast<std::size_t>(m_pGrid->nPoints), Alone());
    for (int n = 0; n < m_nChannels; ++n) {
        if (n == nSkip)
            continue;
        const auto k = static_cast<std::size_t>(n);
        const double a = Amplitude(t.anGain[k]);
        for (std::size_t p = 0; p < out.size(); ++p)
            out[p].Add(a * std::abs(m_aBase[k][p]));
    }
}

double CAlignSearch::Flatness(const std::vector<Complex>& sum, const std::vector<Alone>& alone) const
{
    CSumScore score;
    for (std::size_t p = 0; p < sum.size(); ++p)
        score.Add(std::norm(sum[p]), alone[p]);
    return score.Score();
}

double CAlignSearch::Evaluate(AlignTrial& t) const
{
    std::vector<Complex> sum;
    SumExcept(t, -1, sum);
    std::vector<Alone> alone;
    AloneExcept(t, -1, alone);
    t.dFlat = Flatness(sum, alone);
    return t.dFlat;
}

AlignTrial CAlignSearch::Start() const
{
    AlignTrial start;
    for (int n = 0; n < m_nChannels; ++n) {
        const ChannelSetting& now = m_pRequest->aChannel[static_cast<std::size_t>(n)].now;
        start.anDelay[static_cast<std::size_t>(n)] = now.nDelay;
        start.anSign[static_cast<std::size_t>(n)] = now.bInverted ? -1 : 1;
        start.anGain[static_cast<std::size_t>(n)] = now.nGain;
    }
    Normalise(start);
    Evaluate(start);
    return start;
}

double CAlignSearch::FlatnessOf(const std::vector<ChannelSetting>& aSetting) const
{
    AlignTrial t;
    for (int n = 0; n < m_nChannels; ++n) {
        const auto k = static_cast<std::size_t>(n);
        t.anDelay[k] = aSetting[k].nDelay;
        t.anSign[k] = aSetting[k].bInverted ? -1 : 1;
        t.anGain[k] = aSetting[k].nGain;
    }
    return Evaluate(t);
}

void CAlignSearch::DelayBounds(const AlignTrial& t, int n, int& nLow, int& nHigh) const
{
    ShiftBounds(t, 1u << n, nLow, nHigh);
    nLow += t.anDelay[static_cast<std::size_t>(n)];
    nHigh += t.anDelay[static_cast<std::size_t>(n)];
}

void CAlignSearch::GainBounds(const AlignTrial& t, int n, int& nLow, int& nHigh) const
{
    // Some common shift must bring every gain within its own bounds.
    int nRoomUp = std::numeric_limits<int>::max();
    int nNeedUp = std::numeric_limits<int>::min();
    for (int m = 0; m < m_nChannels; ++m) {
        if (m == n)
            continue;
        const auto k = static_cast<std::size_t>(m);
        nRoomUp = std::min(nRoomUp, m_pGrid->anGainHigh[k] - t.anGain[k]);
        nNeedUp = std::max(nNeedUp, m_pGrid->anGainLow[k] - t.anGain[k]);
    }
    nLow = m_pGrid->anGainLow[static_cast<std::size_t>(n)] - nRoomUp;
    nHigh = m_pGrid->anGainHigh[static_cast<std::size_t>(n)] - nNeedUp;
}

void CAlignSearch::ShiftBounds(const AlignTrial& t, unsigned nMask, int& nLow, int& nHigh) const
{
    // Every delay stays within reach of every other.
    int nMin = std::numeric_limits<int>::max();
    int nMax = std::numeric_limits<int>::min();
    for (int m = 0; m < m_nChannels; ++m) {
        if (!(nMask & (1u << m))) {
            nMin = std::min(nMin, t.anDelay[static_cast<std::size_t>(m)]);
            nMax = std::max(nMax, t.anDelay[static_cast<std::size_t>(m)]);
        }
    }
    nLow = std::numeric_limits<int>::min();
    nHigh = std::numeric_limits<int>::max();
    for (int m = 0; m < m_nChannels; ++m) {
        if (nMask & (1u << m)) {
            nLow = std::max(nLow, nMax - DELAY_WORD_MAX - t.anDelay[static_cast<std::size_t>(m)]);
            nHigh = std::min(nHigh, nMin + DELAY_WORD_MAX - t.anDelay[static_cast<std::size_t>(m)]);
        }
    }
}

template <class PointAt>
CAlignSearch::Swept CAlignSearch::Sweep(const std::vector<Complex>& rest, const std::vector<Complex>& x,
                                        const std::vector<Alone>& alone, PointAt at, int nLow, int nHigh) const
{
    Swept swept;
    swept.nLow = nLow;
    const auto nCount = static_cast<std::size_t>(nHigh - nLow + 1);
    swept.adSame.assign(nCount, 0.0);
    swept.adFlipped.assign(nCount, 0.0);
    for (int d = nLow; d <= nHigh; ++d) {
        CSumScore same, flipped;
        for (std::size_t i = 0; i < alone.size(); ++i) {
            const int p = at(i);
            const auto q = static_cast<std::size_t>(p);
            const Complex y = x[q] * Rot(d, p);
            same.Add(std::norm(rest[q] + y), alone[i]);
            flipped.Add(std::norm(rest[q] - y), alone[i]);
        }
        swept.adSame[static_cast<std::size_t>(d - nLow)] = same.Score();
        swept.adFlipped[static_cast<std::size_t>(d - nLow)] = flipped.Score();
    }
    return swept;
}

CAlignSearch::Swept CAlignSearch::SweepShift(const AlignTrial& t, unsigned nMask, int nLow, int nHigh) const
{
    std::vector<Complex> rest(static_cast<std::size_t>(m_pGrid->nPoints));
    std::vector<Complex> x(static_cast<std::size_t>(m_pGrid->nPoints));
    std::vector<Complex> one;
    for (int m = 0; m < m_nChannels; ++m) {
        Contribution(t, m, one);
        std::vector<Complex>& to = (nMask & (1u << m)) ? x : rest;
        for (std::size_t p = 0; p < one.size(); ++p)
            to[p] += one[p];
    }
    // What the channels give alone does not depend on the delay.
    std::vector<Alone> alone;
    AloneExcept(t, -1, alone);
    return Sweep(
        rest, x, alone, [](std::size_t i) { return static_cast<int>(i); }, nLow, nHigh);
}

bool CAlignSearch::BestDelayNear(AlignTrial& t, int n, int nReach) const
{
    int nLow = 0, nHigh = 0;
    DelayBounds(t, n, nLow, nHigh);
    const auto k = static_cast<std::size_t>(n);
    nLow = std::max(nLow, t.anDelay[k] - nReach);
    nHigh = std::min(nHigh, t.anDelay[k] + nReach);
    const Swept swept = SweepShift(t, 1u << n, nLow - t.anDelay[k], nHigh - t.anDelay[k]);
    bool bImproved = false;
    const int nSign = t.anSign[k];
    for (int d = nLow; d <= nHigh; ++d) {
        for (const bool bFlip : {false, true}) {
            const double dFlat = (bFlip ? swept.adFlipped : swept.adSame)[static_cast<std::size_t>(d - nLow)];
            if (dFlat < t.dFlat - ALIGN_IMPROVEMENT_DB) {
                t.dFlat = dFlat;
                t.anDelay[k] = d;
                t.anSign[k] = bFlip ? -nSign : nSign;
                bImproved = true;
            }
        }
    }
    if (bImproved)
        Normalise(t);
    return bImproved;
}

void CAlignSearch::Normalise(AlignTrial& t) const
{
    const int nMin = *std::min_element(t.anDelay.begin(), t.anDelay.begin() + m_nChannels);
    for (int n = 0; n < m_nChannels; ++n)
        t.anDelay[static_cast<std::size_t>(n)] -= nMin;
}

bool CAlignSearch::BestGainNear(AlignTrial& t, int n, int nReach, bool bWhole) const
{
    int nLow = 0, nHigh = 0;
    GainBounds(t, n, nLow, nHigh);
    const auto k = static_cast<std::size_t>(n);
    nLow = std::max(nLow, t.anGain[k] - nReach);
    nHigh = std::min(nHigh, t.anGain[k] + nReach);
    std::vector<Complex> rest;
    SumExcept(t, n, rest);
    AlignTrial unit = t;
    unit.anGain[k] = CHANNEL_GAIN_WORD_0DB;
    std::vector<Complex> x;
    Contribution(unit, n, x);
    std::vector<Alone> restAlone;
    AloneExcept(t, n, restAlone);
    std::vector<Complex> sum(rest.size());
    std::vector<Alone> alone(rest.size());
    const auto flatAt = [&](int g) {
        const double a = Amplitude(g);
        for (std::size_t p = 0; p < sum.size(); ++p) {
            sum[p] = rest[p] + a * x[p];
            alone[p] = restAlone[p];
            alone[p].Add(a * std::abs(x[p]));
        }
        return Flatness(sum, alone);
    };
    // A window of steps that follows the best to the edge of the reach.
    bool bImproved = false;
    int nFrom = bWhole ? nLow : std::max(nLow, t.anGain[k] - GAIN_WINDOW);
    int nTo = bWhole ? nHigh : std::min(nHigh, t.anGain[k] + GAIN_WINDOW);
    for (int nLooked = 0; nFrom <= nTo;) {
        const int nWas = t.anGain[k];
        for (int g = nFrom; g <= nTo; ++g) {
            if (g == nWas && nLooked > 0)
                continue;
            const double dFlat = flatAt(g);
            if (dFlat < t.dFlat - ALIGN_IMPROVEMENT_DB) {
                t.dFlat = dFlat;
                t.anGain[k] = g;
                bImproved = true;
            }
        }
        ++nLooked;
        if (t.anGain[k] == nTo && nTo < nHigh) {
            nFrom = nTo + 1;
            nTo = std::min(nHigh, nTo + 2 * GAIN_WINDOW);
        } else if (t.anGain[k] == nFrom && nFrom > nLow && t.anGain[k] != nWas) {
            nTo = nFrom - 1;
            nFrom = std::max(nLow, nFrom - 2 * GAIN_WINDOW);
        } else {
            break;
        }
    }
    return bImproved;
}

AlignTrial CAlignSearch::Refined(AlignTrial t) const
{
    Evaluate(t);
    // Small steps until they stop helping, then once the whole gain reach,
    // which may open the way again.
    for (int nStep = 0; nStep < MAX_DESCENT_STEPS; ++nStep) {
        bool bImproved = false;
        for (int n = 0; n < m_nChannels; ++n) {
            bImproved = BestGainNear(t, n, 2 * ALIGN_GAIN_REACH) || bImproved;
            bImproved = BestDelayNear(t, n, NEAR_DELAY) || bImproved;
        }
        if (bImproved)
            continue;
        for (int n = 0; n < m_nChannels; ++n) {
            bImproved = BestGainNear(t, n, 2 * ALIGN_GAIN_REACH, true) || bImproved;
            bImproved = StepDelayAndGain(t, n) || bImproved;
        }
        if (!bImproved)
            break;
    }
    return t;
}

bool CAlignSearch::StepDelayAndGain(AlignTrial& t, int n) const
{
    // Neither a delay step nor a gain step alone may help where both do.
    const auto k = static_cast<std::size_t>(n);
    int nLow = 0, nHigh = 0;
    DelayBounds(t, n, nLow, nHigh);
    bool bImproved = false;
    const AlignTrial from = t;
    for (int d = std::max(nLow, from.anDelay[k] - JOINT_DELAY); d <= std::min(nHigh, from.anDelay[k] + JOINT_DELAY);
         ++d) {
        if (d == from.anDelay[k])
            continue;
        AlignTrial u = from;
        u.anDelay[k] = d;
        Evaluate(u);
        BestGainNear(u, n, 2 * ALIGN_GAIN_REACH);
        if (u.dFlat < t.dFlat - ALIGN_IMPROVEMENT_DB) {
            t = u;
            bImproved = true;
        }
    }
    if (bImproved)
        Normalise(t);
    return bImproved;
}

AlignTrial CAlignSearch::Settled(AlignTrial t) const
{
    Normalise(t);
    return Refined(t);
}

AlignTrial CAlignSearch::QuickSolve(AlignTrial t, const std::vector<int>& anChanged) const
{
    Evaluate(t);
    for (const int n : anChanged) {
        BestDelayNear(t, n, QUICK_DELAY);
        BestGainNear(t, n, QUICK_GAIN);
        BestDelayNear(t, n, QUICK_SETTLE_DELAY);
    }
    return t;
}

std::vector<AlignTrial> CAlignSearch::ChannelSeeds(const AlignTrial& from, int n) const
{
    struct Seed {
        double dFlat;
        int nDelay;
        int nSign;
        int nGain;
    };
    const auto k = static_cast<std::size_t>(n);
    // Swept at a few gains about the one it has: at a gain far from right
    // the right delay need not stand out.
    std::vector<Seed> seeds;
    for (const int nOffset : SWEEP_GAIN_OFFSETS) {
        AlignTrial t = from;
        int nGainLow = 0, nGainHigh = 0;
        GainBounds(t, n, nGainLow, nGainHigh);
        t.anGain[k] = std::clamp(t.anGain[k] + nOffset, nGainLow, nGainHigh);
        int nLow = 0, nHigh = 0;
        DelayBounds(t, n, nLow, nHigh);
        const Swept swept = SweepShift(t, 1u << n, nLow - t.anDelay[k], nHigh - t.anDelay[k]);
        for (const auto& [dFlat, i, bReversed] : BestMinima(swept.adSame, swept.adFlipped))
            seeds.push_back({dFlat, nLow + i, bReversed ? -t.anSign[k] : t.anSign[k], t.anGain[k]});
    }
    // The same delay and polarity found at several gains is settled once.
    std::sort(seeds.begin(), seeds.end(), [](const Seed& a, const Seed& b) { return a.dFlat < b.dFlat; });
    std::vector<Seed> kept;
    std::vector<AlignTrial> out;
    for (const Seed& seed : seeds) {
        if (std::any_of(kept.begin(), kept.end(), [&](const Seed& other) {
                return std::abs(other.nDelay - seed.nDelay) <= 1 && other.nSign == seed.nSign;
            }))
            continue;
        if (kept.size() == MAX_SETTLED)
            break;
        kept.push_back(seed);
        AlignTrial t = from;
        t.anDelay[k] = seed.nDelay;
        t.anSign[k] = seed.nSign;
        t.anGain[k] = seed.nGain;
        out.push_back(t);
    }
    return out;
}

std::vector<unsigned> CAlignSearch::Blocks() const
{
    // A midrange already in time with the tweeter cannot move alone without
    // losing it: the two must move together against the woofer below.
    const std::vector<std::pair<int, int>> neighbours = ChannelsInFrequencyOrder(*m_pRequest);
    std::vector<unsigned> masks;
    for (std::size_t nSplit = 1; nSplit + 1 < neighbours.size(); ++nSplit) {
        unsigned nMask = 0;
        for (std::size_t j = nSplit; j < neighbours.size(); ++j)
            nMask |= 1u << neighbours[j].second;
        masks.push_back(nMask);
    }
    return masks;
}

std::vector<AlignTrial> CAlignSearch::BlockSeeds(const AlignTrial& from, unsigned nMask) const
{
    int nLow = 0, nHigh = 0;
    ShiftBounds(from, nMask, nLow, nHigh);
    const Swept swept = SweepShift(from, nMask, nLow, nHigh);
    std::vector<AlignTrial> out;
    for (const auto& [dFlat, i, bReversed] : BestMinima(swept.adSame, swept.adFlipped)) {
        AlignTrial t = from;
        for (int m = 0; m < m_nChannels; ++m) {
            if (nMask & (1u << m)) {
                t.anDelay[static_cast<std::size_t>(m)] += nLow + i;
                t.anSign[static_cast<std::size_t>(m)] *= bReversed ? -1 : 1;
            }
        }
        out.push_back(t);
    }
    return out;
}

AlignTrial CAlignSearch::Search(const AlignTrial& start) const
{
    AlignTrial first = start;
    Evaluate(first);
    std::vector<AlignTrial> aSettled{first};
    AlignTrial best = Refined(first);
    aSettled.push_back(best);
    // Each seed settled is kept among the candidates; true when it beats
    // the best, which it then becomes.
    const auto settle = [&](const AlignTrial& seed) {
        const AlignTrial t = Settled(seed);
        aSettled.push_back(t);
        if (t.dFlat >= best.dFlat - ALIGN_IMPROVEMENT_DB)
            return false;
        best = t;
        return true;
    };
    for (const AlignTrial& t : CrossoverStarts(first))
        settle(t);
    const std::vector<unsigned> blocks = Blocks();
    for (int nRound = 0; nRound < MAX_ROUNDS; ++nRound) {
        bool bImproved = false;
        for (int n = 0; n < m_nChannels; ++n)
            for (const AlignTrial& seed : ChannelSeeds(best, n))
                bImproved = settle(seed) || bImproved;
        for (const unsigned nMask : blocks)
            for (const AlignTrial& seed : BlockSeeds(best, nMask))
                bImproved = settle(seed) || bImproved;
        if (!bImproved)
            break;
    }
    return Preferred(aSettled);
}

std::vector<AlignTrial> CAlignSearch::CrossoverStarts(const AlignTrial& from) const
{
    const std::vector<std::pair<int, int>> neighbours = ChannelsInFrequencyOrder(*m_pRequest);
    if (neighbours.size() < 2)
        return {};
    std::vector<std::vector<Complex>> aAlone(static_cast<std::size_t>(m_nChannels));
    AlignTrial unDelayed = from;
    unDelayed.anDelay.fill(0);
    for (int n = 0; n < m_nChannels; ++n)
        Contribution(unDelayed, n, aAlone[static_cast<std::size_t>(n)]);
    // Per crossover, its best few: the upper channel's delay less the
    // lower's, and its polarity as it is (1) or turned (-1).
    std::vector<std::vector<std::pair<int, int>>> aBest;
    for (const auto& [nLow, nHigh] : neighbours) {
        const std::vector<Complex>& lo = aAlone[static_cast<std::size_t>(nLow)];
        const std::vector<Complex>& hi = aAlone[static_cast<std::size_t>(nHigh)];
        std::vector<int> anAt;
        for (int p = 0; p < m_pGrid->nPoints; ++p) {
            const auto q = static_cast<std::size_t>(p);
            const double dQuieter = std::min(std::abs(lo[q]), std::abs(hi[q]));
            bool bLoudest = true;
            for (int m = 0; m < m_nChannels; ++m)
                bLoudest = bLoudest &&
                           (m == nLow || m == nHigh || std::abs(aAlone[static_cast<std::size_t>(m)][q]) <= dQuieter);
            if (bLoudest)
                anAt.push_back(p);
        }
        if (static_cast<int>(anAt.size()) < ALIGN_MIN_POINTS)
            return {};
        std::vector<Alone> alone(anAt.size());
        for (std::size_t i = 0; i < anAt.size(); ++i) {
            const auto q = static_cast<std::size_t>(anAt[i]);
            alone[i].Add(std::abs(lo[q]));
            alone[i].Add(std::abs(hi[q]));
        }
        const Swept swept = Sweep(
            lo, hi, alone, [&](std::size_t i) { return anAt[i]; }, -DELAY_WORD_MAX, DELAY_WORD_MAX);
        std::vector<std::pair<double, std::pair<int, int>>> minima;
        for (const auto& [dFlat, i, bReversed] : Minima(swept.adSame, swept.adFlipped))
            minima.push_back({dFlat, {i - DELAY_WORD_MAX, bReversed ? -1 : 1}});
        std::sort(minima.begin(), minima.end());
        aBest.emplace_back();
        for (std::size_t i = 0; i < std::min(CROSSOVER_MINIMA, minima.size()); ++i)
            aBest.back().push_back(minima[i].second);
    }
    // Every chain of them, up from the lowest channel; the flattest sums.
    std::vector<AlignTrial> starts;
    std::vector<std::size_t> anChoice(neighbours.size(), 0);
    for (bool bMore = true; bMore;) {
        AlignTrial t = from;
        t.anDelay[static_cast<std::size_t>(neighbours.front().first)] = 0;
        for (std::size_t j = 0; j < neighbours.size(); ++j) {
            const auto lo = static_cast<std::size_t>(neighbours[j].first);
            const auto hi = static_cast<std::size_t>(neighbours[j].second);
            const auto [nDelay, nSign] = aBest[j][anChoice[j]];
            t.anDelay[hi] = t.anDelay[lo] + nDelay;
            t.anSign[hi] = from.anSign[hi] * nSign * t.anSign[lo] * from.anSign[lo];
        }
        Normalise(t);
        if (*std::max_element(t.anDelay.begin(), t.anDelay.begin() + m_nChannels) <= DELAY_WORD_MAX) {
            Evaluate(t);
            starts.push_back(t);
        }
        bMore = false;
        for (std::size_t j = 0; j < neighbours.size() && !bMore; ++j) {
            bMore = ++anChoice[j] < aBest[j].size();
            if (!bMore)
                anChoice[j] = 0;
        }
    }
    std::sort(starts.begin(), starts.end(), [](const AlignTrial& a, const AlignTrial& b) { return a.dFlat < b.dFlat; });
    starts.resize(std::min(starts.size(), CROSSOVER_STARTS));
    return starts;
}

AlignTrial CAlignSearch::Preferred(const std::vector<AlignTrial>& aSettled) const
{
    double dBest = std::numeric_limits<double>::infinity();
    for (const AlignTrial& t : aSettled)
        dBest = std::min(dBest, t.dFlat);
    const AlignTrial* pChosen = nullptr;
    std::pair<int, int> chosenAway;
    for (const AlignTrial& t : aSettled) {
        if (t.dFlat > NearBound(dBest))
            continue;
        const std::pair<int, int> away = DistanceFromNow(Place(t), *m_pRequest);
        if (!pChosen || away < chosenAway || (away == chosenAway && t.dFlat < pChosen->dFlat)) {
            pChosen = &t;
            chosenAway = away;
        }
    }
    return *pChosen;
}

int CAlignSearch::LowestChannel() const
{
    const std::vector<std::pair<int, int>> neighbours = ChannelsInFrequencyOrder(*m_pRequest);
    return neighbours.empty() ? 0 : neighbours.front().first;
}

std::vector<ChannelSetting> CAlignSearch::Place(const AlignTrial& t) const
{
    // A delay or gain common to every channel, and reversing every channel,
    // leave the sum's shape as it is: each is placed as near to the current
    // setting as the bounds allow.
    std::vector<int> anDelay, anGain, anNowDelay, anNowGain;
    int nShiftLow = std::numeric_limits<int>::min();
    int nShiftHigh = std::numeric_limits<int>::max();
    int nTurned = 0;
    for (int n = 0; n < m_nChannels; ++n) {
        const auto k = static_cast<std::size_t>(n);
        const ChannelSetting& now = m_pRequest->aChannel[k].now;
        anDelay.push_back(t.anDelay[k]);
        anGain.push_back(t.anGain[k]);
        anNowDelay.push_back(now.nDelay);
        anNowGain.push_back(now.nGain);
        nShiftLow = std::max(nShiftLow, m_pGrid->anGainLow[k] - t.anGain[k]);
        nShiftHigh = std::min(nShiftHigh, m_pGrid->anGainHigh[k] - t.anGain[k]);
        nTurned += (t.anSign[k] < 0) != now.bInverted;
    }
    const int nMin = *std::min_element(anDelay.begin(), anDelay.end());
    const int nMax = *std::max_element(anDelay.begin(), anDelay.end());
    const int nDelayShift = NearestShift(anDelay, anNowDelay, -nMin, DELAY_WORD_MAX - nMax);
    const int nGainShift = NearestShift(anGain, anNowGain, nShiftLow, std::max(nShiftLow, nShiftHigh));
    // As few polarities changed as can be; on a tie the lowest channel keeps its own.
    const auto nLowest = static_cast<std::size_t>(LowestChannel());
    const bool bLowestTurned = (t.anSign[nLowest] < 0) != m_pRequest->aChannel[nLowest].now.bInverted;
    const bool bTurnAll = 2 * nTurned > m_nChannels || (2 * nTurned == m_nChannels && bLowestTurned);
    std::vector<ChannelSetting> settings;
    for (int n = 0; n < m_nChannels; ++n) {
        const auto k = static_cast<std::size_t>(n);
        ChannelSetting setting = m_aSetting[k];
        setting.nDelay = t.anDelay[k] + nDelayShift;
        setting.bInverted = (t.anSign[k] < 0) != bTurnAll;
        setting.nGain = t.anGain[k] + nGainShift;
        settings.push_back(setting);
    }
    return settings;
}
