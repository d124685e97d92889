// The "window" that the serial layer and the link post their messages to.
// The Qt window, vardenctl's event loop and test recorders implement it, so
// the core never needs a toolkit.
#pragma once

#include <cstdint>

using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

class CWindowTarget {
public:
    virtual ~CWindowTarget() = default;
    // Queues the message for the window's own thread; callable from any thread.
    virtual bool PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) = 0;
    // Runs the window's handler now, on the calling (window) thread.
    virtual LRESULT SendMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) = 0;
    virtual void EnableWindow(bool bEnable) = 0;
};
