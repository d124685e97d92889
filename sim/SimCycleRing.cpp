#include "SimCycleRing.h"

#include <algorithm>
#include <cstdlib>

CSimCycleRing::CSimCycleRing(int nChannels, int nFrames)
    : m_nChannels(nChannels),
      m_nFrames(nFrames),
      m_ring(nChannels, nFrames),
      m_afSilence(static_cast<std::size_t>(nChannels) * SILENCE_FRAMES, 0.0f)
{
}

void CSimCycleRing::Restart(std::int64_t nAt)
{
    m_ring.KeepAtMost(0);
    m_nBegin = m_nEnd = nAt;
}

void CSimCycleRing::BeginWrite(std::int64_t nAt)
{
    if (nAt < 0)
        return;
    if (m_nEnd < 0 || nAt < m_nEnd - SAME_PLACE || nAt - m_nEnd >= m_nFrames) {
        // The first sound, a clock that went back, or a pause so long that
        // nothing waiting still counts.
        Restart(nAt);
        return;
    }
    if (nAt - m_nEnd > SAME_PLACE) {
        // Cycles the sink missed: silence in their place.
        m_nShortCycles.fetch_add(1, std::memory_order_relaxed);
        for (std::int64_t nLeft = nAt - m_nEnd; nLeft > 0;) {
            const int n = static_cast<int>(std::min<std::int64_t>(nLeft, SILENCE_FRAMES));
            Write(m_afSilence.data(), n);
            nLeft -= n;
        }
    }
    m_nEnd = nAt;
}

void CSimCycleRing::Write(const float* p, int nFrames)
{
    // Room for the newest: the oldest go, as nobody took them in time.
    m_ring.KeepAtMost(std::max(0, m_nFrames - nFrames));
    m_ring.Write(p, nFrames);
    if (m_nEnd >= 0)
        m_nEnd += nFrames;
}

void CSimCycleRing::Read(std::int64_t nAt, float* p, int nFrames)
{
    const int nAvailable = m_ring.Available();
    int nSilence = 0;
    if (nAt >= 0 && m_nEnd >= 0) {
        // Where what is wanted starts, against where what waits starts.
        std::int64_t nLate = (nAt - nFrames) - (m_nEnd - nAvailable);
        if (std::llabs(nLate) <= SAME_PLACE)
            nLate = 0;
        if (nLate > 0)
            m_ring.KeepAtMost(static_cast<int>(std::max<std::int64_t>(0, nAvailable - nLate)));
        else
            nSilence = static_cast<int>(std::min<std::int64_t>(-nLate, nFrames));
    } else {
        // No clock: at most a cycle waits.
        m_ring.KeepAtMost(2 * nFrames);
    }
    const auto nChannels = static_cast<long>(m_nChannels);
    std::fill(p, p + nSilence * nChannels, 0.0f);
    const int nGot = m_ring.Read(p + nSilence * nChannels, nFrames - nSilence);
    std::fill(p + (nSilence + nGot) * nChannels, p + nFrames * nChannels, 0.0f);
    // Sound was coming in all through the cycle wanted, yet some is missing.
    // A cycle that began before the last one of this source ended is the
    // server starting its cycles afresh, and no gap in the sound.
    const bool bAfresh = nAt >= 0 && m_nReadEnd >= 0 && nAt < m_nReadEnd - SAME_PLACE;
    if (nGot < nFrames && !bAfresh && m_nBegin >= 0 && m_nBegin <= nAt - nFrames + SAME_PLACE &&
        m_nEnd >= nAt - SAME_PLACE)
        m_nShortCycles.fetch_add(1, std::memory_order_relaxed);
    m_nReadEnd = nAt >= 0 ? nAt + nFrames : -1;
}
