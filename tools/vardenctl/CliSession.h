// One connection as a vardenctl command uses it: the preset, the stand-in
// window and the link, with the link's message boxes recorded instead of
// shown, and the whole-slot transfers the device commands are made of.
#pragma once

#include <functional>
#include <string>

#include "CliLinkWindow.h"
#include "CommandLine.h"
#include "DeviceLink.h"
#include "MessageBox.h"
#include "PresetData.h"
#include "TALVRoute.h"

class CCliSession {
public:
    explicit CCliSession(const CommandLine& cl);
    ~CCliSession();
    CCliSession(const CCliSession&) = delete;
    CCliSession& operator=(const CCliSession&) = delete;

    // Opens the port; on failure says why and returns false.
    bool Connect(CDeviceLink::ConnectMode mode);

    // Runs the link until bDone; false when the link ended first.
    bool RunUntil(const std::function<bool()>& bDone);
    // The same, and when the link ended first says why (LinkFailed).
    bool WaitFor(const std::function<bool()>& bDone);

    // Why the link ended, after the message it showed.
    std::string LossText() const;
    // A transfer failed: says why, with what the command adds; EXIT_IO.
    int LinkFailed(const std::string& strAfter = std::string()) const;

    // Whole transfers on a connection whose names have arrived. Each returns
    // false, having said why, when the link gave up.
    // Slot nSlot as the device sends it, named as the device names it.
    bool ReadSlot(int nSlot, PresetData& data);
    // data to slot nSlot under strName; true once every block is acknowledged.
    bool WriteSlot(int nSlot, const PresetData& data, const std::string& strName);
    // Asks for the six names again (after writes).
    bool ReadNames();

    const CommandLine& m_cl;
    CTALVRoute m_route;
    CCliLinkWindow m_wnd;
    CDeviceLink m_link;
    bool m_bNames = false;
    std::string m_strMessage;
    MessageBoxHandler m_oldHandler;
};
