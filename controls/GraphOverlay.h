// What the response graph draws over its grid when the channel shown has a
// measurement: the smoothed measurement (muted), the target (dashed) and the
// response predicted with the channel as it is now, or as a fit would leave
// it (clear). The levels are drawn about the target's level, so the target
// sits on the graph's 0 dB line and the curves follow every edit at once.
#pragma once

#include <array>
#include <optional>

#include "ChannelMeasurement.h"
#include "Frame.h"

class CAlignPreview;
class CAudio_OutData;
class QPainter;

class CGraphOverlay {
public:
    // The measurement of channel k (null: none); the overlay only reads it.
    void SetMeasurement(int k, const CChannelMeasurement* pMeasurement);
    // Shows predicted for channel k instead of what the channel gives now,
    // while a fit is being chosen.
    void SetPreview(int k, const GridLevels& predicted);
    void ClearPreview(int k);

    bool IsShown(int k) const;
    // While channels are being aligned, their preview is drawn instead.
    void SetAlignPreview(const CAlignPreview* pPreview) { m_pAlignPreview = pPreview; }
    // Draws for the channel shown, whose curve display has just computed.
    void Draw(QPainter& dc, const CAudio_OutData& display, int k) const;

private:
    std::array<const CChannelMeasurement*, NUM_CHANNELS> m_apMeasurement{};
    std::array<std::optional<GridLevels>, NUM_CHANNELS> m_aPreview;
    const CAlignPreview* m_pAlignPreview = nullptr;
};
