// Reading and writing the open port, purging it, and waiting for its events.
#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "NetLine.h"
#include "PollDeadline.h"
#include "Serial.h"
#include "SerialChecks.h"
#include "Trace.h"

namespace {
// How often a listener looks again while received bytes wait to be read.
constexpr int UNREAD_RECHECK_MS = 10;
}  // namespace

LONG CSerial::RefuseBlocking(const char* pszOperation, const OVERLAPPED* lpOverlapped, DWORD dwTimeout)
{
    if (!IsOpen()) {
        Trace("CSerial::%s - Device is not opened\n", pszOperation);
        return SetError(ERROR_INVALID_HANDLE);
    }
    if (!IsOverlapped() && (lpOverlapped || dwTimeout != INFINITE)) {
        Trace("CSerial::%s - Overlapped I/O is disabled, specified parameters are illegal.\n", pszOperation);
        return SetError(ERROR_INVALID_FUNCTION);
    }
    return ERROR_SUCCESS;
}

void CSerial::Complete(OVERLAPPED* lpOverlapped, CSerialEvent* pInternal)
{
    if (lpOverlapped && lpOverlapped->hEvent)
        lpOverlapped->hEvent->Set();
    else if (!lpOverlapped && pInternal)
        pInternal->Set();
}

LONG CSerial::Write(const void* pData, std::size_t iLen, DWORD* pdwWritten, OVERLAPPED* lpOverlapped, DWORD dwTimeout)
{
    SetError(ERROR_SUCCESS);
    SerialAssert(!lpOverlapped || pdwWritten, "!lpOverlapped || pdwWritten");
    DWORD dwWritten = 0;
    if (!pdwWritten)
        pdwWritten = &dwWritten;
    *pdwWritten = 0;
    if (const LONG lRefused = RefuseBlocking("Write", lpOverlapped, dwTimeout))
        return lRefused;

    const auto* pBytes = static_cast<const BYTE*>(pData);
    std::size_t nDone = 0;
    const CPollDeadline deadline(dwTimeout);
    while (nDone < iLen) {
        const ssize_t n = WriteBytes(pBytes + nDone, iLen - nDone);
        if (n > 0) {
            nDone += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            const LONG lError = errno;
            Trace("CSerial::Write - Unable to write the data\n");
            return SetError(lError);
        }
        pollfd pfd{m_hPort, POLLOUT, 0};
        const int nPoll = poll(&pfd, 1, deadline.Remaining());
        if (nPoll == 0)
            return SetError(ERROR_TIMEOUT);  // what went out is not reported
        if (nPoll < 0 && errno != EINTR) {
            const LONG lError = errno;
            Trace("CSerial::Write - Unable to wait until data has been sent\n");
            return SetError(lError);
        }
        if (nPoll > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(pfd.revents & POLLOUT)) {
            Trace("CSerial::Write - Unable to write the data\n");
            return SetError(EIO);
        }
    }
    *pdwWritten = static_cast<DWORD>(nDone);
    Complete(lpOverlapped, m_hevtOverlapped.get());
    return ERROR_SUCCESS;
}

LONG CSerial::Read(void* pData, std::size_t iLen, DWORD* pdwRead, OVERLAPPED* lpOverlapped, DWORD dwTimeout)
{
    SetError(ERROR_SUCCESS);
    SerialAssert(!lpOverlapped || pdwRead, "!lpOverlapped || pdwRead");
    DWORD dwRead = 0;
    if (!pdwRead)
        pdwRead = &dwRead;
    *pdwRead = 0;
    if (const LONG lRefused = RefuseBlocking("Read", lpOverlapped, dwTimeout))
        return lRefused;

    auto* pBytes = static_cast<BYTE*>(pData);
    std::size_t nDone = 0;
    const CPollDeadline deadline(dwTimeout);
    for (;;) {
        const ssize_t n = iLen > nDone ? ReadBytes(pBytes + nDone, iLen - nDone) : 0;
        if (n > 0) {
            nDone += static_cast<std::size_t>(n);
            NoteReceived();
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno != EAGAIN) {
            const LONG lError = errno;
            Trace("CSerial::Read - Unable to read the data\n");
            return SetError(lError);
        }
        // Non-blocking reads take what is there; blocking ones the whole count.
        if (m_eReadMode == ReadModeNonblocking || nDone >= iLen)
            break;
        pollfd pfd{m_hPort, POLLIN, 0};
        const int nPoll = poll(&pfd, 1, deadline.Remaining());
        if (nPoll == 0)
            return SetError(ERROR_TIMEOUT);
        if (nPoll < 0 && errno != EINTR) {
            const LONG lError = errno;
            Trace("CSerial::Read - Unable to wait until data has been read\n");
            return SetError(lError);
        }
        // A hung-up line reads as end of file and polls as ready for ever:
        // nothing more will come, so stop waiting for it.
        if (nPoll > 0 && n == 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            *pdwRead = static_cast<DWORD>(nDone);
            Trace("CSerial::Read - Unable to read the data\n");
            return SetError(EIO);
        }
    }
    *pdwRead = static_cast<DWORD>(nDone);
    Complete(lpOverlapped, m_hevtOverlapped.get());
    return ERROR_SUCCESS;
}

ssize_t CSerial::ReadBytes(BYTE* pData, std::size_t nLen)
{
    return m_pNet ? m_pNet->Read(pData, nLen) : read(m_hPort, pData, nLen);
}

ssize_t CSerial::WriteBytes(const BYTE* pData, std::size_t nLen)
{
    return m_pNet ? m_pNet->Write(pData, nLen) : write(m_hPort, pData, nLen);
}

LONG CSerial::Purge()
{
    SetError(ERROR_SUCCESS);
    if (!IsOpen()) {
        Trace("CSerial::Purge - Device is not opened\n");
        return SetError(ERROR_INVALID_HANDLE);
    }
    if (m_pNet)
        m_pNet->Purge();
    else if (tcflush(m_hPort, TCIOFLUSH) != 0)
        return SetError(errno);
    NoteReceived();
    return ERROR_SUCCESS;
}

bool CSerial::IsHungUp() const
{
    if (!IsOpen())
        return false;
    // A device server that closed the connection shows only as its end of
    // the stream (POLLRDHUP); a tty never reports that.
    pollfd pfd{m_hPort, POLLRDHUP, 0};
    return poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL | POLLRDHUP));
}

void CSerial::NoteReceived()
{
    m_nConsumed.fetch_add(1, std::memory_order_release);
    m_evtConsumed->Set();
}

DWORD CSerial::GetEventType()
{
    const DWORD dwMask = m_dwMask;
    const DWORD dwEvent = m_dwEvent & dwMask;
    if (dwEvent == 0)
        Trace("CSerial::GetEventType - Event %08Xh not within mask %08Xh.\n", m_dwEvent, dwMask);
    m_dwEvent = 0;
    return dwEvent;
}

LONG CSerial::WaitEvent(OVERLAPPED* lpOverlapped, DWORD dwTimeout)
{
    SetError(ERROR_SUCCESS);
    if (const LONG lRefused = RefuseBlocking("WaitEvent", lpOverlapped, dwTimeout))
        return lRefused;
    m_dwEvent = 0;
    const LONG lResult = PollForEvent(dwTimeout);
    if (lResult == ERROR_TIMEOUT)
        return SetError(ERROR_TIMEOUT);
    if (lResult != ERROR_SUCCESS) {
        Trace("CSerial::WaitEvent - Unable to wait for COM event\n");
        return SetError(lResult);
    }
    Complete(lpOverlapped, m_hevtOverlapped.get());
    return ERROR_SUCCESS;
}

DWORD CSerial::TakeNewLineErrors()
{
    serial_icounter_struct now;
    if (!m_bHaveCounters || !ReadCounters(m_hPort, now))
        return 0;
    DWORD dwErrors = 0;
    if (now.frame != m_counters.frame)
        dwErrors |= CE_FRAME;
    if (now.overrun != m_counters.overrun)
        dwErrors |= CE_OVERRUN;
    if (now.parity != m_counters.parity)
        dwErrors |= CE_RXPARITY;
    if (now.buf_overrun != m_counters.bufOverrun)
        dwErrors |= CE_RXOVER;
    if (now.brk != m_counters.brk)
        dwErrors |= CE_BREAK;
    m_counters = {now.frame, now.overrun, now.parity, now.brk, now.buf_overrun};
    m_dwLineErrors |= dwErrors;
    DWORD dwEvent = 0;
    if (dwErrors & (CE_FRAME | CE_OVERRUN | CE_RXPARITY | CE_RXOVER))
        dwEvent |= EV_ERR;
    if (dwErrors & CE_BREAK)
        dwEvent |= EV_BREAK;
    return dwEvent;
}

LONG CSerial::ClearLineErrors(DWORD& dwErrors)
{
    dwErrors = 0;
    if (!IsOpen())
        return SetError(ERROR_INVALID_HANDLE);
    TakeNewLineErrors();
    dwErrors = m_dwLineErrors;
    m_dwLineErrors = 0;
    return ERROR_SUCCESS;
}

LONG CSerial::PollForEvent(DWORD dwTimeout)
{
    const CPollDeadline deadline(dwTimeout);
    for (;;) {
        const DWORD dwMask = m_dwMask;
        int nQueued = 0;
        if ((dwMask & EV_RXCHAR) && !m_bHungUp) {
            // Consumption first: a Read between the two looks like fewer
            // bytes (a later look corrects it), never like more.
            const unsigned nConsumed = m_nConsumed.load(std::memory_order_acquire);
            if (ioctl(m_hPort, FIONREAD, &nQueued) != 0)
                nQueued = 0;
            const bool bNew = nQueued > 0 && (nConsumed != m_nSeenConsumed || nQueued > m_nSeenQueued);
            m_nSeenConsumed = nConsumed;
            m_nSeenQueued = nQueued;
            if (bNew)
                m_dwEvent |= EV_RXCHAR;
        }
        if (!m_bHungUp)
            m_dwEvent |= TakeNewLineErrors() & dwMask;
        if (m_dwEvent != 0)
            return ERROR_SUCCESS;

        // Bytes already reported stay readable; look again shortly instead of
        // letting poll() return at once for them.
        pollfd afd[3] = {{m_bHungUp ? -1 : m_hPort, 0, 0},
                         {m_evtWake->GetDescriptor(), POLLIN, 0},
                         {m_evtConsumed->GetDescriptor(), POLLIN, 0}};
        int nTimeout = deadline.Remaining();
        if (nQueued > 0)
            nTimeout = deadline.Slice(UNREAD_RECHECK_MS);
        else if (dwMask & EV_RXCHAR)
            afd[0].events = POLLIN | POLLRDHUP;
        const int n = poll(afd, 3, nTimeout);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (afd[1].revents & POLLIN) {
            m_evtWake->Reset();
            return ERROR_SUCCESS;  // woken: an empty event word
        }
        if (afd[2].revents & POLLIN) {
            m_evtConsumed->Reset();
            continue;
        }
        if (afd[0].revents & (POLLHUP | POLLERR | POLLNVAL | POLLRDHUP)) {
            // The line is gone (an adapter pulled out, the far end closed).
            // Report it once; afterwards only a wake-up ends a wait.
            m_bHungUp = true;
            if (dwMask & EV_ERR) {
                m_dwEvent |= EV_ERR;
                return ERROR_SUCCESS;
            }
            continue;
        }
        if (n == 0 && deadline.Expired())
            return ERROR_TIMEOUT;
    }
}
