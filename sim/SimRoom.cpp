#include "SimRoom.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// FFTW's complex type and std::complex share their layout.
fftwf_complex* Fftw(std::vector<std::complex<float>>& v)
{
    return reinterpret_cast<fftwf_complex*>(v.data());
}
}  // namespace

CSimRoom::CSimRoom(const std::array<std::vector<float>, NUM_CHANNELS>& aResponse, std::optional<double> dNoiseDbfs)
    : m_aFftIn(FFT), m_aSpectrum(BINS), m_aSum(BINS), m_aFftOut(FFT)
{
    m_forward = fftwf_plan_dft_r2c_1d(FFT, m_aFftIn.data(), Fftw(m_aSpectrum), FFTW_ESTIMATE);
    m_inverse = fftwf_plan_dft_c2r_1d(FFT, Fftw(m_aSum), m_aFftOut.data(), FFTW_ESTIMATE);
    for (int c = 0; c < NUM_CHANNELS; ++c) {
        const int nLen = std::min(static_cast<int>(aResponse[static_cast<std::size_t>(c)].size()), ROOM_MAX_FRAMES);
        m_anParts[static_cast<std::size_t>(c)] = (nLen + BLOCK - 1) / BLOCK;
        m_nParts = std::max(m_nParts, m_anParts[static_cast<std::size_t>(c)]);
    }
    const std::size_t nSize = static_cast<std::size_t>(NUM_CHANNELS * m_nParts * BINS);
    m_aResponse.assign(nSize, std::complex<float>{});
    m_aHistory.assign(nSize, std::complex<float>{});
    // Each part of a response: BLOCK taps then BLOCK zeros, transformed, with
    // the inverse transform's scale folded in.
    for (int c = 0; c < NUM_CHANNELS; ++c) {
        const std::vector<float>& h = aResponse[static_cast<std::size_t>(c)];
        for (int p = 0; p < m_anParts[static_cast<std::size_t>(c)]; ++p) {
            std::fill(m_aFftIn.begin(), m_aFftIn.end(), 0.0f);
            for (int k = 0; k < BLOCK && p * BLOCK + k < static_cast<int>(h.size()) && p * BLOCK + k < ROOM_MAX_FRAMES;
                 ++k)
                m_aFftIn[static_cast<std::size_t>(k)] = h[static_cast<std::size_t>(p * BLOCK + k)] / FFT;
            fftwf_execute(m_forward);
            std::copy(m_aSpectrum.begin(), m_aSpectrum.end(),
                      m_aResponse.begin() + static_cast<std::ptrdiff_t>((c * m_nParts + p) * BINS));
        }
    }
    if (dNoiseDbfs)
        m_fNoiseAmplitude = static_cast<float>(std::pow(10.0, *dNoiseDbfs / 20.0) * std::sqrt(3.0));
}

CSimRoom::~CSimRoom()
{
    fftwf_destroy_plan(m_forward);
    fftwf_destroy_plan(m_inverse);
}

// Uniform white noise (xorshift32), its RMS level the one asked for.
float CSimRoom::Noise()
{
    m_nNoiseState ^= m_nNoiseState << 13;
    m_nNoiseState ^= m_nNoiseState >> 17;
    m_nNoiseState ^= m_nNoiseState << 5;
    return m_fNoiseAmplitude * (static_cast<float>(m_nNoiseState) / 2147483648.0f - 1.0f);
}

void CSimRoom::Process(const float* pOutputs, const float* pInputs, int nFrames, float* pMic)
{
    for (int i = 0; i < nFrames; ++i) {
        for (int c = 0; c < NUM_CHANNELS; ++c)
            m_aTime[static_cast<std::size_t>(c)][static_cast<std::size_t>(BLOCK + m_nPos)] =
                pOutputs[NUM_CHANNELS * i + c];
        m_aLoop[static_cast<std::size_t>(m_nPos)] = pInputs[2 * i];
        pMic[2 * i] = m_aReady[static_cast<std::size_t>(2 * m_nPos)];
        pMic[2 * i + 1] = m_aReady[static_cast<std::size_t>(2 * m_nPos + 1)];
        if (++m_nPos == BLOCK) {
            RunBlock();
            m_nPos = 0;
        }
    }
}

void CSimRoom::Silence()
{
    std::fill(m_aHistory.begin(), m_aHistory.end(), std::complex<float>{});
    for (auto& t : m_aTime)
        t.fill(0.0f);
    m_aLoop.fill(0.0f);
    m_aReady.fill(0.0f);
}

void CSimRoom::RunBlock()
{
    if (m_nParts > 0) {
        m_nNewest = m_nNewest == 0 ? m_nParts - 1 : m_nNewest - 1;
        std::fill(m_aSum.begin(), m_aSum.end(), std::complex<float>{});
        for (int c = 0; c < NUM_CHANNELS; ++c) {
            const int nParts = m_anParts[static_cast<std::size_t>(c)];
            if (nParts == 0)
                continue;
            std::array<float, FFT>& t = m_aTime[static_cast<std::size_t>(c)];
            std::copy(t.begin(), t.end(), m_aFftIn.begin());
            fftwf_execute(m_forward);
            // As plain floats, re and im in turn, so the loop below vectorises.
            float* pHistory = reinterpret_cast<float*>(&m_aHistory[static_cast<std::size_t>(c * m_nParts * BINS)]);
            std::copy(m_aSpectrum.begin(), m_aSpectrum.end(),
                      m_aHistory.begin() + static_cast<std::ptrdiff_t>((c * m_nParts + m_nNewest) * BINS));
            // Part p of the response meets the input spectrum p blocks old.
            const float* pResponse =
                reinterpret_cast<const float*>(&m_aResponse[static_cast<std::size_t>(c * m_nParts * BINS)]);
            float* y = reinterpret_cast<float*>(m_aSum.data());
            for (int p = 0; p < nParts; ++p) {
                const float* x = pHistory + 2 * ((m_nNewest + p) % m_nParts) * BINS;
                const float* h = pResponse + 2 * p * BINS;
                for (int k = 0; k < 2 * BINS; k += 2) {
                    y[k] += x[k] * h[k] - x[k + 1] * h[k + 1];
                    y[k + 1] += x[k] * h[k + 1] + x[k + 1] * h[k];
                }
            }
            std::copy(t.begin() + BLOCK, t.end(), t.begin());
        }
        fftwf_execute(m_inverse);
    }
    for (int i = 0; i < BLOCK; ++i) {
        const float fMic = m_nParts > 0 ? m_aFftOut[static_cast<std::size_t>(BLOCK + i)] : 0.0f;
        m_aReady[static_cast<std::size_t>(2 * i)] = fMic + (m_fNoiseAmplitude > 0.0f ? Noise() : 0.0f);
        m_aReady[static_cast<std::size_t>(2 * i + 1)] = m_aLoop[static_cast<std::size_t>(i)];
    }
}
