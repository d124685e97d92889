#include "Upsampler2.h"

void CUpsampler2::Process(const float* pIn, int nCount, double* pOut)
{
    constexpr int N = HALF_BAND_ODD_TAPS;
    const HalfBandOddTaps& g = GetHalfBandOddTaps();
    for (int m = 0; m < nCount; ++m) {
        m_dHistory[static_cast<std::size_t>(m_nPos)] = pIn[m];
        m_dHistory[static_cast<std::size_t>(m_nPos + N)] = pIn[m];
        // newest[-i] is the input i samples ago.
        const double* newest = m_dHistory.data() + m_nPos + N;
        double odd = 0.0;
        for (int i = 0; i < N; ++i)
            odd += g[static_cast<std::size_t>(i)] * newest[-i];
        pOut[2 * m] = newest[-(HALF_BAND_K + 1)];
        pOut[2 * m + 1] = 2.0 * odd;
        m_nPos = m_nPos + 1 == N ? 0 : m_nPos + 1;
    }
}

void CUpsampler2::Reset()
{
    m_dHistory.fill(0.0);
    m_nPos = 0;
}
