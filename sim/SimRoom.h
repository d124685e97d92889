// Loudspeakers in a room, heard by one microphone: each of the virtual
// processor's outputs convolved with its loudspeaker's impulse response at
// the microphone, summed, plus white noise, and beside it the left input as
// a loopback cable would bring it back. Uniformly partitioned FFT
// convolution in blocks of BLOCK frames: the microphone and the loopback
// both come LATENCY frames late, so their timing against each other holds.
// Process() allocates nothing and takes no lock.
#pragma once

#include <fftw3.h>

#include <array>
#include <complex>
#include <cstdint>
#include <optional>
#include <vector>

#include "SimTypes.h"

inline constexpr int ROOM_RATE = 48000;
inline constexpr int ROOM_MAX_FRAMES = 2 * ROOM_RATE;  // 2 s

class CSimRoom {
public:
    static constexpr int BLOCK = 1024;
    static constexpr int LATENCY = BLOCK;

    // aResponse[c] empty: channel c is not heard. dNoiseDbfs: the noise's
    // RMS level, none when empty. Responses longer than ROOM_MAX_FRAMES are
    // cut there.
    CSimRoom(const std::array<std::vector<float>, NUM_CHANNELS>& aResponse, std::optional<double> dNoiseDbfs);
    ~CSimRoom();
    CSimRoom(const CSimRoom&) = delete;
    CSimRoom& operator=(const CSimRoom&) = delete;

    // nFrames of the four outputs and of the two inputs (interleaved) in,
    // nFrames of microphone and loopback (interleaved) out.
    void Process(const float* pOutputs, const float* pInputs, int nFrames, float* pMic);
    // As after a long silence: nothing of what played before rings on, and
    // the timing of microphone and loopback stays as it was.
    void Silence();

private:
    void RunBlock();
    float Noise();

    static constexpr int FFT = 2 * BLOCK;
    static constexpr int BINS = BLOCK + 1;

    int m_nParts = 0;                                            // partitions of the longest response
    std::array<int, NUM_CHANNELS> m_anParts{};                   // of each channel's response
    std::vector<std::complex<float>> m_aResponse;                // [channel][part][bin]
    std::vector<std::complex<float>> m_aHistory;                 // [channel][part][bin], a ring of input spectra
    int m_nNewest = 0;                                           // ring place of the newest spectrum
    std::array<std::array<float, FFT>, NUM_CHANNELS> m_aTime{};  // previous and current block
    std::array<float, BLOCK> m_aLoop{};                          // the left input of the current block
    std::array<float, 2 * BLOCK> m_aReady{};                     // the previous block's microphone and loopback
    int m_nPos = 0;
    std::vector<float> m_aFftIn;
    std::vector<std::complex<float>> m_aSpectrum;
    std::vector<std::complex<float>> m_aSum;
    std::vector<float> m_aFftOut;
    fftwf_plan m_forward = nullptr;
    fftwf_plan m_inverse = nullptr;
    float m_fNoiseAmplitude = 0.0f;
    std::uint32_t m_nNoiseState = 0x9E3779B9u;
};
