// vardenctl's stand-in for the main window: a small event loop that delivers
// the port's posted messages, runs the link tick every 30 ms while the link
// timer is on, and shows transfer progress on stderr.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <ostream>
#include <signal.h>
#include <string>

#include "LinkWindow.h"
#include "ProgressTarget.h"

class CDeviceLink;

class CCliLinkWindow : public CLinkWindow, public CProgressTarget {
public:
    // Progress goes to err: a bar when bTerminal, otherwise a line per block.
    CCliLinkWindow(std::ostream& err, bool bTerminal);
    ~CCliLinkWindow() override;

    void SetLink(CDeviceLink* pLink) { m_pLink = pLink; }
    // Called for WM_PRESET_READ_COMPLETE and WM_PRESET_NAMES_RECEIVED.
    std::function<void()> m_onReadComplete;
    std::function<void()> m_onNamesReceived;

    // Runs until bDone() is true or the link has disconnected.
    void Run(const std::function<bool()>& bDone);

    // From now on SIGINT, SIGTERM and SIGHUP do not end the process: each one
    // calls onInterrupt from Run. Call before the port is opened, so the
    // threads it starts leave the signals to us as well.
    void CatchInterrupts(std::function<void()> onInterrupt);
    // Hands the interrupts that have come to onInterrupt now, outside Run.
    void TakeInterrupts();
    // Said once on err when the device takes long over one frame.
    void SetWaitNotice(std::string strNotice) { m_strWaitNotice = std::move(strNotice); }

    // CLinkWindow
    bool PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
    void EnableWindow(bool bEnable) override { m_bEnabled = bEnable; }
    void StartLinkTimer() override;
    void StopLinkTimer() override { m_bTimer = false; }
    void OnLinkDisconnected() override {}

    // CProgressTarget
    void SetRange(int nLower, int nUpper) override;
    void SetPos(int nPos) override;
    int GetPos() const override { return m_nPos; }

    bool IsEnabled() const { return m_bEnabled; }
    // Progress is shown only while a transfer the user asked for runs, one
    // bar per phase, labelled: "writing slot 2 [#####    ] 50%".
    void ShowTransferProgress(const std::string& strLabel);
    // Ends a progress bar line on the terminal; nothing more is shown.
    void FinishProgress();

private:
    struct Message {
        UINT nMsg;
        WPARAM wParam;
        LPARAM lParam;
    };
    void Dispatch(const Message& m);
    void ShowProgress();
    void NoteSlowDevice();
    // Ends an open progress bar line so other text starts on its own line.
    void BreakProgressLine();

    CDeviceLink* m_pLink = nullptr;
    std::ostream& m_err;
    bool m_bTerminal;
    int m_fdWake = -1;
    std::mutex m_mutex;
    std::deque<Message> m_queue;
    bool m_bEnabled = true;
    bool m_bTimer = false;
    std::chrono::steady_clock::time_point m_nextTick;
    int m_nLower = 0;
    int m_nUpper = 100;
    int m_nPos = 0;
    int m_nShown = -1;
    bool m_bBarOpen = false;
    bool m_bShowProgress = false;
    std::string m_strLabel;
    bool m_bAwaitRange = false;  // the phase's transfer has not set its range yet
    int m_fdSignal = -1;
    int m_fdOldNetStop = -1;  // the stop descriptor of network connects before ours
    sigset_t m_oldMask{};
    std::function<void()> m_onInterrupt;
    std::string m_strWaitNotice;
    bool m_bWaitNoticeShown = false;
};
