#include "SimChannelVoice.h"

void CSimChannelVoice::Configure(const SimChannelSound& sound)
{
    for (std::size_t k = 0; k < m_aSection.size(); ++k) {
        m_aSection[k] = sound.aSection[k];
        if (m_abActive[k] && !sound.abActive[k])
            m_dZ1[k] = m_dZ2[k] = 0.0;
        m_abActive[k] = sound.abActive[k];
    }
    m_dGain = sound.bOn ? sound.dGain : 0.0;
    m_nDelay = sound.nDelay;
}

void CSimChannelVoice::Process(const double* pUp, int nFrames, double* pOut)
{
    const int nUp = 2 * nFrames;
    double* x = m_dWork.data();
    for (int i = 0; i < nUp; ++i)
        x[i] = pUp[i];
    // One section over the whole block at a time (transposed direct form II).
    for (std::size_t k = 0; k < m_aSection.size(); ++k) {
        if (!m_abActive[k])
            continue;
        const BiquadSection& s = m_aSection[k];
        double z1 = m_dZ1[k];
        double z2 = m_dZ2[k];
        for (int i = 0; i < nUp; ++i) {
            const double in = x[i];
            const double y = s.B0 * in + z1;
            z1 = s.B1 * in - s.A1 * y + z2;
            z2 = s.B2 * in - s.A2 * y;
            x[i] = y;
        }
        m_dZ1[k] = z1;
        m_dZ2[k] = z2;
    }
    m_down.Process(x, nFrames, pOut);
    for (int i = 0; i < nFrames; ++i) {
        m_dDelay[static_cast<std::size_t>(m_nDelayPos)] = pOut[i] * m_dGain;
        pOut[i] = m_dDelay[static_cast<std::size_t>((m_nDelayPos - m_nDelay + DELAY_RING) % DELAY_RING)];
        m_nDelayPos = (m_nDelayPos + 1) % DELAY_RING;
    }
}
