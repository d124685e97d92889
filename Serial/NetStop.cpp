#include "NetStop.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "NetConnect.h"
#include "Trace.h"

CNetStop::CNetStop() : m_fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    // Without one, connecting still ends at its time-out.
    if (m_fd < 0)
        Trace("CNetStop - Unable to create the stop descriptor\n");
    m_fdPrevious = SetNetStopDescriptor(m_fd);
}

CNetStop::~CNetStop()
{
    SetNetStopDescriptor(m_fdPrevious);
    if (m_fd >= 0)
        close(m_fd);
}

void CNetStop::Stop()
{
    const std::uint64_t one = 1;
    if (m_fd >= 0 && write(m_fd, &one, sizeof one) != sizeof one)
        Trace("CNetStop::Stop - Unable to signal the stop\n");
}
