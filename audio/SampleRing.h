// Interleaved frames from one real-time callback to another: one writer, one
// reader, fixed size, no locks and no allocation after construction. When
// the reader is not there the writer's frames are dropped, not waited for.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <vector>

class CSampleRing {
public:
    CSampleRing(int nChannels, int nFrames)
        : m_nChannels(static_cast<std::size_t>(nChannels)),
          m_nFrames(static_cast<std::size_t>(nFrames)),
          m_aSample(m_nChannels * m_nFrames)
    {
    }

    // Writer: stores what fits, returns the frames stored.
    int Write(const float* p, int nFrames)
    {
        const std::size_t w = m_nWrite.load(std::memory_order_relaxed);
        const std::size_t r = m_nRead.load(std::memory_order_acquire);
        const std::size_t n = std::min(static_cast<std::size_t>(nFrames), m_nFrames - (w - r));
        for (std::size_t i = 0; i < n; ++i)
            std::copy_n(p + i * m_nChannels, m_nChannels, &m_aSample[((w + i) % m_nFrames) * m_nChannels]);
        m_nWrite.store(w + n, std::memory_order_release);
        return static_cast<int>(n);
    }

    // Reader: frames waiting.
    int Available() const
    {
        return static_cast<int>(m_nWrite.load(std::memory_order_acquire) - m_nRead.load(std::memory_order_relaxed));
    }
    // Reader: takes up to nFrames, returns how many it took.
    int Read(float* p, int nFrames)
    {
        const std::size_t r = m_nRead.load(std::memory_order_relaxed);
        const std::size_t n = std::min(static_cast<std::size_t>(nFrames), static_cast<std::size_t>(Available()));
        for (std::size_t i = 0; i < n; ++i)
            std::copy_n(&m_aSample[((r + i) % m_nFrames) * m_nChannels], m_nChannels, p + i * m_nChannels);
        m_nRead.store(r + n, std::memory_order_release);
        return static_cast<int>(n);
    }
    // Reader: drops frames so that no more than nKeep wait.
    void KeepAtMost(int nKeep)
    {
        const int nAvailable = Available();
        if (nAvailable > nKeep)
            m_nRead.store(m_nRead.load(std::memory_order_relaxed) + static_cast<std::size_t>(nAvailable - nKeep),
                          std::memory_order_release);
    }

private:
    const std::size_t m_nChannels;
    const std::size_t m_nFrames;
    std::vector<float> m_aSample;
    std::atomic<std::size_t> m_nWrite{0};
    std::atomic<std::size_t> m_nRead{0};
};
