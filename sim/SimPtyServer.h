// The virtual processor behind a pseudo-terminal master: a program opens the
// slave path with its ordinary serial layer and finds a device there, which
// answers at the pace of a 9600-baud line unless told otherwise.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "SimServerOptions.h"
#include "VirtualProcessor.h"

class CSimPtyServer {
public:
    explicit CSimPtyServer(SimServerOptions options);
    ~CSimPtyServer();
    CSimPtyServer(const CSimPtyServer&) = delete;
    CSimPtyServer& operator=(const CSimPtyServer&) = delete;

    // Loads the state file when there is one, opens the pseudo-terminal and
    // starts serving. False with a message on failure.
    bool Start(std::string& strError);
    // The path a program opens, e.g. /dev/pts/5.
    const std::string& GetPortPath() const { return m_strPortPath; }
    // Ends serving (at once, whatever is pending) and saves the state file.
    // False, with the reason in strError, when the state could not be saved.
    // Repeated calls do nothing and return true.
    bool Stop(std::string& strError);
    bool Stop()
    {
        std::string strError;
        return Stop(strError);
    }

    void SetFault(SimFault mode, int nCount = -1);
    // True once a HangUp fault has dropped the line.
    bool IsHungUp() const { return m_bHungUp; }
    // Becomes readable when a HangUp fault drops the line, for a caller that
    // waits in poll(); -1 while not serving.
    int GetHangUpDescriptor() const { return m_fdHungUp; }

    // Runs f(CVirtualProcessor&) while the server thread keeps off it.
    template <class F> auto WithProcessor(F&& f)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return f(m_processor);
    }

private:
    using Clock = std::chrono::steady_clock;
    struct TimedByte {
        BYTE b;
        Clock::time_point due;
    };
    // Back-to-back bytes on one direction of the line. Their times count from
    // the run's start, so rounding never piles up along a long frame.
    struct LineRun {
        Clock::time_point start{};
        std::int64_t nBytes = 0;
    };

    void Serve();
    void ReadLine(Clock::time_point now);
    void FeedArrived(Clock::time_point now);
    void ScheduleAnswers(Clock::time_point now);
    bool WriteDue(Clock::time_point now, bool& bBlocked);
    void DropLine();
    void CloseDescriptors();
    Clock::duration LineTime(std::int64_t nBytes) const;
    Clock::time_point RunEnd(const LineRun& run) const { return run.start + LineTime(run.nBytes); }
    Clock::time_point AddByte(LineRun& run) const;

    SimServerOptions m_options;
    std::mutex m_mutex;
    CVirtualProcessor m_processor;
    std::string m_strPortPath;
    int m_fdMaster = -1;
    int m_fdSlave = -1;  // held open so the master never sees the line drop between clients
    int m_fdWake = -1;
    int m_fdHungUp = -1;
    std::thread m_thread;
    bool m_bRunning = false;
    std::atomic<bool> m_bHungUp{false};

    // Serving thread only: bytes on their way in and out, each with the time
    // the line delivers it.
    std::deque<TimedByte> m_rx;
    std::deque<TimedByte> m_tx;
    LineRun m_rxRun;
    LineRun m_txRun;
    Clock::time_point m_lastArrival{};
    bool m_bAwaitQuiet = false;  // bytes came since the line last went quiet
};
