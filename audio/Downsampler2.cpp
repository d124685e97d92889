#include "Downsampler2.h"

void CDownsampler2::Process(const double* pIn, int nCount, double* pOut)
{
    constexpr int N = HALF_BAND_ODD_TAPS;
    constexpr int E = HALF_BAND_K + 1;
    const HalfBandOddTaps& g = GetHalfBandOddTaps();
    for (int m = 0; m < nCount; ++m) {
        m_dOdd[static_cast<std::size_t>(m_nOddPos)] = pIn[2 * m + 1];
        m_dOdd[static_cast<std::size_t>(m_nOddPos + N)] = pIn[2 * m + 1];
        m_dEven[static_cast<std::size_t>(m_nEvenPos)] = pIn[2 * m];
        m_dEven[static_cast<std::size_t>(m_nEvenPos + E)] = pIn[2 * m];
        const double* newestOdd = m_dOdd.data() + m_nOddPos + N;
        double sum = 0.0;
        for (int i = 0; i < N; ++i)
            sum += g[static_cast<std::size_t>(i)] * newestOdd[-i];
        // The first sample of the pair HALF_BAND_K pairs ago: the oldest kept.
        sum += 0.5 * m_dEven[static_cast<std::size_t>(m_nEvenPos + 1)];
        pOut[m] = sum;
        m_nOddPos = m_nOddPos + 1 == N ? 0 : m_nOddPos + 1;
        m_nEvenPos = m_nEvenPos + 1 == E ? 0 : m_nEvenPos + 1;
    }
}

void CDownsampler2::Reset()
{
    m_dOdd.fill(0.0);
    m_dEven.fill(0.0);
    m_nOddPos = 0;
    m_nEvenPos = 0;
}
