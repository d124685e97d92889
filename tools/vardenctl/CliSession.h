// One connection as a vardenctl command uses it: the preset, the stand-in
// window and the link, with the link's message boxes recorded instead of
// shown, the whole-slot transfers the device commands are made of, and the
// handling of interrupts they share.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CliLinkWindow.h"
#include "CommandLine.h"
#include "DeviceLink.h"
#include "MessageBox.h"
#include "PresetData.h"
#include "TALVRoute.h"

class CCliSession {
public:
    // From here on Ctrl-C, SIGTERM and SIGHUP are the session's: the first
    // lets the step in progress (one slot's transfer) finish and asks the
    // command to stop before the next; the second stops the step at once.
    explicit CCliSession(const CommandLine& cl);
    ~CCliSession();
    CCliSession(const CCliSession&) = delete;
    CCliSession& operator=(const CCliSession&) = delete;

    // Opens the port and nothing more: each step queues only the frames its
    // job needs. On failure says why and returns false.
    bool Connect();

    // The steps. Each returns false when the link ended first or the user
    // stopped it at once; StepFailed then says which.
    // The six slot names into the link (m_link.GetPresetName).
    bool ReadNames();
    // Slot nSlot as the device sends it, named as the device names it; the
    // progress bar says strLabel ("reading slot 3", "verifying slot 2").
    bool ReadSlot(int nSlot, PresetData& data, const std::string& strLabel);
    // data to slot nSlot under strName; true once every frame is acknowledged.
    bool WriteSlot(int nSlot, const PresetData& data, const std::string& strName);

    // The frames in order; true once the device has acknowledged each.
    // strWhat ("muting the other channels") is what a first interrupt lets
    // finish.
    bool SendFrames(std::vector<std::unique_ptr<CSendData>> frames, const std::string& strWhat);
    // Keeps the link going (its polls, its answers) until bDone, for work
    // done beside it; false when an interrupt or a lost link came first.
    bool Await(const std::function<bool()>& bDone);
    // After an interrupt: lets the next step run all the same (putting back
    // what the command changed); an interrupt during it counts as in any
    // step. The interrupt is still reported by IsStopRequested.
    void AllowStep();
    bool IsConnected() const { return m_link.IsConnected(); }

    // After a step failed: "interrupted; " or why the link ended, then what
    // the command adds about what is left; returns 130 or 1.
    int StepFailed(const std::string& strLeft) const;
    // An interrupt came (also one between steps, or after the last): the
    // command stops before its next step, and creates or replaces no file.
    bool IsStopRequested();
    // Says the command stopped before the rest of its work; returns 130.
    int StoppedBefore(const std::string& strLeft) const;
    // The exit status of a command whose work is over: nCode, but 130 once
    // an interrupt came, saying strDone was done all the same.
    int Finish(int nCode, const std::string& strDone);
    // What the last write to nSlot left there, the frame that was on the
    // line when it stopped included.
    std::string WrittenPart(int nSlot) const;

    const CommandLine& m_cl;
    CTALVRoute m_route;
    CCliLinkWindow m_wnd;
    CDeviceLink m_link;

private:
    enum class Stop { None, AfterStep, Now };
    // Runs one step until bDone; strWhat ("the transfer to slot 2") is what a
    // first interrupt lets finish, nWriteSlot the slot it writes, if any.
    bool RunStep(const std::string& strWhat, int nWriteSlot, const std::function<bool()>& bDone);
    void OnInterrupt();
    std::string LossText() const;

    bool m_bNames = false;
    bool m_bStopAllowed = false;  // an interrupt came before AllowStep
    std::string m_strMessage;
    MessageBoxHandler m_oldHandler;
    Stop m_stop = Stop::None;
    bool m_bInStep = false;
    bool m_bTransferOnLine = false;  // a transfer frame had gone out unanswered
    std::string m_strStep;
    int m_nStepWriteSlot = -1;
};
