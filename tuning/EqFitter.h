// The numerical heart of the equaliser fit, on the grid points in range
// only: choose band gains g (gain indices within bounds) so that
// base + sum of the bands' curves at g is as small as possible in the least
// squares sense, with a slight cost on every dB of gain so that bands the
// range hardly sees stay flat. A projected Gauss-Newton (Levenberg-Marquardt)
// on the bands' Jacobian finds the best gains in dB; a descent over single
// 0.1 dB steps then settles them on the device's steps.
#pragma once

#include <vector>

struct FitterBand {
    int nFreq;
    double dBandwidth;
    int nLowIndex;  // the gain indices the band may take
    int nHighIndex;
};

class CEqFitter {
public:
    // anPoint: grid indices in range; adBase: the residual there without the
    // bands. Each band's bounds include flat.
    CEqFitter(std::vector<FitterBand> aBand, std::vector<int> anPoint, std::vector<double> adBase);

    // One gain index per band.
    std::vector<int> Solve() const;

private:
    // The best gains in dB before they are put on the 0.1 dB steps.
    std::vector<double> SolveContinuous() const;
    // Band b's curve at the points in range.
    void Curve(std::size_t b, double dGain, std::vector<double>& out) const;
    std::vector<int> Settle(const std::vector<double>& adGain) const;

    std::vector<FitterBand> m_aBand;
    std::vector<int> m_anPoint;
    std::vector<double> m_adBase;
};
