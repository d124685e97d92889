// One take of a measurement through the sound server: a buffer of samples
// played into a sink while chosen channels of a source are recorded, both
// as 32-bit float at 48 kHz through streams of our own that connect to the
// nodes by name. The recording starts in the server's cycle in which the
// first sample was handed over: without a loopback reference the sound
// arrives later by the server's and the devices' latency.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "PipeWireSession.h"

struct PwTakeSetup {
    std::string strSink;    // node.name
    int nSinkChannel = -1;  // 0-based; -1: all
    std::string strSource;
    std::vector<int> anSourceChannels;  // 0-based
    double dTailSeconds = 0.5;          // recorded after the last sample, beyond the latency
};

class CPwSweepTake {
public:
    // Connects to the session's server for each take.
    explicit CPwSweepTake(CPipeWireSession& session) : m_session(session) {}

    // Blocks until afPlay has played and the tail is recorded; aRecorded gets
    // one recording per chosen source channel, all as long, each at least
    // afPlay's length plus the tail. A take in which the server skipped a
    // cycle of either stream is thrown away and taken again, up to
    // MAX_RETAKES times. False with the reason: a sink or source the server
    // does not have (named), a channel it lacks, "interrupted" once bStop is
    // set, a server that stopped moving the sound, or one that kept skipping.
    bool Run(const PwTakeSetup& setup, const std::vector<float>& afPlay, std::vector<std::vector<float>>& aRecorded,
             const std::atomic<bool>& bStop, std::string& strError);

    // The takes the last Run threw away for a skipped cycle.
    int GetRetakes() const { return m_nRetakes; }

    static constexpr int MAX_RETAKES = 2;

private:
    enum class Outcome { Taken, Broken, Failed };
    Outcome TakeOnce(const PwTakeSetup& setup, const std::vector<float>& afPlay,
                     std::vector<std::vector<float>>& aRecorded, const std::atomic<bool>& bStop, std::string& strError);

    CPipeWireSession& m_session;
    int m_nRetakes = 0;
};

// Checks that the sink and source exist and have the channels asked for;
// false with the reason naming them. nSinkChannels and nSourceChannels get
// their channel counts (2 when the server does not tell).
bool CheckTakeNodes(CPipeWireSession& session, const PwTakeSetup& setup, int& nSinkChannels, int& nSourceChannels,
                    std::string& strError);
