// The search behind AlignChannels. Only differences of delay and ratios of
// gain change the summed level, so the search holds them relative and the
// settings are placed at the end: the earliest channel at no delay, the
// gains as near to what they were as the bounds allow, none raised where one
// can stay. A sweep of every delay step (both polarities) of one channel at
// a time finds the candidates; a descent over gain steps and nearby delays
// settles each. Among settings near the best, the smallest total delay wins.
// With crossovers free, each filter between neighbours (alone, and the pair
// together) tries every frequency within half an octave in grid steps with
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
    double Flatness(const std::vector<Complex>& sum) const;
    double Evaluate(Trial& t) const;
    void DelayBounds(const Trial& t, int n, int& nLow, int& nHigh) const;
    void GainBounds(const Trial& t, int n, int& nLow, int& nHigh) const;
    // The flatness at every delay of channel n in [nLow, nHigh], with its
    // polarity as it is (adSame) and reversed (adFlipped).
    void SweepDelay(const Trial& t, int n, int nLow, int nHigh, std::vector<double>& adSame,
                    std::vector<double>& adFlipped) const;
    // The flatness over the points anAt of rest plus x delayed by each d in
    // [nLow, nHigh], with x as it is (adSame) and reversed (adFlipped).
    void SweepSum(const std::vector<Complex>& rest, const std::vector<Complex>& x, const std::vector<int>& anAt,
                  int nLow, int nHigh, std::vector<double>& adSame, std::vector<double>& adFlipped) const;
    // The best delay and polarity of channel n within nReach of its delay.
    bool BestDelayNear(Trial& t, int n, int nReach) const;
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
    double TotalDelay(const Trial& t) const;

    void UpdateBase(int n);
    void MoveCrossovers(Trial& best);
    double QuickSolve(Trial& t, const std::vector<int>& anChanged) const;
    std::vector<CrossoverFilter> FilterOptions(const FilterRef& ref) const;
    CrossoverFilter& FilterOf(const FilterRef& ref);

    int LowestChannel() const;
    std::vector<ChannelSetting> Place(const Trial& t) const;

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
