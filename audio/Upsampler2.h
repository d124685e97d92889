// Doubles the sample rate with the half-band kernel: each input sample gives
// two output samples, HALF_BAND_K + 1 input samples late.
#pragma once

#include <array>

#include "HalfBandKernel.h"

class CUpsampler2 {
public:
    // pOut receives 2 * nCount samples.
    void Process(const float* pIn, int nCount, double* pOut);
    void Reset();

private:
    // Twice the history, so the newest HALF_BAND_ODD_TAPS samples always lie
    // side by side without wrapping.
    std::array<double, 2 * HALF_BAND_ODD_TAPS> m_dHistory{};
    int m_nPos = 0;
};
