// Halves the sample rate with the half-band kernel: each pair of input
// samples gives one output sample, HALF_BAND_K output samples late.
#pragma once

#include <array>

#include "HalfBandKernel.h"

class CDownsampler2 {
public:
    // pIn holds 2 * nCount samples.
    void Process(const double* pIn, int nCount, double* pOut);
    void Reset();

private:
    // The second sample of each of the last HALF_BAND_ODD_TAPS pairs and the
    // first of the last HALF_BAND_K + 1, each twice over as in CUpsampler2.
    std::array<double, 2 * HALF_BAND_ODD_TAPS> m_dOdd{};
    std::array<double, 2 * (HALF_BAND_K + 1)> m_dEven{};
    int m_nOddPos = 0;
    int m_nEvenPos = 0;
};
