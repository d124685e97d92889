#include "GraphOverlay.h"

#include <QPainter>
#include <QPen>

#include "AlignPreview.h"
#include "Audio_OutData.h"
#include "BandCurve.h"
#include "ChannelTuning.h"
#include "GraphLevels.h"
#include "PlotMapping.h"
#include "QtColor.h"

namespace {
const QColor MEASURED_COLOUR(118, 128, 146);    // slate: what was measured
const QColor TARGET_COLOUR(225, 225, 225);      // light grey, dashed
const QColor PREDICTED_COLOUR(64, 224, 255);    // the skin's cyan: what it will be
const QColor SPREAD_COLOUR(118, 128, 146, 56);  // the measured slate, faint
const QColor CHANGE_COLOUR(255, 176, 32);       // amber: a band Apply would change
const QColor CHECK_COLOUR(144, 238, 96);        // green: measured again after Apply
constexpr int CHANGE_MARK_RADIUS = 3;
// The line the user tunes by stands out: drawn twice, a pixel apart, as
// thin lines cost a fraction of a wide pen's stroking.
constexpr int PREDICTED_LINES = 2;

bool IsChannel(int k)
{
    return k >= 0 && k < NUM_CHANNELS;
}

// The band between lowest and highest, one polygon per run of points both
// hold, dOffset below their levels.
void DrawSpread(QPainter& dc, const GridLevels& low, const GridLevels& high, double dOffset,
                const CAudio_OutData& display)
{
    const auto y = [&](double dB) { return DbToY(dB - dOffset, display.m_nHeight) + PLOT_TOP; };
    int i = 0;
    while (i < GRID_POINTS) {
        if (!low.abValid[i] || !high.abValid[i]) {
            ++i;
            continue;
        }
        int j = i;
        while (j < GRID_POINTS && low.abValid[j] && high.abValid[j])
            ++j;
        QPolygon band;
        for (int k = i; k < j; ++k)
            band << QPoint(display.m_aptCurve[k].x, y(high.adLevel[k]));
        for (int k = j; k-- > i;)
            band << QPoint(display.m_aptCurve[k].x, y(low.adLevel[k]));
        dc.drawPolygon(band);
        i = j;
    }
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

void CGraphOverlay::SetPreview(int k, const FitOutcome& outcome)
{
    if (!IsChannel(k))
        return;
    Preview preview;
    preview.predicted = outcome.after;
    for (int i = 0; i < GRID_POINTS; ++i)
        preview.adEqChange[i] = outcome.adEqAfter[i] - outcome.adEqBefore[i];
    preview.anGain = outcome.anGain;
    m_aPreview[static_cast<std::size_t>(k)] = preview;
}

void CGraphOverlay::ClearPreview(int k)
{
    if (IsChannel(k))
        m_aPreview[static_cast<std::size_t>(k)].reset();
}

void CGraphOverlay::SetCheck(int k, const GridLevels& measured)
{
    if (IsChannel(k))
        m_aCheck[static_cast<std::size_t>(k)] = measured;
}

void CGraphOverlay::ClearCheck(int k)
{
    if (IsChannel(k))
        m_aCheck[static_cast<std::size_t>(k)].reset();
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
    const std::optional<Preview>& preview = m_aPreview[static_cast<std::size_t>(k)];

    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    if (measurement.GetCount() > 1) {
        dc.setPen(Qt::NoPen);
        dc.setBrush(SPREAD_COLOUR);
        DrawSpread(dc, measurement.GetLowest(), measurement.GetHighest(), dReference, display);
        dc.setBrush(Qt::NoBrush);
    }
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
    DrawGridLevels(dc, preview ? preview->predicted : request.predicted, dReference, display, PREDICTED_LINES);
    if (const std::optional<GridLevels>& check = m_aCheck[static_cast<std::size_t>(k)]; check && !preview) {
        dc.setPen(QPen(CHECK_COLOUR, 1));
        DrawGridLevels(dc, *check, dReference, display);
    }
    if (preview) {
        // What Apply leaves everywhere, measured or not: the channel's curve.
        QPolygon curve(GRID_POINTS);
        for (int i = 0; i < GRID_POINTS; ++i)
            curve.setPoint(i, display.m_aptCurve[i].x,
                           DbToY(display.GetEQ().m_dSum[i] + preview->adEqChange[i], display.m_nHeight) + PLOT_TOP);
        dc.setPen(QPen(ToQColor(display.GetCurveColor()), 1, Qt::DotLine));
        dc.drawPolyline(curve);
    }
    dc.restore();
}

void CGraphOverlay::DrawOverHandles(QPainter& dc, const CAudio_OutData& display, int k) const
{
    if (!IsShown(k) || !m_aPreview[static_cast<std::size_t>(k)])
        return;
    const Preview& preview = *m_aPreview[static_cast<std::size_t>(k)];
    // Each band Apply changes: a line from its gain now to a ring at the new.
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setBrush(Qt::NoBrush);
    dc.setPen(QPen(CHANGE_COLOUR, 1));
    for (int b = 0; b < EQ_BANDS; ++b) {
        const int nNow = display.GetFilter(b).GetGainIndex();
        const int nAfter = preview.anGain[static_cast<std::size_t>(b)];
        if (nNow == nAfter)
            continue;
        const int x = display.m_aptCurve[NearestGridIndex(display.GetFilter(b).GetFrequency())].x;
        const int yNow = DbToY(GainOfIndex(nNow), display.m_nHeight) + PLOT_TOP;
        const int yAfter = DbToY(GainOfIndex(nAfter), display.m_nHeight) + PLOT_TOP;
        dc.drawLine(x, yNow, x, yAfter);
        dc.drawEllipse(QPoint(x, yAfter), CHANGE_MARK_RADIUS, CHANGE_MARK_RADIUS);
    }
    dc.restore();
}
