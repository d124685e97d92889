// What of the live preset the device did not get when the sending stopped
// (the user stopped it, or the link was lost): which frames of which channel
// and whether the name, so the window can say so and tests can check it.
#pragma once

#include <array>
#include <bitset>
#include <string>

#include "Frame.h"

class CSendData;
class CTALVData;

class CUndelivered {
public:
    // A frame that was still queued; frames for stored slots and frames that
    // change nothing are no part of it.
    void AddFrame(const CSendData& frame);
    // The frames the channel's change marks would have sent.
    void AddMarks(const CTALVData& channel);
    // The live preset's name, sent but still waiting on the device for a
    // block to take it.
    void AddName() { m_bName = true; }
    // Whether a frame of a whole-preset transfer had gone out whole and went
    // unanswered when the sending was cut: the device may hold it too.
    void SetTransferFrameOnLine(bool bOnLine) { m_bTransferOnLine = bOnLine; }
    void Clear() { *this = CUndelivered(); }

    bool IsEmpty() const;
    // Frame index 0..30 a band, 31 the crossover, 32 the channel section.
    bool Covers(int nChannel, int nFrame) const;
    bool CoversName() const { return m_bName; }
    bool WasTransferFrameOnLine() const { return m_bTransferOnLine; }
    // "CH1: bands 3, 5-9, the crossover" one line a channel, then the name.
    std::string Describe() const;

private:
    static constexpr int FRAMES = CHANNEL_FRAME_INDEX + 1;
    std::array<std::bitset<FRAMES>, NUM_CHANNELS> m_abFrame{};
    bool m_bName = false;
    bool m_bTransferOnLine = false;
};
