// Turns recordings of a played sweep into impulse responses by dividing
// spectra: against the sweep itself (its inverse filter, computed once), or
// against a reference recorded beside the take (a loopback of what was
// played), which takes the sound card's and the sound server's delays out.
// The division is regularised so that outside the sweep's band, where the
// sweep put no energy, the response goes to zero instead of to noise.
#pragma once

#include <complex>
#include <cstddef>
#include <vector>

#include "LogSweep.h"

class CDeconvolver {
public:
    // Takes are nTakeLength samples long, at least as long as the sweep.
    CDeconvolver(const std::vector<float>& afSweep, const SweepSettings& settings, std::size_t nTakeLength);
    ~CDeconvolver();
    CDeconvolver(const CDeconvolver&) = delete;
    CDeconvolver& operator=(const CDeconvolver&) = delete;

    // The length of every impulse response: a circle, sample i at time i
    // below half of it, at time i - GetSize() from there on.
    std::size_t GetSize() const { return m_nSize; }

    // The impulse response of one take; pReference (the same length) may be
    // null, and the take is then measured against the sweep.
    void Deconvolve(const float* pTake, const float* pReference, std::vector<double>& adIr);

private:
    void Forward(const float* pSamples, std::vector<std::complex<double>>& aSpectrum);

    std::size_t m_nSize = 0;
    std::size_t m_nTake = 0;
    double* m_pdTime = nullptr;
    std::complex<double>* m_pSpectrum = nullptr;
    void* m_pForward = nullptr;  // fftw_plan, kept out of this header
    void* m_pInverse = nullptr;
    std::vector<std::complex<double>> m_aInverse;  // the sweep's inverse filter, 1/size included
    std::vector<double> m_adOutside;               // 0 in the sweep's band, rising to 1 outside it
    std::vector<std::complex<double>> m_aTake, m_aReference;
};
