// A device whose memory lies: the virtual processor behind a pseudo-terminal,
// unpaced, whose answers pass through a hook that may change them on their
// way out. With the hook set, what the device gives back differs from what it
// was given, the way a faulty unit's would.
#pragma once

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "FrameChecksum.h"
#include "PtyPair.h"
#include "VirtualProcessor.h"

class CAlteringDevice {
public:
    using Alter = std::function<void(std::vector<BYTE>& answer)>;

    CAlteringDevice()
    {
        // Held open so the line stays up between the commands that open it,
        // and raw before any of them does.
        m_fdSlave = open(m_pty.Slave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios tio{};
        tcgetattr(m_fdSlave, &tio);
        cfmakeraw(&tio);
        tcsetattr(m_fdSlave, TCSANOW, &tio);
        m_thread = std::thread([this] { Serve(); });
    }
    ~CAlteringDevice()
    {
        m_bStop = true;
        m_thread.join();
        close(m_fdSlave);
    }

    const std::string& Port() const { return m_pty.Slave(); }
    void SetAlter(Alter alter)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_alter = std::move(alter);
    }

private:
    void Serve()
    {
        while (!m_bStop) {
            pollfd pfd{m_pty.Master(), POLLIN, 0};
            if (poll(&pfd, 1, 10) <= 0)
                continue;
            BYTE buf[1024];
            const ssize_t n = read(m_pty.Master(), buf, sizeof buf);
            if (n <= 0)
                continue;
            m_processor.Receive(buf, static_cast<std::size_t>(n));
            for (SimChunk& chunk : m_processor.TakeOutput()) {
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    if (m_alter)
                        m_alter(chunk.bytes);
                }
                if (!chunk.bytes.empty())
                    (void)!write(m_pty.Master(), chunk.bytes.data(), chunk.bytes.size());
            }
        }
    }

    CPtyPair m_pty;
    int m_fdSlave = -1;
    CVirtualProcessor m_processor;
    std::mutex m_mutex;
    Alter m_alter;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
