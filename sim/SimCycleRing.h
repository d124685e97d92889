// What the virtual processor's sink made, for its sources to play one cycle
// of the sound server later, placed by the server's clock: a source always
// gets the frames the sink got one cycle before its own, whichever of the
// two the server runs first in a cycle, so the delay through the processor
// stays what it was. Frames nobody took in time are dropped, as a sound card
// drops what it recorded before anyone listened; a cycle the sink missed is
// silence where it belongs, not a shift of all that follows. The sink and
// the sources run on the one thread of the server's streams.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "SampleRing.h"

class CSimCycleRing {
public:
    CSimCycleRing(int nChannels, int nFrames);

    // The sink, at the start of its cycle: nAt is the cycle's place on the
    // clock in frames, negative when the server does not tell.
    void BeginWrite(std::int64_t nAt);
    // The sink: the cycle's frames, in order.
    void Write(const float* p, int nFrames);

    // A source in the cycle at nAt: the nFrames the sink got in the nFrames
    // before nAt, silence where it got none.
    void Read(std::int64_t nAt, float* p, int nFrames);

    // Cycles in which sound that was coming in had a gap: the sink missed a
    // cycle, or a source found less than the sink should have made. Any
    // thread.
    long GetShortCycles() const { return m_nShortCycles.load(std::memory_order_relaxed); }

private:
    // Closer than this the sink's and the clock's places are the same: a
    // resampled clock wanders by a frame or two.
    static constexpr std::int64_t SAME_PLACE = 32;
    static constexpr int SILENCE_FRAMES = 256;

    void Restart(std::int64_t nAt);

    const int m_nChannels;
    const int m_nFrames;
    CSampleRing m_ring;
    std::vector<float> m_afSilence;
    std::int64_t m_nBegin = -1;    // the clock's place where the sound now coming in began; -1: none yet
    std::int64_t m_nEnd = -1;      // the clock's place after the last frame written
    std::int64_t m_nReadEnd = -1;  // where the source's last cycle ended
    std::atomic<long> m_nShortCycles{0};
};
