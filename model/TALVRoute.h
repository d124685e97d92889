// A whole preset: the four channel records and the preset name. It builds the
// frames that are not tied to one channel and picks the next pending change
// for the link.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "SendData.h"
#include "TALVData.h"

class CArchive;

class CTALVRoute {
public:
    CTALVRoute();
    ~CTALVRoute();
    CTALVRoute(const CTALVRoute&) = delete;
    CTALVRoute& operator=(const CTALVRoute&) = delete;

    static constexpr int GetSize() { return NUM_CHANNELS; }
    CTALVData& GetChannel(int k) { return m_aChannel.at(static_cast<std::size_t>(k)); }
    const CTALVData& GetChannel(int k) const { return m_aChannel.at(static_cast<std::size_t>(k)); }
    void ClearAllDirty();

    // The preset file: four channel records, then the name.
    void Serialize(CArchive& ar);

    static std::unique_ptr<CSendData> BuildNameFrame(int nSlot, const std::string& strName);
    static std::unique_ptr<CSendData> BuildNameQuery(int nSlot);
    static std::unique_ptr<CSendData> BuildPollFrame();
    // The first pending change in channel order, or a poll frame. A channel
    // with BLOCK_CHANGE_FRAMES or more frames to send goes whole, as its block
    // to the live slot: one frame that the line carries sooner than they.
    std::unique_ptr<CSendData> GetNextFrame();
    // A short frame and its answer take two link ticks; a block with its
    // answer about the time of this many short exchanges.
    static constexpr int BLOCK_CHANGE_FRAMES = 6;
    // What the change marks will still send: frames, and their bytes with
    // the answers, for the progress of a long change.
    struct PendingSend {
        int nFrames = 0;
        int nBytes = 0;
    };
    PendingSend GetPendingSend() const;

    // The live preset's name: the one the window shows, the device's live
    // slot is given and a saved file keeps.
    const std::string& GetName() const { return m_strName; }
    void SetName(const std::string& strName) { m_strName = strName; }

private:
    std::array<CTALVData, NUM_CHANNELS> m_aChannel;
    std::string m_strName = "NULL";
};

// Stores a preset given as records: the one writer of the file layout, used
// for the route itself and for presets converted from other forms.
void StorePreset(CArchive& ar, const std::array<ChannelRecord, NUM_CHANNELS>& aRecord, const std::string& strName);
