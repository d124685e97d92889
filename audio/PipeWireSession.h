// A connection to the user's PipeWire: its own thread loop, context and core.
// Streams are made on it (CPwStream); everything of PipeWire's that is not
// real-time runs on that loop's thread.
#pragma once

#include <string>

struct pw_thread_loop;
struct pw_context;
struct pw_core;

class CPipeWireSession {
public:
    CPipeWireSession() = default;
    ~CPipeWireSession();
    CPipeWireSession(const CPipeWireSession&) = delete;
    CPipeWireSession& operator=(const CPipeWireSession&) = delete;

    // Connects; false with the reason when no PipeWire answers.
    bool Connect(std::string& strError);
    void Disconnect();

    // While a CLock lives the loop's thread keeps off PipeWire's objects.
    class CLock {
    public:
        explicit CLock(CPipeWireSession& session);
        ~CLock();
        CLock(const CLock&) = delete;
        CLock& operator=(const CLock&) = delete;

    private:
        pw_thread_loop* m_pLoop;
    };

    pw_thread_loop* GetLoop() const { return m_pLoop; }
    pw_core* GetCore() const { return m_pCore; }

private:
    pw_thread_loop* m_pLoop = nullptr;
    pw_context* m_pContext = nullptr;
    pw_core* m_pCore = nullptr;
};

// The words for a missing sound server, as --audio says them.
inline constexpr const char* NO_SOUND_SERVER = "no sound server: --audio needs a running PipeWire session";
