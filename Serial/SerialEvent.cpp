#include "SerialEvent.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "PollDeadline.h"

std::unique_ptr<CSerialEvent> CSerialEvent::Create(LONG& lError)
{
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) {
        lError = errno;
        return nullptr;
    }
    lError = ERROR_SUCCESS;
    return std::make_unique<CSerialEvent>(fd);
}

CSerialEvent::~CSerialEvent()
{
    close(m_fd);
}

void CSerialEvent::Set()
{
    const std::uint64_t one = 1;
    // Only fails when the counter is already near its limit, i.e. signalled.
    [[maybe_unused]] const ssize_t n = write(m_fd, &one, sizeof one);
}

void CSerialEvent::Reset()
{
    std::uint64_t value = 0;
    [[maybe_unused]] const ssize_t n = read(m_fd, &value, sizeof value);
}

bool CSerialEvent::IsSet() const
{
    pollfd pfd{m_fd, POLLIN, 0};
    return poll(&pfd, 1, 0) == 1;
}

LONG CSerialEvent::Wait(DWORD dwTimeout) const
{
    CPollDeadline deadline(dwTimeout);
    for (;;) {
        pollfd pfd{m_fd, POLLIN, 0};
        const int n = poll(&pfd, 1, deadline.Remaining());
        if (n > 0)
            return ERROR_SUCCESS;
        if (n == 0)
            return ERROR_TIMEOUT;
        if (errno != EINTR)
            return errno;
    }
}
