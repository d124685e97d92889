// The audio processor at the far end of the serial line, in software. It
// takes the bytes the program writes, in whatever pieces they arrive, answers
// each frame as the device does and keeps the device's presets. It is strict:
// a frame the real device could not take (bad checksum, index or value) gets
// no answer and is counted, so the program's resend path shows up in tests.
// No I/O here; a transport feeds Receive() and plays out TakeOutput().
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "SimFault.h"
#include "SimTypes.h"

class CVirtualProcessor {
public:
    // Past the program's resend after 100 ticks of 30 ms, short of its
    // giving up after 150.
    static constexpr int DEFAULT_LATE_MS = 3500;
    static constexpr int DEFAULT_SPLIT_PIECE_LEN = 5;
    static constexpr int DEFAULT_SPLIT_GAP_MS = 10;

    CVirtualProcessor();  // with the factory presets

    // Bytes as they come off the line. A frame may span any number of calls;
    // bytes outside frames are skipped.
    void Receive(const BYTE* pData, std::size_t nLength);
    void Receive(const std::vector<BYTE>& data) { Receive(data.data(), data.size()); }
    // Drops a partly received frame, as the device's receive timeout does
    // after a pause on the line; without it a stray FF FF FF 54 would swallow
    // the next 270 bytes. The transport calls it, the core knows no time.
    void AbandonFrame();

    // Everything answered since the last call, oldest first.
    std::vector<SimChunk> TakeOutput();
    bool HasOutput() const { return !m_aOutput.empty(); }

    // The next nCount answers (all of them while nCount is -1) suffer the
    // fault; afterwards the processor behaves again. None clears the fault.
    void SetFault(SimFault mode, int nCount = -1);
    SimFault GetFault() const { return m_fault; }
    // True once after an answer fell to the HangUp fault: the transport must
    // drop the line now.
    bool TakeHangUp();
    void SetLateDelay(int nMs);
    void SetSplitShape(int nPieceLen, int nGapMs);

    // Back to the factory presets; pending names are dropped.
    void ResetToFactory();

    // Stored block of one slot and channel, in reply form. Slot 0 is live.
    const SimBlock& GetBlock(int nSlot, int nChannel) const;
    const SimName& GetName(int nSlot) const;
    // A name frame for the slot waits for a block write to take effect.
    bool HasPendingName(int nSlot) const;

    // The six names and six slots as bytes, and back. LoadState refuses data
    // of the wrong size or version or with values out of range, and then
    // leaves the state as it was.
    std::vector<BYTE> SaveState() const;
    bool LoadState(const std::vector<BYTE>& data);

    // Called after every change of the live slot 0 (parameter frames, block
    // writes to slot 0, a reset, a loaded state), on the thread that made it:
    // the sound follows the live setting through it.
    using LiveListener = std::function<void(const CVirtualProcessor&)>;
    void SetLiveListener(LiveListener listener);

    // Frames taken and answered (the answer perhaps spoiled by a fault), by
    // the command byte of the request.
    int GetAcceptedCount(BYTE command) const { return m_anAccepted[command]; }
    // Frames that got no answer because something was wrong with them.
    int GetRejectedCount() const { return m_nRejected; }
    SimReject GetLastReject() const { return m_lastReject; }

private:
    void ReceiveByte(BYTE b);
    void HandleFrame();
    SimReject Verify() const;
    void ApplyParameter();
    void Reject(SimReject reason);
    void Answer(std::vector<BYTE> frame);
    SimFault TakeFault();

    // Stored state.
    std::array<SimName, NUM_PRESET_SLOTS> m_aName{};
    std::array<std::array<SimBlock, NUM_CHANNELS>, NUM_PRESET_SLOTS> m_aSlot{};
    std::array<std::optional<SimName>, NUM_PRESET_SLOTS> m_aPendingName{};

    // Frame assembly; only ever indexed below the expected length, which no
    // request exceeds.
    std::array<BYTE, BLOCK_FRAME_LEN> m_abAssembly{};
    int m_nFrameLen = 0;
    int m_nExpectedLen = 0;
    int m_nFFCount = 0;
    bool m_bInFrame = false;

    std::vector<SimChunk> m_aOutput;
    SimFault m_fault = SimFault::None;
    int m_nFaultCount = -1;
    bool m_bHangUp = false;
    int m_nLateMs = DEFAULT_LATE_MS;
    int m_nSplitPieceLen = DEFAULT_SPLIT_PIECE_LEN;
    int m_nSplitGapMs = DEFAULT_SPLIT_GAP_MS;

    void LiveChanged() const
    {
        if (m_liveListener)
            m_liveListener(*this);
    }
    LiveListener m_liveListener;

    std::array<int, 256> m_anAccepted{};
    int m_nRejected = 0;
    SimReject m_lastReject = SimReject::None;
};
