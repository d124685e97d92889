// One PipeWire stream node of 32-bit float interleaved frames at 48 kHz,
// processed on PipeWire's real-time thread: a sink the graph plays into or a
// source the graph records from, or, given a target, a stream of our own
// that plays into that node or records from it. The process function must
// not block.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "PipeWireSession.h"

struct pw_stream;

// Every stream's frame rate.
constexpr int PW_STREAM_RATE = 48000;

struct PwStreamSetup {
    std::string strName;         // node.name
    std::string strDescription;  // node.description
    bool bSource = false;        // Audio/Source, else Audio/Sink
    int nChannels = 2;
    bool bAuxPositions = false;  // AUX0.., else FL FR
    // node.name of a node to connect to: the stream then plays into it (as
    // bSource, it makes the frames) or records from it, its channels taken
    // one for one, never mixed into others.
    std::string strTarget;
    // Each channel's position; empty: as bAuxPositions says.
    std::vector<std::uint32_t> anPositions = {};
};

class CPwStream {
public:
    // A sink hands over the frames it got, a source fills the frames asked for.
    using ProcessFn = void (*)(void* pUser, float* pFrames, int nFrames);

    CPwStream(CPipeWireSession& session, PwStreamSetup setup, ProcessFn fn, void* pUser);
    ~CPwStream();
    CPwStream(const CPwStream&) = delete;
    CPwStream& operator=(const CPwStream&) = delete;

    // Creates the node and waits until PipeWire has it; false with the reason.
    bool Connect(std::string& strError);

    // Frames the sound takes from here to the target's device and back
    // (PipeWire's own estimate, 0 when it gives none); asked on the loop's
    // thread or under CPipeWireSession::CLock.
    long GetDelayFrames() const;

    // Cycles of the server's clock this stream missed since it first moved
    // sound: its frames are not continuous across them. Any thread.
    long GetMissedCycles() const { return m_nMissedCycles.load(std::memory_order_acquire); }

    // Within the process function: when the cycle started, in frames of this
    // stream on the monotonic clock; -1 when the server does not tell.
    std::int64_t GetCycleFrame() const { return m_nCycleFrame; }

private:
    static void OnProcess(void* pData);
    // Real-time thread: compares this cycle's place on the server's clock
    // with where the last cycle's frames ended.
    void FollowClock();
    void CountFrames(std::uint32_t nFrames);
    static void OnStateChanged(void* pData, int nOld, int nState, const char* pszError);

    CPipeWireSession& m_session;
    PwStreamSetup m_setup;
    ProcessFn m_fn;
    void* m_pUser;
    pw_stream* m_pStream = nullptr;
    struct Listener;
    std::unique_ptr<Listener> m_pListener;
    int m_nState = 0;
    bool m_bMoving = false;        // real-time thread only
    std::uint64_t m_nTicks = 0;    // real-time thread only: the last cycle's clock
    std::uint64_t m_nLength = 0;   // real-time thread only: its frames, in clock ticks
    std::uint32_t m_nRateNum = 0;  // real-time thread only: the clock's tick, in seconds
    std::uint32_t m_nRateDenom = 0;
    std::int64_t m_nCycleFrame = -1;  // real-time thread only
    std::atomic<long> m_nMissedCycles{0};
    std::string m_strStreamError;
};
