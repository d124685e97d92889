// A port with a listener thread that waits for port events and hands each one
// to OnEvent. Applying the mask or stopping wakes the listener at once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "Serial.h"

class CSerialEx : public CSerial {
public:
    CSerialEx() = default;
    ~CSerialEx() override;

    // Always opened with time-outs; the listener starts when asked.
    LONG Open(const char* pszDevice, DWORD dwInQueue = 0, DWORD dwOutQueue = 0, bool fStartListener = false) override;
    LONG Close() override;

    virtual LONG StartListener();
    // dwTimeout is not used: the listener is always waited for, since it must
    // be gone before the port it watches is released.
    virtual LONG StopListener(DWORD dwTimeout = INFINITE);
    bool IsListening() const { return m_hListener.joinable(); }

protected:
    // On the listener thread, once per non-empty event.
    virtual void OnEvent(DWORD dwEvent, DWORD dwErrors) = 0;

    std::atomic<bool> m_fStopping{false};
    std::thread m_hListener;
    std::unique_ptr<CSerialEvent> m_hevtListener;

private:
    void ThreadProc();

    // Lets StopListener notice a listener that takes too long.
    std::mutex m_mutexDone;
    std::condition_variable m_cvDone;
    bool m_bListenerDone = false;
};
