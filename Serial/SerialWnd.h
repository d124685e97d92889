// A listening port that posts one message per event to a window: the event
// bits in the low word of the first parameter, the line errors in the high
// word, the caller's value as the second parameter.
#pragma once

#include <mutex>

#include "SerialEx.h"
#include "WindowTarget.h"

using HWND = CWindowTarget*;

class CSerialWnd : public CSerialEx {
public:
    // The id registered for "CSerialWnd_DefaultComMsg", used when Open gets 0.
    static const UINT s_nDefaultComMsg;

    CSerialWnd() = default;
    ~CSerialWnd() override;

    using CSerialEx::Open;
    virtual LONG Open(const char* pszDevice, HWND hwndDest, UINT nComMsg = 0, LPARAM lParam = 0, DWORD dwInQueue = 0,
                      DWORD dwOutQueue = 0);
    LONG Close() override;
    void SetTargetWindow(HWND hwndDest);

protected:
    void OnEvent(DWORD dwEvent, DWORD dwErrors) override;

    HWND m_hwndTarget = nullptr;
    UINT m_nMsg = 0;
    LPARAM m_lMsgParam = 0;

private:
    // Close clears the target under this lock, so no message leaves once
    // Close has begun, even from a listener that is just about to post.
    std::mutex m_mutexTarget;
};
