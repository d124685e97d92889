// The search behind the aligner for one set of crossover filters. Only
// differences of delay and ratios of gain change the summed level, so the
// search holds them relative; Place puts the settings at the end, as near
// to what they were as the bounds allow: no gain raised. A sweep of every
// delay step (both polarities) of one channel at a time finds the seeds; a
// descent over gain steps and nearby delays settles each. Among settings
// near the best, the one closest to the current setting wins. A sum that
// cancels scores worst. Nothing here changes once made: a search with other
// filters is another search (WithFilters).
#pragma once

#include <array>
#include <complex>
#include <cstdlib>
#include <vector>

#include "ChannelAlignment.h"
#include "CrossoverMoves.h"

// Near-equal to the best flatness dBest: within 2 % and 0.02 dB.
double NearBound(double dBest);
// Less than this is no improvement, only rounding.
inline constexpr double ALIGN_IMPROVEMENT_DB = 1e-9;
// How far settings lie from the request's current ones: by how many steps
// of delay and gain, then how many of their fields differ.
std::pair<int, int> DistanceFromNow(const std::vector<ChannelSetting>& aSetting, const AlignRequest& request);

// A setting the search tries, delays and gains relative.
struct AlignTrial {
    std::array<int, ALIGN_MAX_CHANNELS> anDelay{};  // samples, the earliest at 0 once normalised
    std::array<int, ALIGN_MAX_CHANNELS> anSign{};   // +1 or -1
    std::array<int, ALIGN_MAX_CHANNELS> anGain{};   // words
    double dFlat = 0.0;                             // as Evaluate scores it
};

// What no crossover changes: the points judged, the turn of every delay
// step at each of them, and the gains each channel may have.
struct AlignGrid {
    AlignGrid(const AlignRequest& request, const AlignRange& range);
    std::vector<int> anPoint;  // grid indices in range
    int nPoints = 0;
    std::vector<std::complex<double>> aRot;  // e^(-j w d), d = 0..2 DELAY_WORD_MAX, at each point
    std::array<int, ALIGN_MAX_CHANNELS> anGainLow{};
    std::array<int, ALIGN_MAX_CHANNELS> anGainHigh{};
};

class CAlignSearch {
public:
    // aSetting: each channel's crossover filters (its other fields unused).
    // request and grid outlive the search.
    CAlignSearch(const AlignRequest& request, const AlignGrid& grid, std::vector<ChannelSetting> aSetting);
    // The same search with the filters of group set to filters.
    CAlignSearch WithFilters(const std::vector<FilterRef>& group, const std::vector<CrossoverFilter>& filters) const;
    const std::vector<ChannelSetting>& Filters() const { return m_aSetting; }

    // The request's settings now, normalised and scored.
    AlignTrial Start() const;
    // The flatness of settings as they are, with this search's filters.
    double FlatnessOf(const std::vector<ChannelSetting>& aSetting) const;
    // The preferred of the settings found from start: near the best, the
    // closest to the current setting.
    AlignTrial Search(const AlignTrial& start) const;
    // t scored, then stepped by gain and delay until no step helps.
    AlignTrial Refined(AlignTrial t) const;
    // t scored with these filters, the delays and gains of the channels
    // anChanged then settled a little: enough to judge a filter change.
    AlignTrial QuickSolve(AlignTrial t, const std::vector<int>& anChanged) const;
    // The settings of t with these filters, placed in the device's range.
    std::vector<ChannelSetting> Place(const AlignTrial& t) const;

    // What the channels give at a point alone: their magnitudes added (all
    // in phase) and their powers added (as if unrelated).
    struct Alone {
        double dInPhase = 0.0;
        double dPowers = 0.0;
        void Add(double dMagnitude)
        {
            dInPhase += dMagnitude;
            dPowers += dMagnitude * dMagnitude;
        }
    };

private:
    using Complex = std::complex<double>;
    // The flatness of rest plus x delayed by every step in [nLow, nHigh] at
    // the points anAt, with x as it is (adSame) and reversed (adFlipped).
    struct Swept {
        int nLow = 0;
        std::vector<double> adSame;
        std::vector<double> adFlipped;
    };

    // Channel n's driver through its filters, at each point.
    void UpdateBase(int n);
    // The turn of nDelay samples (either way) at point p.
    Complex Rot(int nDelay, int p) const
    {
        const Complex r = m_pGrid->aRot[static_cast<std::size_t>(std::abs(nDelay) * m_pGrid->nPoints + p)];
        return nDelay >= 0 ? r : std::conj(r);
    }
    void Contribution(const AlignTrial& t, int n, std::vector<Complex>& out) const;
    void SumExcept(const AlignTrial& t, int nSkip, std::vector<Complex>& out) const;
    // What the channels but nSkip give at each point alone.
    void AloneExcept(const AlignTrial& t, int nSkip, std::vector<Alone>& out) const;
    double Flatness(const std::vector<Complex>& sum, const std::vector<Alone>& alone) const;
    double Evaluate(AlignTrial& t) const;
    void DelayBounds(const AlignTrial& t, int n, int& nLow, int& nHigh) const;
    void GainBounds(const AlignTrial& t, int n, int& nLow, int& nHigh) const;
    void ShiftBounds(const AlignTrial& t, unsigned nMask, int& nLow, int& nHigh) const;
    // The i-th values are at point at(i).
    template <class PointAt> Swept Sweep(const std::vector<Complex>& rest, const std::vector<Complex>& x,
                                         const std::vector<Alone>& alone, PointAt at, int nLow, int nHigh) const;
    // The channels of nMask moved together by every shift in [nLow, nHigh]
    // (samples later).
    Swept SweepShift(const AlignTrial& t, unsigned nMask, int nLow, int nHigh) const;
    // The best delay and polarity of channel n within nReach of its delay.
    bool BestDelayNear(AlignTrial& t, int n, int nReach) const;
    // The best gain of channel n within nReach of its gain: a few steps
    // about it that follow the best, or every step (bWhole).
    bool BestGainNear(AlignTrial& t, int n, int nReach, bool bWhole = false) const;
    bool StepDelayAndGain(AlignTrial& t, int n) const;
    // The earliest channel at no delay.
    void Normalise(AlignTrial& t) const;
    AlignTrial Settled(AlignTrial t) const;

    // Seeds to settle: channel n's delay and polarity at the best minima
    // of its sweeps, at a few gains about the one it has in from.
    std::vector<AlignTrial> ChannelSeeds(const AlignTrial& from, int n) const;
    // The channels above each crossover in the middle, as masks: they move
    // as one against the ones below.
    std::vector<unsigned> Blocks() const;
    std::vector<AlignTrial> BlockSeeds(const AlignTrial& from, unsigned nMask) const;
    // Starts where each crossover is aligned on its own, over the points
    // where its two channels are the loudest: sweeping one channel at a time
    // from one start cannot mend two crossovers at once when mending either
    // alone makes the sum no flatter.
    std::vector<AlignTrial> CrossoverStarts(const AlignTrial& from) const;
    AlignTrial Preferred(const std::vector<AlignTrial>& aSettled) const;
    int LowestChannel() const;

    const AlignRequest* m_pRequest;
    const AlignGrid* m_pGrid;
    int m_nChannels;
    std::vector<ChannelSetting> m_aSetting;     // the crossovers searched with
    std::vector<std::vector<Complex>> m_aBase;  // driver through its crossover, at each point
};
