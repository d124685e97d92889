// The search behind AlignChannels. Only differences of delay and ratios of
// gain change the summed level, so the search holds them relative and the
// settings are placed at the end, as near to what they were as the bounds
// allow: no gain raised. A sweep of every delay step (both polarities) of
// one channel at a time finds the candidates; a descent over gain steps and
// nearby delays settles each. Among settings near the best, the one closest
// to the current setting wins, and a setting changes only where it makes the
// sum measurably flatter. A sum that cancels scores worst. With crossovers
// free, each filter between neighbours (alone, and the pair together) tries
// every frequency within half an octave of where it was in grid steps with
// every alignment and slope, and keeps a change only when it helps clearly.
#pragma once

#include <array>
#include <complex>
#include <vector>

#include "ChannelAlignment.h"

class CChannelAligner {
public:
    CChannelAligner(const AlignRequest& request, const AlignRange& range);
    std::vector<ChannelSetting> Solve();

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
    struct Trial {
        std::array<int, ALIGN_MAX_CHANNELS> anDelay{};  // samples, relative
        std::array<int, ALIGN_MAX_CHANNELS> anSign{};   // +1 or -1
        std::array<int, ALIGN_MAX_CHANNELS> anGain{};   // words, relative
        double dFlat = 0.0;
    };
    // One filter a crossover move changes.
    struct FilterRef {
        int n;
        bool bHighPass;
    };

    Complex Rot(int nDelay, int p) const;
    double Amplitude(int nGain) const;
    void Contribution(const Trial& t, int n, std::vector<Complex>& out) const;
    void SumExcept(const Trial& t, int nSkip, std::vector<Complex>& out) const;
    // What the channels but nSkip give at each point alone.
    void AloneExcept(const Trial& t, int nSkip, std::vector<Alone>& out) const;
    double Flatness(const std::vector<Complex>& sum, const std::vector<Alone>& alone) const;
    double Evaluate(Trial& t) const;
    void DelayBounds(const Trial& t, int n, int& nLow, int& nHigh) const;
    void GainBounds(const Trial& t, int n, int& nLow, int& nHigh) const;
    // The flatness at every delay of channel n in [nLow, nHigh], with its
    // polarity as it is (adSame) and reversed (adFlipped).
    void SweepDelay(const Trial& t, int n, int nLow, int nHigh, std::vector<double>& adSame,
                    std::vector<double>& adFlipped) const;
    // The flatness over the points anAt of lo plus hi delayed by every step
    // from -DELAY_WORD_MAX to DELAY_WORD_MAX, with hi as it is (adSwept[0])
    // and reversed (adSwept[1]).
    void SweepPair(const std::vector<Complex>& lo, const std::vector<Complex>& hi, const std::vector<int>& anAt,
                   std::vector<double> (&adSwept)[2]) const;
    // The best delay and polarity of channel n within nReach of its delay.
    bool BestDelayNear(Trial& t, int n, int nReach) const;
    // SweepDelay for the channels of nMask moved together by every shift in
    // [nLow, nHigh] (samples later), in reach as ShiftBounds says.
    void SweepShift(const Trial& t, unsigned nMask, int nLow, int nHigh, std::vector<double>& adSame,
                    std::vector<double>& adFlipped) const;
    void ShiftBounds(const Trial& t, unsigned nMask, int& nLow, int& nHigh) const;
    // The channels above a crossover in the middle moved as one against the
    // ones below; false when nothing got better.
    bool MoveBlocks(Trial& best);
    // t settled and kept among the candidates; true when it beats best,
    // which it then becomes.
    bool Settle(Trial t, Trial& best);
    // The best gain of channel n within nReach of its gain: a few steps
    // about it that follow the best, or every step (bWhole).
    bool BestGainNear(Trial& t, int n, int nReach, bool bWhole = false) const;
    // The earliest channel at no delay.
    void Normalise(Trial& t) const;
    void Refine(Trial& t) const;
    bool StepDelayAndGain(Trial& t, int n) const;
    Trial Search(Trial start);
    // Starts where each crossover is aligned on its own, over the points
    // where its two channels are the loudest: sweeping one channel at a time
    // from one start cannot mend two crossovers at once when mending either
    // alone makes the sum no flatter.
    std::vector<Trial> CrossoverStarts(const Trial& from) const;
    Trial Preferred() const;

    void UpdateBase(int n);
    void MoveCrossovers(Trial& best);
    double QuickSolve(Trial& t, const std::vector<int>& anChanged) const;
    std::vector<CrossoverFilter> FilterOptions(const FilterRef& ref) const;
    CrossoverFilter& FilterOf(const FilterRef& ref);

    int LowestChannel() const;
    std::vector<ChannelSetting> Place(const Trial& t) const;
    // The flatness of settings, their crossovers taken in.
    double FlatnessOf(const std::vector<ChannelSetting>& aSetting);
    // The current setting unless aSetting is measurably flatter; then each
    // change that does not help measurably taken back.
    std::vector<ChannelSetting> Kept(std::vector<ChannelSetting> aSetting, double dNowFlat);

    const AlignRequest& m_request;
    int m_nChannels;
    int m_nPoints;
    std::vector<int> m_anPoint;                 // grid indices in range
    std::vector<Complex> m_aRot;                // e^(-j w d), d = 0..2 DELAY_WORD_MAX, at each point
    std::vector<std::vector<Complex>> m_aBase;  // driver through its crossover, at each point
    std::vector<ChannelSetting> m_aSetting;     // the crossovers being tried
    std::array<int, ALIGN_MAX_CHANNELS> m_anGainLow{};
    std::array<int, ALIGN_MAX_CHANNELS> m_anGainHigh{};
    std::vector<Trial> m_aCandidate;  // settled settings of the last search
};
