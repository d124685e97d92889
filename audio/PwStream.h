// One PipeWire stream node of 32-bit float interleaved frames at 48 kHz,
// processed on PipeWire's real-time thread: a sink the graph plays into or a
// source the graph records from, or, given a target, a stream of our own
// that plays into that node or records from it. The process function must
// not block.
#pragma once

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

private:
    static void OnProcess(void* pData);
    static void OnStateChanged(void* pData, int nOld, int nState, const char* pszError);

    CPipeWireSession& m_session;
    PwStreamSetup m_setup;
    ProcessFn m_fn;
    void* m_pUser;
    pw_stream* m_pStream = nullptr;
    struct Listener;
    std::unique_ptr<Listener> m_pListener;
    int m_nState = 0;
    std::string m_strStreamError;
};
