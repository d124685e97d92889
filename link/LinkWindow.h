// The main window as the device link sees it: where its messages go and the
// few window states a connection changes.
#pragma once

#include "LinkLoss.h"
#include "LinkMessages.h"
#include "MessageBox.h"
#include "WindowTarget.h"

class CLinkWindow : public CWindowTarget {
public:
    // Timer ID_TIMER_LINK: call CDeviceLink::OnLinkTick every LINK_TICK_MS.
    virtual void StartLinkTimer() = 0;
    virtual void StopLinkTimer() = 0;
    // The connection has ended: link button up, preset name fields read-only.
    virtual void OnLinkDisconnected() = 0;
    // The link gave up by itself and is closed now; loss says why.
    virtual void OnLinkLost(LinkLoss loss)
    {
        ShowMessageBox(loss == LinkLoss::StoppedAnswering ? MSG_CONNECTION_LOST : MSG_UNABLE_TO_OPEN,
                       MessageIcon::None);
    }
};
