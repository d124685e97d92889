// The device connection of the main window: connecting and disconnecting,
// the link tick, and the whole-preset transfers, each of which is just frames
// put into the link's queue in the right order.
#pragma once

#include <array>
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

    enum class ConnectMode { Full, NamesOnly, PortOnly };
    // Opens the port, then queues six name queries (not PortOnly), the name
    // frame for slot 0 and the live preset's four block requests (Full), and
    // starts the tick. PortOnly is for callers that queue only what their job
    // needs.
    bool Connect(const std::string& strPort, ConnectMode mode = ConnectMode::Full);
    void Disconnect();
    bool IsConnected() const { return m_bConnected; }

    // Timer ID_TIMER_LINK.
    void OnLinkTick();
    // The port's event message (event bits in the low word of wParam).
    void OnPortEvent(WPARAM wParam);

    void RequestPresetNames();
    void ReadFromDevice(int nSlot);
    void WriteToDevice(int nSlot);

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
    // bar shows them however few they are.
    void SetDraining(bool bDraining) { m_bDraining = bDraining; }
    // Stops sending what is queued and marked, at once, but for the frame on
    // the line, whose answer is awaited (up to the resend time), and for a
    // muting bracket whose outputs went off on the device: its restoring
    // frames still go. True when the caller has such changes to wait for.
    // What did not arrive is kept in GetUndelivered.
    bool StopSending();
    // What of the live preset did not reach the device when the sending last
    // stopped or the link was lost.
    const CUndelivered& GetUndelivered() const { return m_undelivered; }
    // Whether a frame of the transfer had gone out whole and went
    // unanswered when the sending was cut: the device may hold it too.
    bool WasTransferFrameOnLine() const { return m_bTransferOnLine; }
    // Why the link disconnected by itself; None while connected.
    LinkLoss GetLoss() const { return m_loss; }

    CCommand& GetLink() { return m_link; }
    const CCommand& GetLink() const { return m_link; }

    // Names shown for the device's slots; slot 0 goes out with a read.
    std::array<std::string, NUM_PRESET_SLOTS> m_strPresetName;
    int m_nProgress = 0;

private:
    void QueueTransfer(int nSlot, bool bWrite);
    void GiveUp(LinkLoss loss);
    bool IsTransferQueued() const;
    // Whether the frame brings back outputs that a bulk change muted on the
    // device.
    bool RestoresMutedOutputs(const CSendData& frame) const;
    // Gives up waiting for the head's answer: it counts as not arrived.
    void AbandonHead();
    // The bar and its words for a change of many frames; false when none is
    // shown (the bar then creeps as it always has).
    bool ShowChangeProgress();

    CTALVRoute& m_route;
    CLinkWindow& m_wnd;
    CProgressTarget& m_progress;
    CCommand m_link;
    bool m_bConnected = false;
    LinkLoss m_loss = LinkLoss::None;
    long m_nReceivedAtSend = 0;  // the link's received count when the head first went out
    bool m_bDraining = false;
    // Bytes of the change the bar shows, and those left at the last tick.
    int m_nBatchTotal = 0;
    int m_nBatchLeft = 0;
    CUndelivered m_undelivered;
    bool m_bTransferOnLine = false;
    bool m_bStopped = false;  // StopSending ran since the link was opened
    int m_nReadSlot = 0;      // the slot of the last read queued
    // What is left undone when the sending is cut here: the change marks
    // and the queued frames from nFirst on.
    void TakeUndelivered(int nFirst);
};
