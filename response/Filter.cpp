#include "Filter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "BandCurve.h"
#include "BandResponse.h"
#include "CrossoverResponse.h"
#include "FreqTables.h"
#include "GridKernels.h"
#include "PlotMapping.h"

namespace {
// Handle and label geometry in pixels.
constexpr int HANDLE_HALF = 8;
constexpr int HANDLE_SIZE = 16;
constexpr int HANDLE_LEFT_AT_20KHZ = 30;  // the handle at 20 kHz is 5 pixels wider
constexpr double HIGH_PASS_HANDLE_DB = -20.0;
constexpr double LOW_PASS_HANDLE_DB = -25.0;

struct LabelShape {
    int nAbove;  // label top relative to the handle top
    int nReach;  // how far right of the handle it reaches
    int nWidth;  // its width when pushed against the right edge
};
constexpr LabelShape PEAKING_LABEL{-15, 150, 170};
constexpr LabelShape SHELF_LABEL{25, 90, 116};
constexpr LabelShape HIGH_PASS_LABEL{10, 50, 66};
constexpr LabelShape LOW_PASS_LABEL{-10, 50, 66};
constexpr int LABEL_BELOW_HANDLE = 25;

bool IsBandType(int nType)
{
    return nType == BAND_PEAKING || nType == BAND_LOW_SHELF || nType == BAND_HIGH_SHELF;
}

void PlaceLabel(CRect& rcLabel, const CRect& rcHandle, const LabelShape& shape, int nWidth)
{
    rcLabel.top = rcHandle.top + shape.nAbove;
    if (rcHandle.right + shape.nReach > nWidth + PLOT_LEFT) {
        rcLabel.right = nWidth + PLOT_LEFT;
        rcLabel.left = rcLabel.right - shape.nWidth;
    } else {
        rcLabel.left = rcHandle.left;
        rcLabel.right = rcHandle.right + shape.nReach;
    }
    rcLabel.bottom = rcHandle.bottom + LABEL_BELOW_HANDLE;
}
}  // namespace

CFilter::CFilter()
{
    CalcCurve();
}

void CFilter::LayoutHandle()
{
    if (m_bBandHandle)
        LayoutBandHandle();
    else
        LayoutCrossoverHandle();
}

void CFilter::SetFrequency(int nFreq)
{
    m_nFreq = nFreq;
    LayoutHandle();
    CalcCurve();
}

void CFilter::SetGainIndex(int nIndex)
{
    nIndex = std::clamp(nIndex, 0, GAIN_INDEX_MAX);
    m_dGain = GainOfIndex(nIndex);
    m_bFlat = m_dGain == 0.0;
    if (m_bBandHandle)
        LayoutBandHandle();
    CalcCurve();
}

void CFilter::SetQIndex(int nIndex)
{
    nIndex = std::clamp(nIndex, 0, BANDWIDTH_Q_COUNT - 1);
    m_dBandwidth = BandwidthOfQIndex(nIndex);
    CalcCurve();
}

void CFilter::SetSlope(int nSlope)
{
    m_nSlope = nSlope;
    CalcCurve();
}

void CFilter::SetAlignment(int nAlign)
{
    m_nAlign = nAlign;
    CalcCurve();
}

void CFilter::SetType(int nType)
{
    m_nType = nType;
    CalcCurve();
}

void CFilter::SetPlotRect(const CRect& rect)
{
    m_nHeight = rect.Height();
    m_nWidth = rect.Width();
    LayoutHandle();
    const int y0 = DbToY(0.0, m_nHeight) + PLOT_TOP;
    m_ptPolygon[0] = {PLOT_LEFT, y0};
    m_ptPolygon[POLYGON_POINTS - 1] = {m_nWidth + PLOT_LEFT, y0};
    for (int i = 0; i < GRID_POINTS; ++i)
        m_ptPolygon[i + 1].x = FreqToX(g_dFreqGrid[i], m_nWidth) + PLOT_LEFT;
    CalcCurve();
}

int CFilter::GetGainIndex() const
{
    if (m_bFlat)
        return GAIN_INDEX_FLAT;
    return static_cast<int>((m_dGain + 20.0) * 100.0 / 10.0 + 0.5);
}

int CFilter::GetQIndex() const
{
    return static_cast<int>(std::lround(m_dBandwidth * 100.0 - 5.0));
}

const std::string& CFilter::FormatLabel()
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%dHZ ", m_nFreq);
    m_strLabel = buf;
    if (m_nType == BAND_PEAKING) {
        const int nQ = std::clamp(GetQIndex(), 0, BANDWIDTH_Q_COUNT - 1);
        std::snprintf(buf, sizeof buf, "%.2fQ ", g_dBandwidthQ[nQ]);
        m_strLabel += buf;
    }
    if (IsBandType(m_nType)) {
        if (m_bFlat) {
            m_strLabel += "0.0";
        } else {
            std::snprintf(buf, sizeof buf, "%.1f", m_dGain);
            m_strLabel += buf;
        }
        m_strLabel += "dB";
    }
    return m_strLabel;
}

int CFilter::GetSections(CrossoverSections& aSection) const
{
    int n = 0;
    const auto add = [&](const BiquadSection& section) {
        if (!section.IsUnity())
            aSection[static_cast<std::size_t>(n++)] = section;
    };
    switch (m_nType) {
    case BAND_PEAKING:
        if (!m_bFlat)
            add(PeakingSection(m_nFreq, m_dGain, m_dBandwidth));
        break;
    case BAND_LOW_SHELF:
    case BAND_HIGH_SHELF:
        if (!m_bFlat)
            add(ShelfSection(m_nType, m_nFreq, m_dGain, m_nSlope));
        break;
    case FILTER_HIGH_PASS:
    case FILTER_LOW_PASS: {
        CrossoverSections sections;
        const int nCount = CrossoverElementSections(m_nType == FILTER_HIGH_PASS, m_nFreq, m_nAlign, m_nSlope, sections);
        for (int k = 0; k < nCount; ++k)
            add(sections[static_cast<std::size_t>(k)]);
        break;
    }
    default:
        break;  // an unknown element draws flat
    }
    return n;
}

void CFilter::CalcCurve()
{
    CrossoverSections sections;
    const int nSections = GetSections(sections);
    if (nSections > 0) {
        double ratio[GRID_POINTS];
        std::fill(std::begin(ratio), std::end(ratio), 1.0);
        for (int k = 0; k < nSections; ++k)
            MultiplyPowerRatio(sections[static_cast<std::size_t>(k)], ratio);
        PowerRatioToDb(ratio, m_dCurve);
    } else {
        std::fill(std::begin(m_dCurve), std::end(m_dCurve), 0.0);
    }
    int y[GRID_POINTS];
    LevelsToPixels(m_dCurve, m_nHeight, y);
    for (int i = 0; i < GRID_POINTS; ++i)
        m_ptPolygon[i + 1].y = y[i] + PLOT_TOP;
}

void CFilter::LayoutBandHandle()
{
    const int W = m_nWidth;
    const int H = m_nHeight;
    int x = FreqToX(m_nFreq, W) - HANDLE_HALF;
    int y = DbToY(m_bFlat ? 0.0 : m_dGain, H) - HANDLE_HALF;
    if (x < -HANDLE_HALF)
        x = -HANDLE_HALF;
    if (y < -HANDLE_HALF)
        y = -HANDLE_HALF;
    if (y <= 0)
        y = 0;
    int right = x + HANDLE_SIZE;
    int bottom = y + HANDLE_SIZE;
    if (right > W + HANDLE_HALF) {
        right = W + HANDLE_HALF;
        x = right - HANDLE_SIZE;
    }
    if (bottom > H + HANDLE_HALF) {
        bottom = H + HANDLE_HALF;
        y = bottom - HANDLE_SIZE;
    }
    m_rcHandle = {x + (m_nFreq >= LOW_PASS_OFF_HZ ? HANDLE_LEFT_AT_20KHZ : PLOT_LEFT), y + PLOT_TOP, right + PLOT_LEFT,
                  bottom + PLOT_TOP};
    PlaceLabel(m_rcLabel, m_rcHandle, m_nType == BAND_PEAKING ? PEAKING_LABEL : SHELF_LABEL, W);
}

void CFilter::LayoutCrossoverHandle()
{
    const int W = m_nWidth;
    const bool bHighPass = m_nType == FILTER_HIGH_PASS;
    int x = FreqToX(m_nFreq, W) - HANDLE_HALF;
    const int y = DbToY(bHighPass ? HIGH_PASS_HANDLE_DB : LOW_PASS_HANDLE_DB, m_nHeight);
    if (x <= -HANDLE_HALF)
        x = -HANDLE_HALF;
    int right = x + HANDLE_SIZE;
    const int bottom = y + HANDLE_SIZE;
    if (right > W + HANDLE_HALF) {
        right = W + HANDLE_HALF;
        x = right - HANDLE_SIZE;
    }
    m_rcHandle = {x + PLOT_LEFT, y + PLOT_TOP, right + PLOT_LEFT, bottom + PLOT_TOP};
    PlaceLabel(m_rcLabel, m_rcHandle, bHighPass ? HIGH_PASS_LABEL : LOW_PASS_LABEL, W);
}

void CFilter::GrabAt(CPoint pt)
{
    const CPoint centre = m_rcHandle.CenterPoint();
    m_ptGrab = {pt.x - centre.x, pt.y - centre.y};
}

bool CFilter::DragGain(CPoint pt)
{
    const int y = std::clamp(pt.y - m_ptGrab.y - PLOT_TOP, 0, std::max(m_nHeight, 0));
    const int nOld = GetGainIndex();
    m_dGain = std::clamp(YToDb(y, m_nHeight), GAIN_MIN_DB, GAIN_MAX_DB);
    m_bFlat = m_dGain == 0.0;
    const int nNew = GetGainIndex();
    // At the top edge the change is always reported, so the value follows
    // the pointer out of the plot.
    const bool bChanged = nNew != nOld || y == 0;
    m_dGain = GainOfIndex(nNew);
    LayoutBandHandle();
    CalcCurve();
    return bChanged;
}

bool CFilter::DragFrequency(CPoint pt, int nBoundFreq)
{
    const bool bHighPass = m_nType == FILTER_HIGH_PASS;
    if (!bHighPass && m_nType != FILTER_LOW_PASS)
        return false;
    if ((bHighPass && !m_bHPFDragEnabled) || (!bHighPass && !m_bLPFDragEnabled))
        return false;
    int x = pt.x - m_ptGrab.x - PLOT_LEFT;
    if (x <= 0) {
        x = 0;
        if (bHighPass) {
            // Dragged to the left edge: the high-pass is switched off.
            SetFrequency(HIGH_PASS_OFF_HZ);
            return true;
        }
    }
    if (x >= m_nWidth)
        x = m_nWidth;
    int nNew = XToFreq(x, m_nWidth);
    if (nNew == m_nFreq)
        return false;
    if (bHighPass)
        nNew = std::min(nNew, nBoundFreq);  // never past the low-pass
    else
        nNew = std::max(nNew, nBoundFreq);  // never below the high-pass
    SetFrequency(nNew);
    return true;
}
