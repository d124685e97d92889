#include "Deconvolver.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

namespace {
// How far below the strongest bin the division stops trusting a weak one: the
// sweep's own spectrum falls some 34 dB over its band, so this costs nothing
// inside it, and it bounds what noise can gain where the sweep is faint.
constexpr double REGULARISATION = 1e-6;
// Over this much of an octave outside the sweep's band the response is
// faded to nothing.
constexpr double EDGE_OCTAVES = 0.5;

// FFTW's planner is not safe to call from two threads at once, and the
// virtual processor may plan in this process too.
std::mutex& PlannerLock()
{
    static std::mutex lock;
    return lock;
}

std::size_t SizeFor(std::size_t nAtLeast)
{
    std::size_t n = 1024;
    while (n < nAtLeast)
        n *= 2;
    return n;
}

// 0 inside [low, high], a raised cosine up to 1 over EDGE_OCTAVES outside.
double OutsideBand(double dHz, double dLowHz, double dHighHz)
{
    double dOctaves = 0.0;
    if (dHz < dLowHz)
        dOctaves = dHz > 0.0 ? std::log2(dLowHz / dHz) : EDGE_OCTAVES;
    else if (dHz > dHighHz)
        dOctaves = std::log2(dHz / dHighHz);
    const double x = std::min(dOctaves / EDGE_OCTAVES, 1.0);
    return 0.5 - 0.5 * std::cos(std::numbers::pi * x);
}

double MaxNorm(const std::vector<std::complex<double>>& a)
{
    double d = 0.0;
    for (const auto& c : a)
        d = std::max(d, std::norm(c));
    return d;
}
}  // namespace

CDeconvolver::CDeconvolver(const std::vector<float>& afSweep, const SweepSettings& settings, std::size_t nTakeLength)
    : m_nSize(SizeFor(nTakeLength + afSweep.size())), m_nTake(nTakeLength)
{
    const std::size_t nBins = m_nSize / 2 + 1;
    m_pdTime = static_cast<double*>(fftw_malloc(sizeof(double) * m_nSize));
    m_pSpectrum = static_cast<std::complex<double>*>(fftw_malloc(sizeof(fftw_complex) * nBins));
    auto* pSpectrum = reinterpret_cast<fftw_complex*>(m_pSpectrum);
    {
        const std::lock_guard<std::mutex> guard(PlannerLock());
        m_pForward = fftw_plan_dft_r2c_1d(static_cast<int>(m_nSize), m_pdTime, pSpectrum, FFTW_ESTIMATE);
        m_pInverse = fftw_plan_dft_c2r_1d(static_cast<int>(m_nSize), pSpectrum, m_pdTime, FFTW_ESTIMATE);
    }

    m_adOutside.resize(nBins);
    for (std::size_t k = 0; k < nBins; ++k)
        m_adOutside[k] =
            OutsideBand(static_cast<double>(k) * settings.nRate / m_nSize, settings.dLowHz, settings.dHighHz);

    std::vector<float> afPadded(m_nTake, 0.0f);
    std::copy_n(afSweep.begin(), std::min(afSweep.size(), m_nTake), afPadded.begin());
    Forward(afPadded.data(), m_aInverse);
    const double dMax = MaxNorm(m_aInverse);
    for (std::size_t k = 0; k < nBins; ++k) {
        const double dFloor = dMax * (REGULARISATION + m_adOutside[k]);
        m_aInverse[k] = std::conj(m_aInverse[k]) / ((std::norm(m_aInverse[k]) + dFloor) * m_nSize);
    }
}

CDeconvolver::~CDeconvolver()
{
    const std::lock_guard<std::mutex> guard(PlannerLock());
    fftw_destroy_plan(static_cast<fftw_plan>(m_pForward));
    fftw_destroy_plan(static_cast<fftw_plan>(m_pInverse));
    fftw_free(m_pdTime);
    fftw_free(m_pSpectrum);
}

void CDeconvolver::Forward(const float* pSamples, std::vector<std::complex<double>>& aSpectrum)
{
    std::copy_n(pSamples, m_nTake, m_pdTime);
    std::fill(m_pdTime + m_nTake, m_pdTime + m_nSize, 0.0);
    fftw_execute(static_cast<fftw_plan>(m_pForward));
    aSpectrum.assign(m_pSpectrum, m_pSpectrum + m_nSize / 2 + 1);
}

void CDeconvolver::Deconvolve(const float* pTake, const float* pReference, std::vector<double>& adIr)
{
    const std::size_t nBins = m_nSize / 2 + 1;
    Forward(pTake, m_aTake);
    if (pReference == nullptr) {
        for (std::size_t k = 0; k < nBins; ++k)
            m_pSpectrum[k] = m_aTake[k] * m_aInverse[k];
    } else {
        Forward(pReference, m_aReference);
        // A silent reference gives a silent response, not a division by zero.
        const double dMax = std::max(MaxNorm(m_aReference), 1e-300);
        for (std::size_t k = 0; k < nBins; ++k) {
            const double dFloor = dMax * (REGULARISATION + m_adOutside[k]);
            m_pSpectrum[k] =
                m_aTake[k] * std::conj(m_aReference[k]) / ((std::norm(m_aReference[k]) + dFloor) * m_nSize);
        }
    }
    fftw_execute(static_cast<fftw_plan>(m_pInverse));
    adIr.assign(m_pdTime, m_pdTime + m_nSize);
}
