// The port the device link holds: a window-posting port opened on a window
// object. Here a window object and its handle are the same interface, so
// this adds nothing but the name the link knows it by.
#pragma once

#include "SerialWnd.h"

class CSerialLinkPort : public CSerialWnd {
public:
    LONG Open(const char* pszDevice, CWindowTarget* pWnd, UINT nComMsg = 0, LPARAM lParam = 0, DWORD dwInQueue = 0,
              DWORD dwOutQueue = 0) override
    {
        return CSerialWnd::Open(pszDevice, pWnd, nComMsg, lParam, dwInQueue, dwOutQueue);
    }
};
