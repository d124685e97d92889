// The device link controller: holds the serial port and the queue of frames,
// sends one frame at a time and waits for its answer (stop-and-wait), finds
// the device's frames in the received bytes, and keeps the names and blocks
// the device sent back.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "Frame.h"
#include "SendData.h"
#include "SendDataQueue.h"
#include "SerialLinkPort.h"

class CProgressTarget;
class CWindowTarget;

class CCommand {
public:
    // Large enough that one read never overwrites bytes not yet examined.
    static constexpr int READ_CHUNK = 900;
    static constexpr int RING_SIZE = 1024;
    static constexpr int ASSEMBLY_SIZE = 300;
    static_assert(RING_SIZE > READ_CHUNK, "a read must fit the ring");
    static_assert(ASSEMBLY_SIZE >= BLOCK_FRAME_LEN, "the longest frame must fit");

    CCommand() = default;
    ~CCommand();
    CCommand(const CCommand&) = delete;
    CCommand& operator=(const CCommand&) = delete;

    // Opens and configures the port; on failure tells the user (except for a
    // failed setting) and returns false. fnRunOpen, when given, runs the
    // opening and configuring (which may take a device server's time) and
    // returns what it returned: the window runs it on a worker and can stop
    // it. It touches only the port, and nothing else uses the link meanwhile.
    using OpenRunner = std::function<bool(const std::function<bool()>& fnOpen)>;
    bool Open(const std::string& strPort, CWindowTarget* pWnd, const OpenRunner& fnRunOpen = OpenRunner());
    bool Close();
    bool IsOpen() const { return m_port.IsOpen(); }
    LONG GetPortError() const { return m_lPortError; }

    void Enqueue(std::unique_ptr<CSendData> pData);
    int GetCount() const { return m_queue.GetCount(); }
    CSendData* GetHead() const { return m_queue.GetHead(); }
    const CSendDataQueue& GetQueue() const { return m_queue; }
    void SendHead();
    void RemoveHead();
    void ClearBuffers();
    void ResetLink();

    // The port reported received bytes.
    void OnReceive();
    // What one read delivered (at most READ_CHUNK bytes are taken): finds the
    // device's frames in it and answers them.
    void TakeReceived(const BYTE* pData, int nLength);

    const std::array<std::string, NUM_PRESET_SLOTS>& GetNames() const { return m_astrName; }
    const BYTE* GetBlock(int nChannel) const { return m_abBlockIn[static_cast<std::size_t>(nChannel)].data(); }
    void SetProgressCtrl(CProgressTarget* pProgress) { m_pProgress = pProgress; }
    CProgressTarget* GetProgressCtrl() const { return m_pProgress; }

    // Diagnostic counters: frames dropped for their trailer, for having no
    // place to go or for not answering the request at the head.
    int GetDroppedCount() const { return m_nDropped; }
    // Bytes read from the port since it was opened.
    long GetReceivedCount() const { return m_nReceived; }
    // Frames marked m_bTransfer that the device has answered since the last
    // ResetTransferCount: how far a whole-preset transfer got.
    int GetTransferAnswered() const { return m_nTransferAnswered; }
    // Before a transfer is queued: the frames of one still queued are no
    // part of the new one; they neither count nor give the window its input
    // back.
    void ResetTransferCount();
    CSendDataQueue& GetQueue() { return m_queue; }
    // The device keeps a name frame waiting until a block write to its slot:
    // true when one for the live slot was answered and no such block since.
    bool IsLiveNameWaiting() const { return m_bLiveNameWaiting; }
    // True when the port reports that the line has been hung up.
    bool IsLineDown() const { return m_port.IsOpen() && m_port.IsHungUp(); }

private:
    // Opens and configures the port, telling nobody.
    bool OpenPort(const std::string& strPort, CWindowTarget* pWnd);
    void Examine(BYTE byte);
    void Dispatch();
    // Whether the frame just assembled is of the kind the head waits for.
    bool AnswersHead(const CSendData& head) const;
    void AcceptHead();
    // Forgets any half-assembled frame and unexamined bytes.
    void ResetReceiveState();
    void SetProgress(int nPos);

    CWindowTarget* m_pWnd = nullptr;
    std::array<BYTE, ASSEMBLY_SIZE> m_abAssembly{};
    std::array<BYTE, READ_CHUNK> m_abRead{};
    std::array<BYTE, RING_SIZE> m_abRing{};
    int m_nRingWrite = 0;
    int m_nRingRead = 0;
    int m_nFrameLen = 0;
    int m_nFFCount = 0;
    CSendDataQueue m_queue;
    int m_nExpectedLen = 0;
    int m_nCommand = 0;
    int m_nReplySlot = 0;
    int m_nReplyChannel = 0;
    CSerialLinkPort m_port;
    int m_bInFrame = 0;
    std::array<std::string, NUM_PRESET_SLOTS> m_astrName;
    std::array<std::array<BYTE, BLOCK_FRAME_LEN>, NUM_CHANNELS> m_abBlockIn{};
    CProgressTarget* m_pProgress = nullptr;
    int m_bHeadProgressAck = 0;
    int m_nHeadProgressPos = 0;
    LONG m_lPortError = 0;
    int m_nDropped = 0;
    long m_nReceived = 0;
    int m_nTransferAnswered = 0;
    bool m_bLiveNameWaiting = false;
};
