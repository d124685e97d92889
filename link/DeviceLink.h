// The device connection of the main window: connecting and disconnecting,
// the link tick, and the whole-preset transfers, each of which is just frames
// put into the link's queue in the right order.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "Command.h"
#include "LinkLoss.h"
#include "TALVRoute.h"
#include "Undelivered.h"

class CLinkWindow;
class CProgressTarget;

class CDeviceLink {
public:
    CDeviceLink(CTALVRoute& route, CLinkWindow& wnd, CProgressTarget& progress);

    // Where the sending stands; the link alone moves it:
    //   Closed   --Connect------------------------------> Open
    //   Open     --WaitForChanges-----------------------> Draining
    //   Draining --a tick finds nothing left to send----> Sent
    //   Open, Draining, Stopping --StopSending----------> Stopping, or
    //                                                     Stopped at once
    //                                                     when nothing waits
    //   Stopping --a tick finds nothing left to send----> Stopped
    //   any      --Disconnect, or the link lost---------> Closed
    // Sent and Stopped send nothing more: the window disconnects or closes.
    enum class State { Closed, Open, Draining, Stopping, Sent, Stopped };
    State GetState() const { return m_state; }

    enum class ConnectMode { Full, NamesOnly, PortOnly };
    // Opens the port, then queues six name queries (not PortOnly), the name
    // frame for slot 0 and the live preset's four block requests (Full), and
    // starts the tick. PortOnly is for callers that queue only what their job
    // needs.
    // fnRunOpen runs the opening of the port, as CCommand::Open says.
    bool Connect(const std::string& strPort, ConnectMode mode = ConnectMode::Full,
                 const CCommand::OpenRunner& fnRunOpen = CCommand::OpenRunner());
    void Disconnect();
    bool IsConnected() const { return m_state != State::Closed; }

    // Timer ID_TIMER_LINK.
    void OnLinkTick();
    // The port's event message (event bits in the low word of wParam).
    void OnPortEvent(WPARAM wParam);

    void RequestPresetNames();
    void ReadFromDevice(int nSlot);
    void WriteToDevice(int nSlot);

    // The names of the device's slots: slot 0 is the live preset's (the
    // route's), the others as the device last sent them or as last written.
    const std::string& GetPresetName(int nSlot) const;
    void SetPresetName(int nSlot, const std::string& strName);
    // Slots 1..5 unnamed until the device sends their names.
    void ForgetSlotNames();

    // What the window does with the answers: takes over the six names, and
    // loads the four received blocks into the preset (in bass link mode
    // channel 1 follows channel 0 and goes back to the device). A stored
    // preset read goes on to the live setting whole, under its name, so the
    // device plays what the window shows: true then (a write is under way).
    void OnPresetNamesReceived();
    bool LoadReceivedPreset();
    // Whether every channel holds the block received for it already.
    bool HoldsReceivedBlocks() const;
    // The live preset's name, to the device as well when connected: the
    // device takes it only with a block write, so the channel with the most
    // changes goes whole behind it.
    void SendLiveName(const std::string& strName);
    // The four blocks as the device sent them, nothing written back.
    void LoadReceivedBlocks();
    // When connected: the bulk equaliser change of nChannel's link group
    // (bypass-all, a fitted EQ) queued, its muting bracket numbered.
    void SendEqChange(int nChannel);
    // When connected: channel nChannel whole to the live slot.
    void SendChannelBlock(int nChannel);

    // True while block writes of a write transfer wait for their answers.
    bool IsWritePending() const;
    // Frames of the last transfer queued (the name frame, then one block per
    // channel) that the device has answered; all of them is a whole transfer.
    int GetTransferAnswered() const { return m_link.GetTransferAnswered(); }
    bool IsTransferComplete() const { return GetTransferAnswered() == TRANSFER_FRAMES; }
    static constexpr int TRANSFER_FRAMES = 1 + NUM_CHANNELS;
    // The device took the transfer's name: it takes one with the first block
    // written to the slot after it.
    bool IsTransferNameTaken() const { return GetTransferAnswered() >= 2; }
    // Changes on their way to the device: queued frames that change what it
    // holds, and what the preset's change marks will still send.
    CTALVRoute::PendingSend GetPendingChanges() const;
    bool HasPendingChanges() const { return GetPendingChanges().nFrames > 0; }
    // The window waits for the changes before it disconnects or closes: the
    // bar shows them however few they are, and the tick that finds none
    // left ends the wait (Sent).
    void WaitForChanges();
    // Draining or Stopping: changes still go before the window may go on.
    bool IsWaitingForChanges() const { return m_state == State::Draining || m_state == State::Stopping; }
    // Stops sending what is queued and marked, at once, but for the frame on
    // the line, whose answer is awaited (up to the resend time), and for a
    // muting bracket whose outputs went off on the device: its restoring
    // frames still go. True when the caller has such changes to wait for.
    // What did not arrive is kept in GetUndelivered.
    bool StopSending();
    // What of the live preset did not reach the device when the sending last
    // stopped or the link was lost, and whether a transfer frame was on the
    // line then.
    const CUndelivered& GetUndelivered() const { return m_undelivered; }
    // Why the link disconnected by itself; None while connected.
    LinkLoss GetLoss() const { return m_loss; }

    // Why the port did not open or take its settings (0: it did).
    LONG GetPortError() const { return m_link.GetPortError(); }

    CCommand& GetLink() { return m_link; }
    const CCommand& GetLink() const { return m_link; }

private:
    void QueueTransfer(int nSlot, bool bWrite);
    void GiveUp(LinkLoss loss);
    bool IsTransferQueued() const;
    // Writes the head to the port, noting a muting bracket whose outputs go
    // off with it.
    void SendHead();
    // Whether the frame brings back outputs that a bulk change muted on the
    // device.
    bool RestoresMutedOutputs(const CSendData& frame) const;
    // Gives up waiting for the head's answer: it counts as not arrived.
    void AbandonHead();
    // The bar and its words for a change of many frames; false when none is
    // shown (the bar then creeps as it always has).
    bool ShowChangeProgress();

    // What is left undone where the sending is cut: the change marks (and a
    // live name the device holds back), the queued frames from nFirst on
    // that bDropped picks, and whether a transfer frame is on the line.
    void RecordMarks();
    void RecordQueued(int nFirst, const std::function<bool(const CSendData&)>& bDropped);
    void RecordTransferOnLine();

    CTALVRoute& m_route;
    CLinkWindow& m_wnd;
    CProgressTarget& m_progress;
    CCommand m_link;
    State m_state = State::Closed;
    LinkLoss m_loss = LinkLoss::None;
    long m_nReceivedAtSend = 0;  // the link's received count when the head first went out
    // Bytes of the change the bar shows, and those left at the last tick.
    int m_nBatchTotal = 0;
    int m_nBatchLeft = 0;
    CUndelivered m_undelivered;
    int m_nProgress = 0;  // where the bar stands
    int m_nReadSlot = 0;  // the slot of the last read queued
    // Muting brackets numbered as queued; the one whose muting frame went
    // out last may have its outputs off on the device until its restoring
    // frames arrive.
    int m_nLastBracket = 0;
    int m_nMutedBracket = 0;
    // Names of slots 1..5; slot 0's is the route's.
    std::array<std::string, NUM_PRESET_SLOTS - 1> m_astrSlotName;
};
