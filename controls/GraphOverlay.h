// What the response graph draws over its grid when the channel shown has a
// measurement: the smoothed measurement (muted; with several positions their
// average, and faintly the spread from the lowest to the highest), the
// target (dashed) and the response predicted with the channel as it is now,
// or as a fit would leave it (clear). The levels are drawn about the
// target's level, so the target sits on the graph's 0 dB line and the curves
// follow every edit at once. While a fit is previewed, the channel's own
// curve as Apply would leave it runs dotted over the whole grid, and every
// band Apply would change is marked from its gain now to its new gain. A
// check measured after Apply runs beside the prediction.
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
    // Shows the fit's outcome for channel k instead of what the channel
    // gives now, while a fit is being chosen.
    void SetPreview(int k, const FitOutcome& outcome);
    void ClearPreview(int k);
    // A measurement taken after Apply, drawn beside the prediction until the
    // channel's measurement changes.
    void SetCheck(int k, const GridLevels& measured);
    void ClearCheck(int k);

    bool IsShown(int k) const;
    // While channels are being aligned, their preview is drawn instead.
    void SetAlignPreview(const CAlignPreview* pPreview) { m_pAlignPreview = pPreview; }
    // Draws for the channel shown, whose curve display has just computed.
    void Draw(QPainter& dc, const CAudio_OutData& display, int k) const;
    // What goes over the handles' numbers: the marks of a previewed fit.
    void DrawOverHandles(QPainter& dc, const CAudio_OutData& display, int k) const;

private:
    struct Preview {
        GridLevels predicted;
        double adEqChange[GRID_POINTS];    // the bands summed, after less before
        std::array<int, EQ_BANDS> anGain;  // after the fit
    };

    std::array<const CChannelMeasurement*, NUM_CHANNELS> m_apMeasurement{};
    std::array<std::optional<Preview>, NUM_CHANNELS> m_aPreview;
    std::array<std::optional<GridLevels>, NUM_CHANNELS> m_aCheck;
    const CAlignPreview* m_pAlignPreview = nullptr;
};
