#include "SerialEx.h"

#include <chrono>
#include <system_error>

#include "Trace.h"

namespace {
// A listener wakes within microseconds of being asked to stop; this long
// means it is stuck in a window's handler, which is worth a trace.
constexpr std::chrono::milliseconds LISTENER_STOP_WAIT{255};
}  // namespace

CSerialEx::~CSerialEx()
{
    if (IsListening()) {
        Trace("CSerialEx::~CSerialEx - Serial port not closed\n");
        CSerialEx::Close();
    }
}

LONG CSerialEx::Open(const char* pszDevice, DWORD dwInQueue, DWORD dwOutQueue, bool fStartListener)
{
    const LONG lResult = CSerial::Open(pszDevice, dwInQueue, dwOutQueue, true);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    LONG lError = ERROR_SUCCESS;
    if (!(m_hevtListener = CSerialEvent::Create(lError))) {
        Trace("CSerialEx::Open - Unable to create event\n");
        CSerial::Close();
        return SetError(lError);
    }
    if (fStartListener) {
        if (const LONG lListener = StartListener())
            return lListener;
    }
    return ERROR_SUCCESS;
}

LONG CSerialEx::Close()
{
    StopListener(INFINITE);
    m_hevtListener.reset();
    return CSerial::Close();
}

LONG CSerialEx::StartListener()
{
    if (m_hListener.joinable())
        return SetError(ERROR_SUCCESS);
    if (m_fStopping)
        Trace("Assertion failed: !m_fStopping\n");
    {
        std::lock_guard<std::mutex> lock(m_mutexDone);
        m_bListenerDone = false;
    }
    try {
        m_hListener = std::thread(&CSerialEx::ThreadProc, this);
    } catch (const std::system_error& e) {
        Trace("CSerialEx::StartListener - Unable to start COMM watcher thread\n");
        return SetError(e.code().value() ? e.code().value() : ERROR_INVALID_FUNCTION);
    }
    return SetError(ERROR_SUCCESS);
}

LONG CSerialEx::StopListener(DWORD /*dwTimeout*/)
{
    if (m_hListener.joinable()) {
        m_fStopping = true;
        SetMask(GetEventMask());  // completes the listener's pending wait
        std::unique_lock<std::mutex> lock(m_mutexDone);
        if (!m_cvDone.wait_for(lock, LISTENER_STOP_WAIT, [this] { return m_bListenerDone; }))
            Trace("CSerialEx::StopListener - Listener still busy, waiting for it\n");
        lock.unlock();
        m_hListener.join();
        m_fStopping = false;
    }
    return SetError(ERROR_SUCCESS);
}

void CSerialEx::ThreadProc()
{
    do {
        m_hevtListener->Reset();
        OVERLAPPED overlapped{m_hevtListener.get()};
        if (WaitEvent(&overlapped, INFINITE) != ERROR_SUCCESS)
            break;
        if (const LONG lWait = m_hevtListener->Wait(INFINITE)) {
            SetError(lWait);
            Trace("CSerialEx::ThreadProc - Unable to wait until COM event has arrived\n");
            break;
        }
        if (m_fStopping)
            continue;
        const DWORD dwEvent = GetEventType();
        DWORD dwErrors = 0;
        if (ClearLineErrors(dwErrors) != ERROR_SUCCESS) {
            Trace("CSerialEx::ThreadProc - Unable to obtain COM status\n");
            dwErrors = 0;
        }
        if (dwEvent != 0)
            OnEvent(dwEvent, dwErrors);
    } while (!m_fStopping);

    std::lock_guard<std::mutex> lock(m_mutexDone);
    m_bListenerDone = true;
    m_cvDone.notify_all();
}
