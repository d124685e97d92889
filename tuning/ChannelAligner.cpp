#include "ChannelAligner.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <tuple>

#include "CrossoverResponse.h"

namespace {
constexpr double DB_PER_NEPER_OF_POWER = 4.342944819032518;  // 10 / ln 10
constexpr double LEAST_POWER = 1e-300;                       // a null exactly on a grid point stays finite
// Where the sum lies this far below what the channels give in phase (20 dB),
// they cancel: a sum flat at nothing is no alignment, so each such point
// scores worse than any flatness. So does a sum whose power over the range
// is less than half the channels' powers added (where either channel alone
// plays, nothing comes near): channels that work against each other.
constexpr double CANCEL_POWER = 1e-2;
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
// Near-equal: within 2 % and 0.02 dB of the best.
constexpr double NEAR_FACTOR = 1.02;
constexpr double NEAR_DB = 0.02;
constexpr double IMPROVEMENT_DB = 1e-9;
// Less than this is no measurable change of the sum's flatness.
constexpr double MEASURABLE_DB = 0.05;
// Crossover moves: grid steps either way (half an octave), and how far the
// delay and gain of the channels moved look while an option is judged.
constexpr int FREQ_STEPS = 12;
constexpr int QUICK_DELAY = 24;
constexpr int QUICK_GAIN = 30;
constexpr int QUICK_SETTLE_DELAY = 3;
constexpr int MAX_CROSSOVER_ROUNDS = 3;
// Starts with each crossover aligned alone: the minima kept per crossover,
// and the flattest of their chains searched from.
constexpr std::size_t CROSSOVER_MINIMA = 3;
constexpr std::size_t CROSSOVER_STARTS = 3;

// Delays are kept with the earliest at 0, so a channel's delay swept
// against the others reaches twice the range.
constexpr int MAX_ROTATION = 2 * DELAY_WORD_MAX;

double NearBound(double dBest)
{
    return dBest * NEAR_FACTOR + NEAR_DB;
}

// Where a sweep has a local minimum: (flatness, step, reversed), the best
// SEEDS_PER_SWEEP first.
std::vector<std::tuple<double, int, int>> BestMinima(const std::vector<double> (&adSwept)[2])
{
    std::vector<std::tuple<double, int, int>> minima;
    for (int s = 0; s < 2; ++s) {
        const std::vector<double>& ad = adSwept[s];
        for (std::size_t i = 0; i < ad.size(); ++i)
            if ((i == 0 || ad[i] <= ad[i - 1]) && (i + 1 == ad.size() || ad[i] <= ad[i + 1]))
                minima.emplace_back(ad[i], static_cast<int>(i), s);
    }
    const std::size_t nKeep = std::min<std::size_t>(SEEDS_PER_SWEEP, minima.size());
    std::partial_sort(minima.begin(), minima.begin() + static_cast<std::ptrdiff_t>(nKeep), minima.end());
    minima.resize(nKeep);
    return minima;
}

// The rms about the mean of log powers (nepers of power), gathered point by
// point; a cancelled point is floored where it cancels and counted.
class CLogSpread {
public:
    void Add(double dPower, const CChannelAligner::Alone& alone)
    {
        const double dFloor = std::max(alone.dInPhase * alone.dInPhase * CANCEL_POWER, LEAST_POWER);
        m_dPower += dPower;
        m_dPowers += alone.dPowers;
        if (dPower < dFloor) {
            dPower = dFloor;
            ++m_nCancelled;
        }
        const double v = std::log(dPower);
        m_dSum += v;
        m_dSquares += v * v;
        ++m_nPoints;
    }
    double Score() const
    {
        const double dMean = m_dSum / m_nPoints;
        const bool bAgainst = m_dPower < m_dPowers * WORKING_AGAINST;
        return DB_PER_NEPER_OF_POWER * std::sqrt(std::max(0.0, m_dSquares / m_nPoints - dMean * dMean)) +
               CANCEL_PENALTY_DB * (m_nCancelled + (bAgainst ? 1 : 0));
    }

private:
    double m_dPower = 0.0;
    double m_dPowers = 0.0;
    double m_dSum = 0.0;
    double m_dSquares = 0.0;
    int m_nPoints = 0;
    int m_nCancelled = 0;
};

// How far settings lie from the current ones: by how many steps of delay
// and gain, then how many of their fields differ. Steps come first: a
// setting that moves three delays by a few samples lies nearer than one
// that moves them by a period of the lowest crossover, whatever polarity
// each turns.
std::pair<int, int> Distance(const std::vector<ChannelSetting>& aSetting, const AlignRequest& request)
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
}  // namespace

CChannelAligner::CChannelAligner(const AlignRequest& request, const AlignRange& range)
    : m_request(request), m_nChannels(static_cast<int>(request.aChannel.size()))
{
    for (int i = 0; i < GRID_POINTS; ++i)
        if (range.abIn[i])
            m_anPoint.push_back(i);
    m_nPoints = static_cast<int>(m_anPoint.size());
    m_aRot.resize(static_cast<std::size_t>((MAX_ROTATION + 1) * m_nPoints));
    for (int d = 0; d <= MAX_ROTATION; ++d)
        for (int p = 0; p < m_nPoints; ++p)
            m_aRot[static_cast<std::size_t>(d * m_nPoints + p)] = std::polar(
                1.0, -2.0 * std::numbers::pi * g_dFreqGrid[m_anPoint[static_cast<std::size_t>(p)]] * DelaySeconds(d));
    m_aBase.resize(static_cast<std::size_t>(m_nChannels));
    for (int n = 0; n < m_nChannels; ++n) {
        const ChannelSetting& now = request.aChannel[static_cast<std::size_t>(n)].now;
        m_aSetting.push_back(now);
        m_anGainLow[static_cast<std::size_t>(n)] = std::max(0, now.nGain - ALIGN_GAIN_REACH);
        m_anGainHigh[static_cast<std::size_t>(n)] = now.nGain;  // no gain is raised
        UpdateBase(n);
    }
}

void CChannelAligner::UpdateBase(int n)
{
    ComplexGrid h = m_request.aChannel[static_cast<std::size_t>(n)].driver.h;
    ChannelSetting crossover;
    crossover.hpf = m_aSetting[static_cast<std::size_t>(n)].hpf;
    crossover.lpf = m_aSetting[static_cast<std::size_t>(n)].lpf;
    MultiplyCrossover(crossover, h);
    std::vector<Complex>& base = m_aBase[static_cast<std::size_t>(n)];
    base.resize(static_cast<std::size_t>(m_nPoints));
    for (int p = 0; p < m_nPoints; ++p)
        base[static_cast<std::size_t>(p)] = h[static_cast<std::size_t>(m_anPoint[static_cast<std::size_t>(p)])];
}

CChannelAligner::Complex CChannelAligner::Rot(int nDelay, int p) const
{
    const Complex r = m_aRot[static_cast<std::size_t>(std::abs(nDelay) * m_nPoints + p)];
    return nDelay >= 0 ? r : std::conj(r);
}

double CChannelAligner::Amplitude(int nGain) const
{
    return std::pow(10.0, ChannelGainDb(nGain) / 20.0);
}

void CChannelAligner::Contribution(const Trial& t, int n, std::vector<Complex>& out) const
{
    const auto k = static_cast<std::size_t>(n);
    const double a = t.anSign[k] * Amplitude(t.anGain[k]);
    out.resize(static_cast<std::size_t>(m_nPoints));
    for (int p = 0; p < m_nPoints; ++p)
        out[static_cast<std::size_t>(p)] = a * m_aBase[k][static_cast<std::size_t>(p)] * Rot(t.anDelay[k], p);
}

void CChannelAligner::SumExcept(const Trial& t, int nSkip, std::vector<Complex>& out) const
{
    out.assign(static_cast<std::size_t>(m_nPoints), Complex());
    std::vector<Complex> one;
    for (int n = 0; n < m_nChannels; ++n) {
        if (n == nSkip)
            continue;
        Contribution(t, n, one);
        for (int p = 0; p < m_nPoints; ++p)
            out[static_cast<std::size_t>(p)] += one[static_cast<std::size_t>(p)];
    }
}

void CChannelAligner::AloneExcept(const Trial& t, int nSkip, std::vector<Alone>& out) const
{
    out.assign(static_cast<std::size_t>(m_nPoints), Alone());
    for (int n = 0; n < m_nChannels; ++n) {
        if (n == nSkip)
            continue;
        const auto k = static_cast<std::size_t>(n);
        const double a = Amplitude(t.anGain[k]);
        for (int p = 0; p < m_nPoints; ++p)
            out[static_cast<std::size_t>(p)].Add(a * std::abs(m_aBase[k][static_cast<std::size_t>(p)]));
    }
}

double CChannelAligner::Flatness(const std::vector<Complex>& sum, const std::vector<Alone>& alone) const
{
    CLogSpread spread;
    for (std::size_t p = 0; p < sum.size(); ++p)
        spread.Add(std::norm(sum[p]), alone[p]);
    return spread.Score();
}

double CChannelAligner::Evaluate(Trial& t) const
{
    std::vector<Complex> sum;
    SumExcept(t, -1, sum);
    std::vector<Alone> alone;
    AloneExcept(t, -1, alone);
    t.dFlat = Flatness(sum, alone);
    return t.dFlat;
}

void CChannelAligner::DelayBounds(const Trial& t, int n, int& nLow, int& nHigh) const
{
    ShiftBounds(t, 1u << n, nLow, nHigh);
    nLow += t.anDelay[static_cast<std::size_t>(n)];
    nHigh += t.anDelay[static_cast<std::size_t>(n)];
}

void CChannelAligner::GainBounds(const Trial& t, int n, int& nLow, int& nHigh) const
{
    // Some common shift must bring every gain within its own bounds.
    int nRoomUp = std::numeric_limits<int>::max();
    int nNeedUp = std::numeric_limits<int>::min();
    for (int m = 0; m < m_nChannels; ++m) {
        if (m == n)
            continue;
        const auto k = static_cast<std::size_t>(m);
        nRoomUp = std::min(nRoomUp, m_anGainHigh[k] - t.anGain[k]);
        nNeedUp = std::max(nNeedUp, m_anGainLow[k] - t.anGain[k]);
    }
    nLow = m_anGainLow[static_cast<std::size_t>(n)] - nRoomUp;
    nHigh = m_anGainHigh[static_cast<std::size_t>(n)] - nNeedUp;
}

void CChannelAligner::SweepDelay(const Trial& t, int n, int nLow, int nHigh, std::vector<double>& adSame,
                                 std::vector<double>& adFlipped) const
{
    const int nNow = t.anDelay[static_cast<std::size_t>(n)];
    SweepShift(t, 1u << n, nLow - nNow, nHigh - nNow, adSame, adFlipped);
}

void CChannelAligner::SweepPair(const std::vector<Complex>& lo, const std::vector<Complex>& hi,
                                const std::vector<int>& anAt, std::vector<double> (&adSwept)[2]) const
{
    std::vector<Alone> alone(anAt.size());
    for (std::size_t i = 0; i < anAt.size(); ++i) {
        const auto q = static_cast<std::size_t>(anAt[i]);
        alone[i].Add(std::abs(lo[q]));
        alone[i].Add(std::abs(hi[q]));
    }
    for (std::vector<double>& ad : adSwept)
        ad.assign(static_cast<std::size_t>(2 * DELAY_WORD_MAX + 1), 0.0);
    for (int d = -DELAY_WORD_MAX; d <= DELAY_WORD_MAX; ++d) {
        CLogSpread same, flipped;
        for (std::size_t i = 0; i < anAt.size(); ++i) {
            const auto q = static_cast<std::size_t>(anAt[i]);
            const Complex y = hi[q] * Rot(d, anAt[i]);
            same.Add(std::norm(lo[q] + y), alone[i]);
            flipped.Add(std::norm(lo[q] - y), alone[i]);
        }
        adSwept[0][static_cast<std::size_t>(d + DELAY_WORD_MAX)] = same.Score();
        adSwept[1][static_cast<std::size_t>(d + DELAY_WORD_MAX)] = flipped.Score();
    }
}

void CChannelAligner::ShiftBounds(const Trial& t, unsigned nMask, int& nLow, int& nHigh) const
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

void CChannelAligner::SweepShift(const Trial& t, unsigned nMask, int nLow, int nHigh, std::vector<double>& adSame,
                                 std::vector<double>& adFlipped) const
{
    std::vector<Complex> rest(static_cast<std::size_t>(m_nPoints));
    std::vector<Complex> x(static_cast<std::size_t>(m_nPoints));
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
    const auto nCount = static_cast<std::size_t>(nHigh - nLow + 1);
    adSame.assign(nCount, 0.0);
    adFlipped.assign(nCount, 0.0);
    for (int d = nLow; d <= nHigh; ++d) {
        CLogSpread same, flipped;
        for (int p = 0; p < m_nPoints; ++p) {
            const auto q = static_cast<std::size_t>(p);
            const Complex y = x[q] * Rot(d, p);
            same.Add(std::norm(rest[q] + y), alone[q]);
            flipped.Add(std::norm(rest[q] - y), alone[q]);
        }
        adSame[static_cast<std::size_t>(d - nLow)] = same.Score();
        adFlipped[static_cast<std::size_t>(d - nLow)] = flipped.Score();
    }
}

bool CChannelAligner::BestDelayNear(Trial& t, int n, int nReach) const
{
    int nLow = 0, nHigh = 0;
    DelayBounds(t, n, nLow, nHigh);
    const auto k = static_cast<std::size_t>(n);
    nLow = std::max(nLow, t.anDelay[k] - nReach);
    nHigh = std::min(nHigh, t.anDelay[k] + nReach);
    std::vector<double> adSame, adFlipped;
    SweepDelay(t, n, nLow, nHigh, adSame, adFlipped);
    bool bImproved = false;
    const int nSign = t.anSign[k];
    for (int d = nLow; d <= nHigh; ++d) {
        for (const bool bFlip : {false, true}) {
            const double dFlat = (bFlip ? adFlipped : adSame)[static_cast<std::size_t>(d - nLow)];
            if (dFlat < t.dFlat - IMPROVEMENT_DB) {
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

void CChannelAligner::Normalise(Trial& t) const
{
    const int nMin = *std::min_element(t.anDelay.begin(), t.anDelay.begin() + m_nChannels);
    for (int n = 0; n < m_nChannels; ++n)
        t.anDelay[static_cast<std::size_t>(n)] -= nMin;
}

bool CChannelAligner::BestGainNear(Trial& t, int n, int nReach, bool bWhole) const
{
    int nLow = 0, nHigh = 0;
    GainBounds(t, n, nLow, nHigh);
    const auto k = static_cast<std::size_t>(n);
    nLow = std::max(nLow, t.anGain[k] - nReach);
    nHigh = std::min(nHigh, t.anGain[k] + nReach);
    std::vector<Complex> rest;
    SumExcept(t, n, rest);
    Trial unit = t;
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
            if (dFlat < t.dFlat - IMPROVEMENT_DB) {
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

void CChannelAligner::Refine(Trial& t) const
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
}

bool CChannelAligner::StepDelayAndGain(Trial& t, int n) const
{
    // Neither a delay step nor a gain step alone may help where both do.
    const auto k = static_cast<std::size_t>(n);
    int nLow = 0, nHigh = 0;
    DelayBounds(t, n, nLow, nHigh);
    bool bImproved = false;
    const Trial from = t;
    for (int d = std::max(nLow, from.anDelay[k] - JOINT_DELAY); d <= std::min(nHigh, from.anDelay[k] + JOINT_DELAY);
         ++d) {
        if (d == from.anDelay[k])
            continue;
        Trial u = from;
        u.anDelay[k] = d;
        Evaluate(u);
        BestGainNear(u, n, 2 * ALIGN_GAIN_REACH);
        if (u.dFlat < t.dFlat - IMPROVEMENT_DB) {
            t = u;
            bImproved = true;
        }
    }
    if (bImproved)
        Normalise(t);
    return bImproved;
}

CChannelAligner::Trial CChannelAligner::Search(Trial start)
{
    m_aCandidate.clear();
    Evaluate(start);
    m_aCandidate.push_back(start);
    Trial best = start;
    Refine(best);
    m_aCandidate.push_back(best);
    for (const Trial& t : CrossoverStarts(start))
        Settle(t, best);
    struct Seed {
        double dFlat;
        int nDelay;
        int nSign;
        int nGain;
    };
    for (int nRound = 0; nRound < MAX_ROUNDS; ++nRound) {
        bool bImproved = false;
        for (int n = 0; n < m_nChannels; ++n) {
            const auto k = static_cast<std::size_t>(n);
            // Swept at a few gains about the one it has: at a gain far from
            // right the right delay need not stand out.
            std::vector<Seed> seeds;
            const Trial from = best;
            for (const int nOffset : SWEEP_GAIN_OFFSETS) {
                Trial t = from;
                int nGainLow = 0, nGainHigh = 0;
                GainBounds(t, n, nGainLow, nGainHigh);
                t.anGain[k] = std::clamp(t.anGain[k] + nOffset, nGainLow, nGainHigh);
                int nLow = 0, nHigh = 0;
                DelayBounds(t, n, nLow, nHigh);
                std::vector<double> adSwept[2];
                SweepDelay(t, n, nLow, nHigh, adSwept[0], adSwept[1]);
                for (const auto& [dFlat, i, bReversed] : BestMinima(adSwept))
                    seeds.push_back({dFlat, nLow + i, bReversed ? -t.anSign[k] : t.anSign[k], t.anGain[k]});
            }
            // The same delay and polarity found at several gains is settled once.
            std::sort(seeds.begin(), seeds.end(), [](const Seed& a, const Seed& b) { return a.dFlat < b.dFlat; });
            std::vector<Seed> settled;
            for (const Seed& seed : seeds) {
                if (std::any_of(settled.begin(), settled.end(), [&](const Seed& other) {
                        return std::abs(other.nDelay - seed.nDelay) <= 1 && other.nSign == seed.nSign;
                    }))
                    continue;
                if (settled.size() == MAX_SETTLED)
                    break;
                settled.push_back(seed);
                Trial t = from;
                t.anDelay[k] = seed.nDelay;
                t.anSign[k] = seed.nSign;
                t.anGain[k] = seed.nGain;
                bImproved = Settle(t, best) || bImproved;
            }
        }
        bImproved = MoveBlocks(best) || bImproved;
        if (!bImproved)
            break;
    }
    return Preferred();
}

std::vector<CChannelAligner::Trial> CChannelAligner::CrossoverStarts(const Trial& from) const
{
    const std::vector<std::pair<int, int>> neighbours = ChannelsInFrequencyOrder(m_request);
    if (neighbours.size() < 2)
        return {};
    std::vector<std::vector<Complex>> aAlone(static_cast<std::size_t>(m_nChannels));
    Trial unDelayed = from;
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
        for (int p = 0; p < m_nPoints; ++p) {
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
        std::vector<double> adSwept[2];
        SweepPair(lo, hi, anAt, adSwept);
        std::vector<std::pair<double, std::pair<int, int>>> minima;
        for (int s = 0; s < 2; ++s) {
            const std::vector<double>& ad = adSwept[s];
            for (std::size_t i = 0; i < ad.size(); ++i)
                if ((i == 0 || ad[i] <= ad[i - 1]) && (i + 1 == ad.size() || ad[i] <= ad[i + 1]))
                    minima.push_back({ad[i], {static_cast<int>(i) - DELAY_WORD_MAX, s == 0 ? 1 : -1}});
        }
        std::sort(minima.begin(), minima.end());
        aBest.emplace_back();
        for (std::size_t i = 0; i < std::min(CROSSOVER_MINIMA, minima.size()); ++i)
            aBest.back().push_back(minima[i].second);
    }
    // Every chain of them, up from the lowest channel; the flattest sums.
    std::vector<Trial> starts;
    std::vector<std::size_t> anChoice(neighbours.size(), 0);
    for (bool bMore = true; bMore;) {
        Trial t = from;
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
    std::sort(starts.begin(), starts.end(), [](const Trial& a, const Trial& b) { return a.dFlat < b.dFlat; });
    starts.resize(std::min(starts.size(), CROSSOVER_STARTS));
    return starts;
}

bool CChannelAligner::Settle(Trial t, Trial& best)
{
    Normalise(t);
    Refine(t);
    m_aCandidate.push_back(t);
    if (t.dFlat >= best.dFlat - IMPROVEMENT_DB)
        return false;
    best = t;
    return true;
}

bool CChannelAligner::MoveBlocks(Trial& best)
{
    // A midrange already in time with the tweeter cannot move alone without
    // losing it: the two must move together against the woofer below.
    const std::vector<std::pair<int, int>> neighbours = ChannelsInFrequencyOrder(m_request);
    bool bImproved = false;
    for (std::size_t nSplit = 1; nSplit + 1 < neighbours.size(); ++nSplit) {
        unsigned nMask = 0;
        for (std::size_t j = nSplit; j < neighbours.size(); ++j)
            nMask |= 1u << neighbours[j].second;
        const Trial from = best;
        int nLow = 0, nHigh = 0;
        ShiftBounds(from, nMask, nLow, nHigh);
        std::vector<double> adSwept[2];
        SweepShift(from, nMask, nLow, nHigh, adSwept[0], adSwept[1]);
        for (const auto& [dFlat, i, bReversed] : BestMinima(adSwept)) {
            Trial t = from;
            for (int m = 0; m < m_nChannels; ++m) {
                if (nMask & (1u << m)) {
                    t.anDelay[static_cast<std::size_t>(m)] += nLow + i;
                    t.anSign[static_cast<std::size_t>(m)] *= bReversed ? -1 : 1;
                }
            }
            bImproved = Settle(t, best) || bImproved;
        }
    }
    return bImproved;
}

CChannelAligner::Trial CChannelAligner::Preferred() const
{
    double dBest = std::numeric_limits<double>::infinity();
    for (const Trial& t : m_aCandidate)
        dBest = std::min(dBest, t.dFlat);
    const Trial* pChosen = nullptr;
    std::pair<int, int> chosenAway;
    for (const Trial& t : m_aCandidate) {
        if (t.dFlat > NearBound(dBest))
            continue;
        const std::pair<int, int> away = Distance(Place(t), m_request);
        if (!pChosen || away < chosenAway || (away == chosenAway && t.dFlat < pChosen->dFlat)) {
            pChosen = &t;
            chosenAway = away;
        }
    }
    return *pChosen;
}

CrossoverFilter& CChannelAligner::FilterOf(const FilterRef& ref)
{
    ChannelSetting& setting = m_aSetting[static_cast<std::size_t>(ref.n)];
    return ref.bHighPass ? setting.hpf : setting.lpf;
}

std::vector<CrossoverFilter> CChannelAligner::FilterOptions(const FilterRef& ref) const
{
    const ChannelSetting& setting = m_aSetting[static_cast<std::size_t>(ref.n)];
    // Half an octave from where the user had it, however far a round moved it.
    const ChannelSetting& user = m_request.aChannel[static_cast<std::size_t>(ref.n)].now;
    const CrossoverFilter& now = ref.bHighPass ? user.hpf : user.lpf;
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

double CChannelAligner::QuickSolve(Trial& t, const std::vector<int>& anChanged) const
{
    Evaluate(t);
    for (const int n : anChanged) {
        BestDelayNear(t, n, QUICK_DELAY);
        BestGainNear(t, n, QUICK_GAIN);
        BestDelayNear(t, n, QUICK_SETTLE_DELAY);
    }
    return t.dFlat;
}

void CChannelAligner::MoveCrossovers(Trial& best)
{
    // The filters that meet between neighbours: alone, and both together.
    std::vector<std::vector<FilterRef>> groups;
    for (const auto& [nLow, nHigh] : ChannelsInFrequencyOrder(m_request)) {
        std::vector<FilterRef> pair;
        if (m_aSetting[static_cast<std::size_t>(nLow)].lpf.nFreq != LOW_PASS_OFF_HZ)
            pair.push_back({nLow, false});
        if (m_aSetting[static_cast<std::size_t>(nHigh)].hpf.nFreq != HIGH_PASS_OFF_HZ)
            pair.push_back({nHigh, true});
        for (const FilterRef& ref : pair)
            groups.push_back({ref});
        if (pair.size() == 2)
            groups.push_back(pair);
    }
    for (int nRound = 0; nRound < MAX_CROSSOVER_ROUNDS; ++nRound) {
        bool bMoved = false;
        for (const std::vector<FilterRef>& group : groups) {
            std::vector<int> anChanged;
            for (const FilterRef& ref : group)
                anChanged.push_back(ref.n);
            std::vector<CrossoverFilter> was;
            for (const FilterRef& ref : group)
                was.push_back(FilterOf(ref));
            // A pair moves by the same steps with the same alignment and slope.
            const std::vector<CrossoverFilter> options = FilterOptions(group.front());
            const int nAt = NearestGridIndex(was.front().nFreq);
            std::vector<CrossoverFilter> chosen = was;
            Trial chosenTrial = best;
            for (const CrossoverFilter& option : options) {
                const int nShift = NearestGridIndex(option.nFreq) - nAt;
                std::vector<CrossoverFilter> tried{option};
                bool bValid = true;
                for (std::size_t i = 1; i < group.size(); ++i) {
                    const int j = NearestGridIndex(was[i].nFreq) + nShift;
                    const int f = j >= 0 && j < GRID_POINTS ? static_cast<int>(std::lround(g_dFreqGrid[j])) : 0;
                    CrossoverFilter other{f, option.nAlign, option.nSlope};
                    const std::vector<CrossoverFilter> allowed = FilterOptions(group[i]);
                    bValid = bValid && std::find(allowed.begin(), allowed.end(), other) != allowed.end();
                    tried.push_back(other);
                }
                if (!bValid)
                    continue;
                for (std::size_t i = 0; i < group.size(); ++i) {
                    FilterOf(group[i]) = tried[i];
                    UpdateBase(group[i].n);
                }
                Trial t = best;
                if (QuickSolve(t, anChanged) < chosenTrial.dFlat - IMPROVEMENT_DB) {
                    chosenTrial = t;
                    chosen = tried;
                }
            }
            // Kept only when it helps clearly; otherwise the filters stay as they were.
            const bool bKeep = chosen != was && NearBound(chosenTrial.dFlat) < best.dFlat &&
                               chosenTrial.dFlat <= best.dFlat - MEASURABLE_DB;
            for (std::size_t i = 0; i < group.size(); ++i) {
                FilterOf(group[i]) = bKeep ? chosen[i] : was[i];
                UpdateBase(group[i].n);
            }
            if (bKeep) {
                best = chosenTrial;
                Refine(best);
                bMoved = true;
            }
        }
        if (!bMoved)
            break;
        best = Search(best);
    }
}

std::vector<ChannelSetting> CChannelAligner::Solve()
{
    Trial start;
    for (int n = 0; n < m_nChannels; ++n) {
        const ChannelSetting& now = m_request.aChannel[static_cast<std::size_t>(n)].now;
        start.anDelay[static_cast<std::size_t>(n)] = now.nDelay;
        start.anSign[static_cast<std::size_t>(n)] = now.bInverted ? -1 : 1;
        start.anGain[static_cast<std::size_t>(n)] = now.nGain;
    }
    Normalise(start);
    const double dNowFlat = Evaluate(start);
    Trial best = Search(start);
    if (m_request.bCrossover)
        MoveCrossovers(best);
    return Kept(Place(best), dNowFlat);
}

double CChannelAligner::FlatnessOf(const std::vector<ChannelSetting>& aSetting)
{
    Trial t;
    for (int n = 0; n < m_nChannels; ++n) {
        const auto k = static_cast<std::size_t>(n);
        const ChannelSetting& setting = aSetting[k];
        if (!(setting.hpf == m_aSetting[k].hpf) || !(setting.lpf == m_aSetting[k].lpf)) {
            m_aSetting[k].hpf = setting.hpf;
            m_aSetting[k].lpf = setting.lpf;
            UpdateBase(n);
        }
        t.anDelay[k] = setting.nDelay;
        t.anSign[k] = setting.bInverted ? -1 : 1;
        t.anGain[k] = setting.nGain;
    }
    return Evaluate(t);
}

std::vector<ChannelSetting> CChannelAligner::Kept(std::vector<ChannelSetting> aSetting, double dNowFlat)
{
    std::vector<ChannelSetting> aNow;
    for (const AlignChannel& channel : m_request.aChannel)
        aNow.push_back(channel.now);
    const double dFlat = FlatnessOf(aSetting);
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
                if (Distance(back, m_request) == Distance(aSetting, m_request))
                    continue;
                const double dBack = FlatnessOf(back);
                if (dBack < dBest) {
                    dBest = dBack;
                    best = std::move(back);
                }
            }
        }
        if (best.empty())
            break;
        aSetting = std::move(best);
        dNow = dBest;
    }
    FlatnessOf(aSetting);
    return aSetting;
}

int CChannelAligner::LowestChannel() const
{
    const std::vector<std::pair<int, int>> neighbours = ChannelsInFrequencyOrder(m_request);
    return neighbours.empty() ? 0 : neighbours.front().first;
}

std::vector<ChannelSetting> CChannelAligner::Place(const Trial& t) const
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
        const ChannelSetting& now = m_request.aChannel[k].now;
        anDelay.push_back(t.anDelay[k]);
        anGain.push_back(t.anGain[k]);
        anNowDelay.push_back(now.nDelay);
        anNowGain.push_back(now.nGain);
        nShiftLow = std::max(nShiftLow, m_anGainLow[k] - t.anGain[k]);
        nShiftHigh = std::min(nShiftHigh, m_anGainHigh[k] - t.anGain[k]);
        nTurned += (t.anSign[k] < 0) != now.bInverted;
    }
    const int nMin = *std::min_element(anDelay.begin(), anDelay.end());
    const int nMax = *std::max_element(anDelay.begin(), anDelay.end());
    const int nDelayShift = NearestShift(anDelay, anNowDelay, -nMin, DELAY_WORD_MAX - nMax);
    const int nGainShift = NearestShift(anGain, anNowGain, nShiftLow, std::max(nShiftLow, nShiftHigh));
    // As few polarities changed as can be; on a tie the lowest channel keeps its own.
    const auto nLowest = static_cast<std::size_t>(LowestChannel());
    const bool bLowestTurned = (t.anSign[nLowest] < 0) != m_request.aChannel[nLowest].now.bInverted;
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
