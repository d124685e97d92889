// The virtual processor's sound on the user's PipeWire: a sink
// "varden-sim-in" that music or a measurement is played into, and a source
// "varden-sim-out" with the four outputs (AUX0..AUX3 = channels 1..4). The
// sink's real-time callback runs the sound engine; the source plays what it
// made one cycle of the server later, always. With a room, a
// third node "varden-sim-mic" carries the microphone and the loopback.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "PipeWireSession.h"
#include "PwStream.h"
#include "SimCycleRing.h"
#include "SimRoom.h"
#include "SimSoundEngine.h"
#include "VirtualProcessor.h"

inline constexpr const char* SIM_SINK_NAME = "varden-sim-in";
inline constexpr const char* SIM_SOURCE_NAME = "varden-sim-out";
inline constexpr const char* SIM_MIC_NAME = "varden-sim-mic";

class CSimAudioServer {
public:
    CSimAudioServer();
    ~CSimAudioServer();
    CSimAudioServer(const CSimAudioServer&) = delete;
    CSimAudioServer& operator=(const CSimAudioServer&) = delete;

    // Connects to PipeWire and makes the nodes; false with the reason
    // (NO_SOUND_SERVER when there is no PipeWire to be reached).
    bool Start(std::string& strError, std::unique_ptr<CSimRoom> pRoom = nullptr);

    // A little into each of the next nSounds sounds it hears (sound after
    // silence), the engine's thread stops for three of the server's cycles,
    // as on a machine too busy to keep up: the server then skips cycles.
    // Before Start.
    void SetStalls(int nSounds) { m_nStalls = nSounds; }

    // What the virtual processor calls after each change of its live slot.
    CVirtualProcessor::LiveListener MakeLiveListener();

    // Cycles with a gap in the outputs while sound was coming in: under-runs
    // heard as gaps.
    long GetUnderruns() const { return m_outputs.GetShortCycles(); }

private:
    static void OnInput(void* pUser, float* pFrames, int nFrames);
    static void OnOutput(void* pUser, float* pFrames, int nFrames);
    static void OnMic(void* pUser, float* pFrames, int nFrames);
    // A device plays on while nothing is sent to it, so what was in its
    // filters and in the room dies away. The server stops calling the sink
    // while nobody plays into it; when it comes back, as much silence as the
    // pause lasted goes through the engine first, unheard, and the room is
    // left silent.
    void RunThePause(int nFrames);
    void RunSilence(long nFrames);
    void StallIfDue(const float* pFrames, int nFrames);

    CSimSoundEngine m_engine;
    CSimCycleRing m_outputs;
    CSimCycleRing m_mic;
    std::unique_ptr<CSimRoom> m_pRoom;
    CPipeWireSession m_session;
    std::unique_ptr<CPwStream> m_pSink;
    std::unique_ptr<CPwStream> m_pSource;
    std::unique_ptr<CPwStream> m_pMic;
    long long m_nLastInputNs = 0;  // sink thread only
    int m_nStalls = 0;             // sink thread only, once started
    int m_nLoudCycles = 0;         // sink thread only: cycles with sound since the last silent one
};
