// One channel of a preset, kept as the device frames that carry it: 31 band
// frames, a crossover frame and a channel frame, each with a dirty flag, so
// the link can send any change by copying bytes. Every operation that changes
// a frame leaves it with a valid checksum.
#pragma once

#include <array>
#include <memory>

#include "ChannelRecord.h"
#include "Frame.h"
#include "SendData.h"

class CArchive;

struct FRAME_SLOT {
    int m_bDirty = 0;
    BYTE m_abFrame[SHORT_FRAME_LEN] = {};
    bool operator==(const FRAME_SLOT&) const = default;
};

class CTALVData {
public:
    CTALVData();
    CTALVData(const CTALVData&) = delete;
    CTALVData& operator=(const CTALVData&) = delete;

    void SetChannel(int nCh);
    void Reset();
    void ClearDirty();

    // Getters return what is stored (crossover frequencies: the targets).
    short GetBandFreq(int nBand) const;
    short GetGain(int nBand) const;
    short GetQ(int nBand) const;
    short GetBandReserved(int nBand) const;
    // The gain a bypassed band returns to; the gain itself for others.
    int GetSavedGain(int nBand) const;
    short GetHpfFreq() const { return m_nHpfTarget; }
    short GetLpfFreq() const { return m_nLpfTarget; }
    short GetHpfCurrentFreq() const { return GetWord(&m_xoverSlot.m_abFrame[XO_HPF_FREQ]); }
    short GetLpfCurrentFreq() const { return GetWord(&m_xoverSlot.m_abFrame[XO_LPF_FREQ]); }
    BYTE GetHpfType() const { return m_xoverSlot.m_abFrame[XO_HPF_TYPE]; }
    BYTE GetHpfSlope() const { return m_xoverSlot.m_abFrame[XO_HPF_SLOPE]; }
    BYTE GetLpfType() const { return m_xoverSlot.m_abFrame[XO_LPF_TYPE]; }
    BYTE GetLpfSlope() const { return m_xoverSlot.m_abFrame[XO_LPF_SLOPE]; }
    int IsHpfOff() const { return m_bHpfOff; }
    int IsLpfOff() const { return m_bLpfOff; }
    int IsChannelOff() const { return m_bChannelOff; }
    BYTE GetOutputOn() const { return m_chanSlot.m_abFrame[CH_OUTPUT]; }
    BYTE GetPolarity() const { return m_chanSlot.m_abFrame[CH_POLARITY]; }
    short GetChannelGain() const { return GetWord(&m_chanSlot.m_abFrame[CH_GAIN]); }
    short GetDelay() const { return GetWord(&m_chanSlot.m_abFrame[CH_DELAY]); }
    int GetGateThreshold() const;  // the entered value, 10..40
    BYTE GetGateByte() const { return m_chanSlot.m_abFrame[CH_GATE]; }
    BYTE GetInputLevel() const { return m_chanSlot.m_abFrame[CH_INPUT_LEVEL]; }
    int GetABFlag() const { return m_bABFlag; }
    int GetChannel() const { return m_nChannel; }

    // Band equaliser.
    void SetGain(short nGain, int nBand);
    void SetQ(short nQ, int nBand);
    void SetBandBypass(int nBand, int bOn);
    int IsBandBypassed(int nBand) const;
    bool AreAllBandsBypassed() const;
    void SetEqBypassAll(int bOn);

    // Crossover.
    void SetHpfFreq(short nFreq);
    void SetLpfFreq(short nFreq);
    void SetHpfType(BYTE nType);
    void SetHpfSlope(BYTE nSlope);
    void SetLpfType(BYTE nType);
    void SetLpfSlope(BYTE nSlope);
    void StepCrossoverRamp();

    // Channel section.
    void SetOutputOn(BYTE v);
    void SetOutputOnSilent(BYTE v);
    void SetPolarity(BYTE v);
    void SetChannelGain(short v);
    void SetDelay(short v);
    void SetGateThreshold(int nEntered);
    void SetInputLevel(BYTE v);

    // Whole-channel copies and loads.
    void CopyLinked(const CTALVData& src);
    void CopyAll(const CTALVData& src);
    void LoadFromBlock(const BYTE* pBlock);
    // Whether loading the block would change any value the channel holds
    // (the gains kept for bypassed bands aside, which a block cannot carry).
    bool HoldsBlock(const BYTE* pBlock) const;

    // One 280-byte channel record of the preset file.
    void Serialize(CArchive& ar);
    ChannelRecord GetRecord() const;
    // Saving ends a ramp in progress: the file holds the targets.
    void FinishCrossoverRamp();

    // Dirty marks, read and cleared by the route and the bulk update.
    bool IsBandDirty(int nBand) const;
    void ClearBandDirty(int nBand);
    bool IsCrossoverDirty() const { return m_xoverSlot.m_bDirty != 0; }
    void ClearCrossoverDirty() { m_xoverSlot.m_bDirty = 0; }
    bool IsChannelDirty() const { return m_chanSlot.m_bDirty != 0; }
    void ClearChannelDirty() { m_chanSlot.m_bDirty = 0; }
    bool IsAnyDirty() const;
    // Frames marked for sending (a crossover ramp under way counts once).
    int CountDirty() const;

    // Everything the channel holds, the hidden marks included (saved gains,
    // bypass marks, crossover targets, dirty flags), so two moments of a
    // channel can be compared whole; the block buffer is scratch, left out.
    struct State {
        std::array<FRAME_SLOT, NUM_BANDS> aBandSlot{};
        std::array<int, NUM_BANDS> anSavedGain{};
        std::array<int, NUM_BANDS> abBandBypass{};
        std::array<int, NUM_BANDS> abBypassAllMark{};
        std::array<int, NUM_BANDS> abSavedBypassAllMark{};
        FRAME_SLOT xoverSlot;
        short nHpfTarget = 0;
        short nLpfTarget = 0;
        FRAME_SLOT chanSlot;
        int bABFlag = 0;
        int bHpfOff = 0;
        int bLpfOff = 0;
        int bChannelOff = 0;
        bool operator==(const State&) const = default;
    };
    State GetState() const;

    // What undo keeps of a channel: every value, the crossover at its
    // targets, and the marks that let a bypassed band come back; no dirty
    // flags and no frame bytes, so it is compact.
    struct BandSetting {
        short nFreq = 0;
        short nGain = 0;
        short nQ = 0;
        short nReserved = 0;
        short nSavedGain = 0;
        BYTE bBypass = 0;
        BYTE bBypassAllMark = 0;
        BYTE bSavedBypassAllMark = 0;
        bool operator==(const BandSetting&) const = default;
    };
    struct Setting {
        std::array<BandSetting, NUM_BANDS> aBand{};
        short nHpfTarget = 0;
        short nLpfTarget = 0;
        BYTE nHpfType = 0;
        BYTE nHpfSlope = 0;
        BYTE nLpfType = 0;
        BYTE nLpfSlope = 0;
        BYTE nOutput = 0;
        BYTE nPolarity = 0;
        short nGain = 0;
        short nDelay = 0;
        BYTE nGate = 0;
        BYTE nInputLevel = 0;
        BYTE bABFlag = 0;
        BYTE bHpfOff = 0;
        BYTE bLpfOff = 0;
        BYTE bChannelOff = 0;
        bool operator==(const Setting&) const = default;
    };
    Setting GetSetting() const;
    // Takes a setting back, this channel alone (nothing is copied to linked
    // channels). Exactly the frames whose values differ are marked for
    // sending; a crossover frequency that changes ramps there as after any
    // edit.
    void RestoreSetting(const Setting& s);

    // Stored frames, for inspection.
    const BYTE* GetBandFrame(int nBand) const;
    const BYTE* GetCrossoverFrame() const { return m_xoverSlot.m_abFrame; }
    const BYTE* GetChannelFrame() const { return m_chanSlot.m_abFrame; }

    // Frame builders: each returns a new frame object that the caller owns.
    std::unique_ptr<CSendData> BuildBandFrame(int nBand) const;
    std::unique_ptr<CSendData> BuildCrossoverFrame();
    std::unique_ptr<CSendData> BuildChannelFrame() const;
    std::unique_ptr<CSendData> BuildBlockWrite(int nSlot);
    // The whole channel as its block write to the live slot, the crossover
    // where it is going and every mark cleared: a change of many frames as
    // the one frame the line carries sooner than they.
    std::unique_ptr<CSendData> TakeLiveBlockWrite();
    std::unique_ptr<CSendData> BuildBlockRequest(int nSlot) const;

private:
    static bool IsValidBand(int nBand) { return nBand >= 0 && nBand < NUM_BANDS; }
    BYTE* Band(int nBand) { return m_aBandSlot[nBand].m_abFrame; }
    const BYTE* Band(int nBand) const { return m_aBandSlot[nBand].m_abFrame; }
    BYTE* Xover() { return m_xoverSlot.m_abFrame; }
    BYTE* Chan() { return m_chanSlot.m_abFrame; }
    static void Seal(FRAME_SLOT& slot);
    void SealAll();

    template <typename F> void ForEachLinked(F fn);
    void SetBandGainWord(int nBand, int nGain);
    void LoadBandGain(int nBand, int nGain);
    void SetFilterFreqs(int nHpf, int nLpf);

    void PropagateBand(int nBand);
    void CopyBandFrom(int nBand, const CTALVData& src);
    void PropagateCrossover();
    void CopyCrossoverFrom(const CTALVData& src);
    void PropagateChannel();
    void CopyChannelFrom(const CTALVData& src);
    void ApplyEqBypassAll(int bOn);
    void PropagateEqBypassAll(int bOn);
    void CopyCommon(const CTALVData& src);
    void MarkUnfinishedRamp();
    void ChannelChanged(bool bPropagate);

    FRAME_SLOT m_aBandSlot[NUM_BANDS];
    int m_anSavedGain[NUM_BANDS] = {};
    int m_abBandBypass[NUM_BANDS] = {};
    int m_abBypassAllMark[NUM_BANDS] = {};
    int m_abSavedBypassAllMark[NUM_BANDS] = {};
    FRAME_SLOT m_xoverSlot;
    short m_nHpfTarget = 0;
    short m_nLpfTarget = 0;
    FRAME_SLOT m_chanSlot;
    BYTE m_abBlock[BLOCK_FRAME_LEN] = {};
    int m_bABFlag = 1;
    int m_bHpfOff = 0;
    int m_bLpfOff = 0;
    int m_bChannelOff = 0;
    int m_nChannel = 0;
};
