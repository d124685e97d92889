#include "GraphOverlay.h"

#include <QPainter>
#include <QPen>

#include "AlignPreview.h"
#include "Audio_OutData.h"
#include "ChannelTuning.h"
#include "GraphLevels.h"

namespace {
const QColor MEASURED_COLOUR(118, 128, 146);  // slate: what was measured
const QColor TARGET_COLOUR(225, 225, 225);    // light grey, dashed
const QColor PREDICTED_COLOUR(64, 224, 255);  // the skin's cyan: what it will be
// The line the user tunes by stands out: drawn twice, a pixel apart, as
// thin lines cost a fraction of a wide pen's stroking.
constexpr int PREDICTED_LINES = 2;

bool IsChannel(int k)
{
    return k >= 0 && k < NUM_CHANNELS;
}

// The level the curves are drawn about: the target's mean over the range,
// which is the smoothed measurement's mean there; with nothing in range, the
// measurement's mean over its span, so it still shows.
double ReferenceLevel(const FitOutcome& frame, const GridLevels& smoothed)
{
    double dSum = 0.0;
    int n = 0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (frame.range.nPoints > 0 ? frame.range.abIn[i] && frame.target.abValid[i] : smoothed.abValid[i]) {
            dSum += frame.range.nPoints > 0 ? frame.target.adLevel[i] : smoothed.adLevel[i];
            ++n;
        }
    }
    return n > 0 ? dSum / n : 0.0;
}
}  // namespace

void CGraphOverlay::SetMeasurement(int k, const CChannelMeasurement* pMeasurement)
{
    if (IsChannel(k))
        m_apMeasurement[static_cast<std::size_t>(k)] = pMeasurement;
}

void CGraphOverlay::SetPreview(int k, const GridLevels& predicted)
{
    if (IsChannel(k))
        m_aPreview[static_cast<std::size_t>(k)] = predicted;
}

void CGraphOverlay::ClearPreview(int k)
{
    if (IsChannel(k))
        m_aPreview[static_cast<std::size_t>(k)].reset();
}

bool CGraphOverlay::IsShown(int k) const
{
    return IsChannel(k) && m_apMeasurement[static_cast<std::size_t>(k)] &&
           m_apMeasurement[static_cast<std::size_t>(k)]->IsLoaded();
}

void CGraphOverlay::Draw(QPainter& dc, const CAudio_OutData& display, int k) const
{
    if (m_pAlignPreview && m_pAlignPreview->IsShown()) {
        m_pAlignPreview->Draw(dc, display);
        return;
    }
    if (!IsShown(k))
        return;
    const CChannelMeasurement& measurement = *m_apMeasurement[static_cast<std::size_t>(k)];
    const double(&adSum)[GRID_POINTS] = display.GetEQ().m_dSum;
    const FitRequest request = measurement.MakeRequest(adSum, HighPassCornerHz(display), LowPassCornerHz(display));
    const FitOutcome frame = FitFrame(request);
    const double dReference = ReferenceLevel(frame, measurement.GetSmoothed());
    const std::optional<GridLevels>& preview = m_aPreview[static_cast<std::size_t>(k)];

    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setPen(QPen(MEASURED_COLOUR, 1));
    DrawGridLevels(dc, measurement.GetSmoothed(), dReference, display);
    if (frame.range.nPoints > 0) {
        QPen dashed(TARGET_COLOUR, 1, Qt::DashLine);
        dc.setPen(dashed);
        // The target only where it is fitted.
        GridLevels target = frame.target;
        for (int i = 0; i < GRID_POINTS; ++i)
            target.abValid[i] = target.abValid[i] && frame.range.abIn[i];
        DrawGridLevels(dc, target, dReference, display);
    }
    dc.setPen(QPen(PREDICTED_COLOUR, 1));
    DrawGridLevels(dc, preview ? *preview : request.predicted, dReference, display, PREDICTED_LINES);
    dc.restore();
}
