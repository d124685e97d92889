// A manual-reset event on an eventfd: it stays signalled until Reset, can be
// waited on with a time-out, and its descriptor can sit in a poll set, which
// is how a port's listener is woken.
#pragma once

#include <memory>

#include "SerialTypes.h"

class CSerialEvent {
public:
    // nullptr with lError = errno when the descriptor cannot be created.
    static std::unique_ptr<CSerialEvent> Create(LONG& lError);
    // Takes ownership of an eventfd descriptor.
    explicit CSerialEvent(int fd) : m_fd(fd) {}
    ~CSerialEvent();
    CSerialEvent(const CSerialEvent&) = delete;
    CSerialEvent& operator=(const CSerialEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // 0 when signalled, ERROR_TIMEOUT, or an errno when the wait failed.
    LONG Wait(DWORD dwTimeout) const;
    int GetDescriptor() const { return m_fd; }

private:
    int m_fd;
};

// Completion record of an operation: the event it signals when done. The
// operations here complete before they return, so the event is always set
// by then; the listener still waits on it, which keeps its loop the same on
// every platform.
struct OVERLAPPED {
    CSerialEvent* hEvent = nullptr;
};
