// A reference for aligning two to four channels that shares none of the
// aligner's code: crossovers as analog prototypes through the bilinear
// transform at 96 kHz, a delay of n samples as e^(-j 2 pi f n / 48000), the
// flatness as the rms of 10 log10 |sum|^2 about its mean. It keeps to the
// device's steps and the alignment's rules (delays 0..960 samples, gains
// lowered by at most 6 dB and never raised) and searches exhaustively where
// it can: every relative delay, polarity and gain of each two neighbours over
// their own crossover; every delay of each pair again with the others at
// their best few; then every nearby delay, polarity and gain of one channel,
// or of the channels above a crossover, until nothing helps.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

#include "ChannelAlignment.h"

namespace reference {

using Complex = std::complex<double>;
constexpr int MAX_DELAY = 960;  // samples at 48 kHz
constexpr int GAIN_DOWN = 60;   // gain words of 0.1 dB a channel may drop
constexpr double INF = std::numeric_limits<double>::infinity();

inline double Amplitude(int nGainWord)
{
    return std::pow(10.0, (nGainWord - 600) / 200.0);
}

inline Complex DelayAt(int nSamples, double f)
{
    return std::polar(1.0, -2.0 * std::numbers::pi * f * nSamples / 48000.0);
}

// With s = j tan(pi f / 96000) / tan(pi f0 / 96000), a second-order section
// is s^2 (high-pass) or 1 over s^2 + 2 d s + 1, a first-order one s / (s + d)
// or 1 / (d s + 1); d = 1/(2Q) as the device has them (0.704 for 1/sqrt 2).
// Linkwitz-Riley and Butterworth, 12 to 24 dB/Oct; NaN for the rest.
inline Complex CrossoverAt(bool bHigh, const CrossoverFilter& x, double f)
{
    if (x.nFreq == (bHigh ? 20 : 20000))
        return 1.0;
    if (x.nSlope < 0 || x.nSlope > 2 || (x.nAlign != 0 && x.nAlign != 2))
        return std::numeric_limits<double>::quiet_NaN();
    constexpr double Q = 0.70422535211;
    const std::vector<double> ad[2][3] = {{{1.0}, {1.0, Q}, {Q, Q}},
                                          {{0.70422535}, {1.0, 0.5}, {0.92592593, 0.38167939}}};
    const std::vector<double>& d = ad[x.nAlign / 2][x.nSlope];
    // The high-pass corner sits on the grid frequency nearest its setting.
    double f0 = x.nFreq, dApart = INF;
    for (const double g : g_dFreqGrid)
        if (bHigh && std::fabs(g - x.nFreq) <= dApart)
            dApart = std::fabs(g - x.nFreq), f0 = g;
    const Complex s(0.0, std::tan(std::numbers::pi * f / 96000.0) / std::tan(std::numbers::pi * f0 / 96000.0));
    Complex h = 1.0;
    for (std::size_t k = 0; k < d.size(); ++k)
        if (k == 0 && x.nSlope == 1)
            h *= bHigh ? s / (s + d[0]) : 1.0 / (d[0] * s + 1.0);
        else
            h *= (bHigh ? s * s : 1.0) / (s * s + 2.0 * d[k] * s + 1.0);
    return h;
}

// The channel at f: its driver's value there through the setting's
// crossover, gain, polarity and delay.
inline Complex ChannelAt(Complex driver, const ChannelSetting& set, double f)
{
    return driver * CrossoverAt(true, set.hpf, f) * CrossoverAt(false, set.lpf, f) * Amplitude(set.nGain) *
           (set.bInverted ? -1.0 : 1.0) * DelayAt(set.nDelay, f);
}

// A sum that cancels anywhere is the worst.
inline double Flatness(const std::vector<Complex>& sum)
{
    double dMean = 0.0, dSquares = 0.0;
    for (const Complex& s : sum) {
        const double v = std::norm(s) > 0.0 ? 10.0 * std::log10(std::norm(s)) : -INF;
        dMean += v / static_cast<double>(sum.size());
        dSquares += v * v / static_cast<double>(sum.size());
    }
    return std::isfinite(dMean) ? std::sqrt(std::max(0.0, dSquares - dMean * dMean)) : INF;
}

struct Problem {
    std::vector<int> anOrder;                      // channels from the lowest passband up
    std::vector<int> anPoint;                      // grid points judged: the octave about each crossover
    std::vector<std::vector<std::size_t>> aPiece;  // per crossover: its points (into anPoint)
    std::vector<std::vector<Complex>> aThrough;    // each channel through its crossover at each point
    std::vector<int> anGain;                       // each channel's gain now
    std::vector<std::vector<Complex>> aRot;        // DelayAt(d) at each point, d = -MAX_DELAY..MAX_DELAY
};

inline Problem ProblemOf(const AlignRequest& request)
{
    Problem pr;
    const std::size_t nChannels = request.aChannel.size();
    const auto corner = [&](std::size_t n, bool bHigh) {
        const ChannelSetting& s = request.aChannel[n].now;
        return (bHigh ? s.hpf : s.lpf).nFreq;
    };
    for (std::size_t n = 0; n < nChannels; ++n)
        pr.anOrder.push_back(static_cast<int>(n));
    std::stable_sort(pr.anOrder.begin(), pr.anOrder.end(), [&](int a, int b) {
        const auto ua = static_cast<std::size_t>(a), ub = static_cast<std::size_t>(b);
        return corner(ua, true) * corner(ua, false) < corner(ub, true) * corner(ub, false);
    });
    std::vector<std::pair<double, double>> pieces;
    for (std::size_t k = 0; k + 1 < nChannels; ++k) {
        const int lp = corner(static_cast<std::size_t>(pr.anOrder[k]), false);
        const int hp = corner(static_cast<std::size_t>(pr.anOrder[k + 1]), true);
        const double fc = lp == 20000 ? hp : hp == 20 ? lp : std::sqrt(static_cast<double>(lp) * hp);
        pieces.emplace_back(std::round(fc / std::sqrt(2.0)), std::round(fc * std::sqrt(2.0)));
    }
    pr.aPiece.resize(pieces.size());
    for (int i = 0; i < GRID_POINTS; ++i) {
        bool bIn = false;
        for (const auto& [lo, hi] : pieces)
            bIn = bIn || (g_dFreqGrid[i] >= lo && g_dFreqGrid[i] <= hi);
        for (const AlignChannel& c : request.aChannel)
            bIn = bIn && c.driver.abValid[i];
        for (std::size_t k = 0; bIn && k < pieces.size(); ++k)
            if (g_dFreqGrid[i] >= pieces[k].first && g_dFreqGrid[i] <= pieces[k].second)
                pr.aPiece[k].push_back(pr.anPoint.size());
        if (bIn)
            pr.anPoint.push_back(i);
    }
    for (const AlignChannel& c : request.aChannel) {
        const ChannelSetting crossover{c.now.hpf, c.now.lpf};
        pr.aThrough.emplace_back();
        for (const int i : pr.anPoint)
            pr.aThrough.back().push_back(ChannelAt(c.driver.h[static_cast<std::size_t>(i)], crossover, g_dFreqGrid[i]));
        pr.anGain.push_back(c.now.nGain);
    }
    for (int d = -MAX_DELAY; d <= MAX_DELAY; ++d) {
        pr.aRot.emplace_back();
        for (const int i : pr.anPoint)
            pr.aRot.back().push_back(DelayAt(d, g_dFreqGrid[i]));
    }
    return pr;
}

struct Setting {
    std::vector<int> anDelay, anSign, anGain;  // by channel
    double dFlat = INF;
};

inline const std::vector<Complex>& Rot(const Problem& pr, int nDelay)
{
    return pr.aRot[static_cast<std::size_t>(nDelay + MAX_DELAY)];
}

inline double Evaluate(const Problem& pr, Setting& s)
{
    std::vector<Complex> sum(pr.anPoint.size());
    for (std::size_t n = 0; n < s.anDelay.size(); ++n)
        for (std::size_t p = 0; p < sum.size(); ++p)
            sum[p] += s.anSign[n] * Amplitude(s.anGain[n]) * pr.aThrough[n][p] * Rot(pr, s.anDelay[n])[p];
    return s.dFlat = Flatness(sum);
}

// Crossover k alone: for every delay and polarity of the upper channel
// against the lower, the best gain between them (every fourth step, then
// every step about the best), and the minima over delay, the best first.
struct PairTable {
    std::vector<double> adFlat;  // [(r + MAX_DELAY) * 2 + (sign < 0)]
    std::vector<int> anGain;
    std::vector<std::pair<int, int>> aMinima;  // (r, sign)
};

inline PairTable SweepPair(const Problem& pr, std::size_t k)
{
    const auto lo = static_cast<std::size_t>(pr.anOrder[k]);
    const auto hi = static_cast<std::size_t>(pr.anOrder[k + 1]);
    const int nLow = pr.anGain[hi] - GAIN_DOWN - pr.anGain[lo], nHigh = pr.anGain[hi] - pr.anGain[lo] + GAIN_DOWN;
    PairTable t{std::vector<double>(2 * (2 * MAX_DELAY + 1), INF), std::vector<int>(2 * (2 * MAX_DELAY + 1)), {}};
    std::vector<Complex> sum(pr.aPiece[k].size());
    const auto at = [](int r, int nSign) { return static_cast<std::size_t>((r + MAX_DELAY) * 2 + (nSign < 0)); };
    for (int r = -MAX_DELAY; r <= MAX_DELAY; ++r)
        for (const int nSign : {1, -1}) {
            const auto tryGain = [&](int q) {
                for (std::size_t p = 0; p < sum.size(); ++p) {
                    const std::size_t i = pr.aPiece[k][p];
                    sum[p] = pr.aThrough[lo][i] + nSign * Amplitude(q + 600) * pr.aThrough[hi][i] * Rot(pr, r)[i];
                }
                if (Flatness(sum) < t.adFlat[at(r, nSign)]) {
                    t.adFlat[at(r, nSign)] = Flatness(sum);
                    t.anGain[at(r, nSign)] = q;
                }
            };
            for (int q = nLow; q <= nHigh; q += 4)
                tryGain(q);
            for (int q = std::max(nLow, t.anGain[at(r, nSign)] - 3); q <= std::min(nHigh, t.anGain[at(r, nSign)] + 3);
                 ++q)
                tryGain(q);
        }
    std::vector<std::pair<double, std::pair<int, int>>> minima;
    for (int r = -MAX_DELAY; r <= MAX_DELAY; ++r)
        for (const int nSign : {1, -1})
            if ((r == -MAX_DELAY || t.adFlat[at(r, nSign)] <= t.adFlat[at(r - 1, nSign)]) &&
                (r == MAX_DELAY || t.adFlat[at(r, nSign)] <= t.adFlat[at(r + 1, nSign)]))
                minima.push_back({t.adFlat[at(r, nSign)], {r, nSign}});
    std::sort(minima.begin(), minima.end());
    for (const auto& m : minima)
        t.aMinima.push_back(m.second);
    return t;
}

// Moves of one channel, or of every channel above a crossover together, by
// every delay within nReach, both polarities and every gain change the
// bounds allow; the best taken until none helps.
inline void Polish(const Problem& pr, Setting& s, int nReach)
{
    const std::size_t nChannels = s.anDelay.size();
    std::vector<std::size_t> position(nChannels);
    for (std::size_t j = 0; j < nChannels; ++j)
        position[static_cast<std::size_t>(pr.anOrder[j])] = j;
    std::vector<std::vector<bool>> moves;
    for (std::size_t j = 0; j < 2 * nChannels - 2; ++j) {
        moves.emplace_back(nChannels, false);
        for (std::size_t m = 0; m < nChannels; ++m)
            moves.back()[m] = j < nChannels ? m == j : position[m] > j - nChannels;
    }
    Evaluate(pr, s);
    std::vector<Complex> rest(pr.anPoint.size()), moving(rest.size()), sum(rest.size());
    for (bool bImproved = true; bImproved;) {
        bImproved = false;
        for (const std::vector<bool>& move : moves) {
            std::fill(rest.begin(), rest.end(), Complex());
            std::fill(moving.begin(), moving.end(), Complex());
            int nLow = -MAX_DELAY, nHigh = MAX_DELAY, nGainLow = -GAIN_DOWN, nGainHigh = GAIN_DOWN;
            for (std::size_t m = 0; m < nChannels; ++m) {
                for (std::size_t p = 0; p < rest.size(); ++p)
                    (move[m] ? moving : rest)[p] +=
                        s.anSign[m] * Amplitude(s.anGain[m]) * pr.aThrough[m][p] * Rot(pr, s.anDelay[m])[p];
                for (std::size_t j = 0; j < nChannels && move[m]; ++j)
                    if (!move[j]) {
                        nLow = std::max(nLow, s.anDelay[j] - s.anDelay[m] - MAX_DELAY);
                        nHigh = std::min(nHigh, s.anDelay[j] - s.anDelay[m] + MAX_DELAY);
                    }
                if (move[m]) {
                    nGainLow = std::max(nGainLow, pr.anGain[m] - GAIN_DOWN - s.anGain[m]);
                    nGainHigh = std::min(nGainHigh, pr.anGain[m] - s.anGain[m]);
                }
            }
            double dBest = s.dFlat;
            int nShift = 0, nFlip = 1, nGain = 0;
            for (int d = std::max(nLow, -nReach); d <= std::min(nHigh, nReach); ++d)
                for (const int nSign : {1, -1})
                    for (int g = nGainLow; g <= nGainHigh; ++g) {
                        for (std::size_t p = 0; p < sum.size(); ++p)
                            sum[p] = rest[p] + nSign * Amplitude(g + 600) * moving[p] * Rot(pr, d)[p];
                        if (Flatness(sum) < dBest - 1e-12) {
                            dBest = Flatness(sum);
                            nShift = d, nFlip = nSign, nGain = g;
                        }
                    }
            if (dBest >= s.dFlat)
                continue;
            bImproved = true;
            s.dFlat = dBest;
            for (std::size_t m = 0; m < nChannels; ++m)
                if (move[m])
                    s.anDelay[m] += nShift, s.anSign[m] *= nFlip, s.anGain[m] += nGain;
            const int nMin = *std::min_element(s.anDelay.begin(), s.anDelay.end());
            for (int& nDelay : s.anDelay)
                nDelay -= nMin;
        }
    }
}

// The best few settings the reference finds, the flattest first.
inline std::vector<Setting> BestSettings(const Problem& pr)
{
    constexpr std::size_t KEEP_PER_PAIR = 4, POLISHED = 4;
    const std::size_t nChannels = pr.anOrder.size(), nPairs = nChannels - 1;
    std::vector<PairTable> tables;
    for (std::size_t k = 0; k < nPairs; ++k)
        tables.push_back(SweepPair(pr, k));
    std::vector<Setting> kept;
    // The channels chained up from the lowest by each pair's delay, polarity
    // and gain; the gains then as high as they may be, the delays from 0.
    const auto chain = [&](const std::vector<std::pair<int, int>>& aPair) {
        Setting s{std::vector<int>(nChannels), std::vector<int>(nChannels, 1), std::vector<int>(nChannels)};
        for (std::size_t j = 0; j < nPairs; ++j) {
            const auto lo = static_cast<std::size_t>(pr.anOrder[j]), hi = static_cast<std::size_t>(pr.anOrder[j + 1]);
            const auto [r, nSign] = aPair[j];
            s.anDelay[hi] = s.anDelay[lo] + r;
            s.anSign[hi] = s.anSign[lo] * nSign;
            s.anGain[hi] = s.anGain[lo] + tables[j].anGain[static_cast<std::size_t>((r + MAX_DELAY) * 2 + (nSign < 0))];
        }
        int nShift = std::numeric_limits<int>::max();
        for (std::size_t n = 0; n < nChannels; ++n)
            nShift = std::min(nShift, pr.anGain[n] - s.anGain[n]);
        const int nMin = *std::min_element(s.anDelay.begin(), s.anDelay.end());
        for (std::size_t n = 0; n < nChannels; ++n) {
            s.anGain[n] = std::max(s.anGain[n] + nShift, pr.anGain[n] - GAIN_DOWN);
            s.anDelay[n] -= nMin;
        }
        return s;
    };
    // Pair k at each of its minima and at both ends of the delays the others
    // leave it, each other pair at one of its best few.
    for (std::size_t k = 0; k < nPairs; ++k) {
        std::vector<std::size_t> choice(nPairs, 0);
        for (bool bMore = true; bMore;) {
            std::vector<std::pair<int, int>> aPair(nPairs, {0, 1});
            for (std::size_t j = 0; j < nPairs; ++j)
                aPair[j] = j == k ? std::pair{0, 1} : tables[j].aMinima[choice[j]];
            const Setting at0 = chain(aPair);
            int nLowMin = MAX_DELAY * 4, nLowMax = -nLowMin, nHighMin = nLowMin, nHighMax = -nLowMin;
            for (std::size_t j = 0; j < nChannels; ++j) {
                const int d = at0.anDelay[static_cast<std::size_t>(pr.anOrder[j])];
                (j <= k ? nLowMin : nHighMin) = std::min(j <= k ? nLowMin : nHighMin, d);
                (j <= k ? nLowMax : nHighMax) = std::max(j <= k ? nLowMax : nHighMax, d);
            }
            const int nFrom = std::max(-MAX_DELAY, nLowMax - nHighMin - MAX_DELAY);
            const int nTo = std::min(MAX_DELAY, nLowMin - nHighMax + MAX_DELAY);
            std::vector<std::pair<int, int>> tried{{nFrom, 1}, {nFrom, -1}, {nTo, 1}, {nTo, -1}};
            for (const auto& m : tables[k].aMinima)
                if (m.first > nFrom && m.first < nTo)
                    tried.push_back(m);
            for (const auto& r : tried) {
                aPair[k] = r;
                Setting s = chain(aPair);
                if (*std::max_element(s.anDelay.begin(), s.anDelay.end()) > MAX_DELAY || Evaluate(pr, s) == INF)
                    continue;
                // One of each setting within a few samples, the flattest.
                const auto same = std::find_if(kept.begin(), kept.end(), [&](const Setting& o) {
                    for (std::size_t n = 0; n < nChannels; ++n)
                        if (std::abs(o.anDelay[n] - s.anDelay[n]) > 2 ||
                            o.anSign[n] * o.anSign[0] != s.anSign[n] * s.anSign[0])
                            return false;
                    return true;
                });
                if (same == kept.end())
                    kept.push_back(s);
                else if (s.dFlat < same->dFlat)
                    *same = s;
                std::sort(kept.begin(), kept.end(),
                          [](const Setting& a, const Setting& b) { return a.dFlat < b.dFlat; });
                kept.resize(std::min(kept.size(), POLISHED));
            }
            bMore = false;
            for (std::size_t j = 0; j < nPairs && !bMore; ++j) {
                if (j == k)
                    continue;
                bMore = ++choice[j] < std::min(KEEP_PER_PAIR, tables[j].aMinima.size());
                if (!bMore)
                    choice[j] = 0;
            }
        }
    }
    for (Setting& s : kept)
        Polish(pr, s, 8);
    std::sort(kept.begin(), kept.end(), [](const Setting& a, const Setting& b) { return a.dFlat < b.dFlat; });
    return kept;
}

inline double BruteForceFlatness(const AlignRequest& request)
{
    return BestSettings(ProblemOf(request)).front().dFlat;
}

}  // namespace reference
