#include "NetConnect.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "NetErrors.h"
#include "PollDeadline.h"
#include "Trace.h"

namespace {
std::atomic<int> g_fdStop{-1};

// One address: 0 and the socket, or the reason it did not connect.
LONG ConnectOne(const addrinfo& ai, const CPollDeadline& deadline, int& fd)
{
    const int s = socket(ai.ai_family, ai.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai.ai_protocol);
    if (s < 0)
        return errno;
    // Frames are small and each waits for its answer: no coalescing delay.
    const int one = 1;
    (void)setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (connect(s, ai.ai_addr, ai.ai_addrlen) != 0 && errno != EINPROGRESS) {
        const LONG lError = errno;
        close(s);
        return lError;
    }
    for (;;) {
        pollfd afd[2] = {{s, POLLOUT, 0}, {g_fdStop.load(), POLLIN, 0}};
        const int n = poll(afd, afd[1].fd >= 0 ? 2 : 1, deadline.Remaining());
        if (n < 0 && errno == EINTR)
            continue;
        LONG lError = n < 0 ? errno : ERROR_SUCCESS;
        if (n == 0)
            lError = ETIMEDOUT;
        else if (n > 0 && (afd[1].revents & POLLIN))
            lError = ECANCELED;
        else if (n > 0) {
            int nSoError = 0;
            socklen_t len = sizeof nSoError;
            if (getsockopt(s, SOL_SOCKET, SO_ERROR, &nSoError, &len) != 0)
                nSoError = errno;
            lError = nSoError;
        }
        if (lError != ERROR_SUCCESS) {
            close(s);
            return lError;
        }
        fd = s;
        return ERROR_SUCCESS;
    }
}
}  // namespace

int SetNetStopDescriptor(int fd)
{
    return g_fdStop.exchange(fd);
}

int GetNetStopDescriptor()
{
    return g_fdStop.load();
}

LONG ConnectNetAddress(const NetAddress& address, int nTimeoutMs, int& fd)
{
    fd = -1;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* pList = nullptr;
    if (getaddrinfo(address.strHost.c_str(), address.strPort.c_str(), &hints, &pList) != 0 || !pList) {
        Trace("ConnectNetAddress - Unable to resolve %s\n", address.strHost.c_str());
        return NET_ERROR_HOST_UNKNOWN;
    }
    const CPollDeadline deadline(static_cast<DWORD>(nTimeoutMs));
    LONG lError = ETIMEDOUT;
    for (const addrinfo* p = pList; p; p = p->ai_next) {
        const LONG lThis = ConnectOne(*p, deadline, fd);
        // A refusal says more than a later address that cannot be reached.
        if (lError != ECONNREFUSED || lThis == ERROR_SUCCESS || lThis == ECANCELED)
            lError = lThis;
        if (lThis == ERROR_SUCCESS || lThis == ECANCELED || deadline.Expired())
            break;
    }
    freeaddrinfo(pList);
    if (lError != ERROR_SUCCESS)
        Trace("ConnectNetAddress - Unable to connect to %s\n", address.strHost.c_str());
    return lError;
}
