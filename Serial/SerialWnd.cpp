#include "SerialWnd.h"

#include "MessageRegistry.h"
#include "Trace.h"

const UINT CSerialWnd::s_nDefaultComMsg = RegisterWindowMessage("CSerialWnd_DefaultComMsg");

CSerialWnd::~CSerialWnd()
{
    if (IsListening()) {
        Trace("CSerialWnd::~CSerialWnd - Serial port not closed\n");
        CSerialWnd::Close();
    }
}

LONG CSerialWnd::Open(const char* pszDevice, HWND hwndDest, UINT nComMsg, LPARAM lParam, DWORD dwInQueue,
                      DWORD dwOutQueue)
{
    const LONG lResult = CSerialEx::Open(pszDevice, dwInQueue, dwOutQueue, false);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    {
        // Before the listener exists, so its first event finds the target.
        std::lock_guard<std::mutex> lock(m_mutexTarget);
        m_hwndTarget = hwndDest;
        m_nMsg = nComMsg ? nComMsg : s_nDefaultComMsg;
        m_lMsgParam = lParam;
    }
    if (const LONG lListener = StartListener()) {
        Close();
        return SetError(lListener);
    }
    return SetError(ERROR_SUCCESS);
}

LONG CSerialWnd::Close()
{
    {
        std::lock_guard<std::mutex> lock(m_mutexTarget);
        m_hwndTarget = nullptr;
        m_nMsg = 0;
    }
    return CSerialEx::Close();
}

void CSerialWnd::SetTargetWindow(HWND hwndDest)
{
    std::lock_guard<std::mutex> lock(m_mutexTarget);
    m_hwndTarget = hwndDest;
}

void CSerialWnd::OnEvent(DWORD dwEvent, DWORD dwErrors)
{
    std::lock_guard<std::mutex> lock(m_mutexTarget);
    if (m_hwndTarget)
        m_hwndTarget->PostMessage(m_nMsg, MakeEventParam(dwEvent, dwErrors), m_lMsgParam);
}
