// One outgoing frame on its way through the link queue: its own copy of the
// bytes plus the bookkeeping the link keeps while it waits for the answer.
#pragma once

#include <memory>

#include "Frame.h"

class CSendData {
public:
    CSendData(const BYTE* pFrame, int nLength);
    CSendData(const CSendData&) = delete;
    CSendData& operator=(const CSendData&) = delete;

    const BYTE* GetData() const { return m_pData.get(); }
    int GetLength() const { return m_nLength; }

    std::unique_ptr<BYTE[]> m_pData;
    int m_nLength;
    int m_nWaitTicks = 0;    // link ticks spent waiting for the answer
    int m_bUnsent = 1;       // 1 until written to the port
    int m_nProgressPos = 0;  // progress to show when answered (transfers)
    int m_bProgressAck = 0;  // 1 on the block writes of a write transfer
    int m_bTransfer = 0;     // 1 on the frames of a whole-preset transfer
    // A read's name frame only repeats the name the device has: no change.
    int m_bRepeatsDevice = 0;
    // The frames of a bulk equaliser change carry the outputs muted around
    // the bands: which bracket (0: none) and which part of it.
    enum class Mute { None, Off, Inside, Restore };
    int m_nMuteBracket = 0;
    Mute m_mute = Mute::None;

    // Whether the device holds something else once the frame has arrived.
    bool IsChange() const;
};
