// The main window as the device link sees it: where its messages go and the
// few window states a connection changes.
#pragma once

#include "WindowTarget.h"

class CLinkWindow : public CWindowTarget {
public:
    // Timer ID_TIMER_LINK: call CDeviceLink::OnLinkTick every LINK_TICK_MS.
    virtual void StartLinkTimer() = 0;
    virtual void StopLinkTimer() = 0;
    // The connection has ended: link button up, preset name fields read-only.
    virtual void OnLinkDisconnected() = 0;
};
