// A pseudo-terminal for the port tests: the test plays the device on the
// master side, the port under test opens the slave path.
#pragma once

#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

class CPtyPair {
public:
    CPtyPair()
    {
        m_fdMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (m_fdMaster < 0 || grantpt(m_fdMaster) != 0 || unlockpt(m_fdMaster) != 0 ||
            ptsname_r(m_fdMaster, name, sizeof name) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_strSlave = name;
        fcntl(m_fdMaster, F_SETFL, fcntl(m_fdMaster, F_GETFL) | O_NONBLOCK);
    }
    ~CPtyPair() { CloseMaster(); }
    CPtyPair(const CPtyPair&) = delete;
    CPtyPair& operator=(const CPtyPair&) = delete;

    const std::string& Slave() const { return m_strSlave; }
    int Master() const { return m_fdMaster; }
    void Send(const std::string& bytes) const
    {
        if (write(m_fdMaster, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("pty write failed");
    }
    void CloseMaster()
    {
        if (m_fdMaster >= 0)
            close(m_fdMaster);
        m_fdMaster = -1;
    }

private:
    int m_fdMaster = -1;
    std::string m_strSlave;
};
