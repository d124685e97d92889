// One RS-232 port on termios: opening it exclusively, line settings, and
// reads, writes and event waits with optional time-outs. Every operation
// returns a result code (0 = success), keeps it in m_lError and traces why
// it failed; the callers decide what the user sees.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

#include "NetLine.h"
#include "SerialEvent.h"
#include "SerialTypes.h"

class CSerial {
public:
    CSerial() = default;
    virtual ~CSerial();
    CSerial(const CSerial&) = delete;
    CSerial& operator=(const CSerial&) = delete;

    // "Overlapped" here means operations that take time-outs; without it they
    // block until done.
    virtual LONG Open(const char* pszDevice, DWORD dwInQueue = 0, DWORD dwOutQueue = 0, bool fOverlapped = false);
    virtual LONG Close();

    virtual LONG Setup(DWORD dwBaudrate, BYTE bDataBits, BYTE bParity, BYTE bStopBits);
    virtual LONG SetMask(DWORD dwMask);
    virtual LONG WaitEvent(OVERLAPPED* lpOverlapped = nullptr, DWORD dwTimeout = INFINITE);
    virtual LONG SetupHandshaking(int eHandshake);
    virtual LONG SetupReadTimeouts(int eReadMode);
    virtual DWORD GetEventMask() const { return m_dwMask; }
    virtual LONG Write(const void* pData, std::size_t iLen, DWORD* pdwWritten = nullptr,
                       OVERLAPPED* lpOverlapped = nullptr, DWORD dwTimeout = INFINITE);
    virtual LONG Read(void* pData, std::size_t iLen, DWORD* pdwRead = nullptr, OVERLAPPED* lpOverlapped = nullptr,
                      DWORD dwTimeout = INFINITE);

    bool IsOpen() const { return m_hPort >= 0; }
    // True once the line has been hung up (an adapter pulled out, the far
    // end of a pseudo-terminal closed): nothing will come or go any more.
    bool IsHungUp() const;
    LONG Purge();
    // The last event word, limited to the mask; clears the stored word.
    DWORD GetEventType();
    LONG GetLastError() const { return m_lError; }

    // "\\.\ttyUSB0" and "ttyUSB0" open /dev/ttyUSB0; a name with a '/' in it
    // is a path and opens as given ("./ttyHERE", "/dev/pts/7"). Open takes
    // "tcp://HOST:PORT" and "rfc2217://HOST:PORT" as ports on a device
    // server, which behave as a local port except in their errors.
    static std::string DevicePath(const char* pszDevice);

protected:
    // Raises (or lowers) DTR and RTS; 0 or the errno of the failure.
    virtual LONG SetModemLines(bool bRaise);
    // Hands line settings to the driver; 0 or the errno of the failure. A
    // pseudo-terminal keeps no parity, so tests see here what a UART gets.
    virtual LONG SetLineAttributes(const termios& tio);
    // Reads and clears the line errors seen since the last call.
    LONG ClearLineErrors(DWORD& dwErrors);
    LONG SetError(LONG lError)
    {
        m_lError = lError;
        return lError;
    }

    std::atomic<LONG> m_lError{ERROR_SUCCESS};
    int m_hPort = -1;  // the descriptor; -1 while closed
    DWORD m_dwEvent = 0;
    std::atomic<DWORD> m_dwMask{0};
    std::unique_ptr<CSerialEvent> m_hevtOverlapped;

private:
    LONG OpenDevice(const char* pszDevice, int& fd);
    LONG OpenNet(const char* pszDevice, int& fd);
    void ReleasePort();
    // read(2) and write(2) on the line, through the network side when there
    // is one.
    ssize_t ReadBytes(BYTE* pData, std::size_t nLen);
    ssize_t WriteBytes(const BYTE* pData, std::size_t nLen);
    bool IsOverlapped() const { return m_hevtOverlapped != nullptr; }
    LONG RefuseBlocking(const char* pszOperation, const OVERLAPPED* lpOverlapped, DWORD dwTimeout);
    LONG PollForEvent(DWORD dwTimeout);
    void NoteReceived();
    DWORD TakeNewLineErrors();
    static void Complete(OVERLAPPED* lpOverlapped, CSerialEvent* pInternal);

    // Wakes a waiting WaitEvent; SetMask and stopping the listener use it.
    std::unique_ptr<CSerialEvent> m_evtWake;
    std::unique_ptr<CNetLine> m_pNet;  // set while a network port is open
    // Set when Read or Purge took bytes, so a wait that was holding off for
    // unread bytes looks again at once instead of at its next recheck.
    std::unique_ptr<CSerialEvent> m_evtConsumed;
    int m_eReadMode = ReadModeNonblocking;

    // Receive-event bookkeeping. Input stays readable until the window reads
    // it, so a byte is reported once: when the queue grows, or when it still
    // holds bytes after a Read or Purge took some.
    std::atomic<unsigned> m_nConsumed{0};
    unsigned m_nSeenConsumed = 0;
    int m_nSeenQueued = 0;
    bool m_bHungUp = false;       // reported once; then the port leaves the poll set
    bool m_bHaveCounters = true;  // false once the driver has no error counters
    DWORD m_dwLineErrors = 0;
    struct Counters {
        int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    } m_counters;
};
