// One element of a channel as the response graph sees it: an equaliser band,
// the high-pass or the low-pass. It computes its response on the frequency
// grid, turns it into a closed outline in graph pixels, places its handle and
// label, and carries out the graph's drags.
#pragma once

#include <string>

#include "CrossoverResponse.h"
#include "FreqGrid.h"
#include "PlotTypes.h"

inline constexpr int FILTER_HIGH_PASS = 3;
inline constexpr int FILTER_LOW_PASS = 4;
inline constexpr int POLYGON_POINTS = GRID_POINTS + 2;
inline constexpr int GAIN_INDEX_FLAT = 200;
inline constexpr int GAIN_INDEX_MAX = 400;

class CFilter {
public:
    CFilter();

    void SetFrequency(int nFreq);
    void SetGainIndex(int nIndex);
    void SetQIndex(int nIndex);
    void SetSlope(int nSlope);
    void SetAlignment(int nAlign);
    void SetType(int nType);
    void SetBandHandle(int bBandHandle) { m_bBandHandle = bBandHandle; }
    void SetHPFDragEnabled(int bEnabled) { m_bHPFDragEnabled = bEnabled; }
    void SetLPFDragEnabled(int bEnabled) { m_bLPFDragEnabled = bEnabled; }
    void SetPlotRect(const CRect& rect);

    int GetType() const { return m_nType; }
    int GetFrequency() const { return m_nFreq; }
    int IsFlat() const { return m_bFlat; }
    double GetGain() const { return m_dGain; }
    int GetGainIndex() const;
    int GetQIndex() const;
    int GetSlope() const { return m_nSlope; }
    int GetAlignment() const { return m_nAlign; }
    const std::string& FormatLabel();

    void CalcCurve();
    // The sections the element's response is the product of, unity ones left
    // out: none for a flat band or a crossover filter that is off. Its curve
    // and its complex response both come from these.
    int GetSections(CrossoverSections& aSection) const;
    void GrabAt(CPoint pt);
    bool DragGain(CPoint pt);
    bool DragFrequency(CPoint pt, int nBoundFreq);

    void LayoutBandHandle();
    void LayoutCrossoverHandle();

    double m_dCurve[GRID_POINTS] = {};
    CPoint m_ptGrab;
    CRect m_rcHandle;
    int m_bHover = 0;
    int m_bDragging = 0;
    CPoint m_ptPolygon[POLYGON_POINTS];
    CRect m_rcLabel;
    std::string m_strLabel;

private:
    void LayoutHandle();

    int m_nType = 0;
    int m_nFreq = 1000;
    double m_dGain = 0.0;
    int m_bFlat = 1;
    double m_dBandwidth = 0.3;
    int m_nAlign = 2;
    int m_nSlope = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_bBandHandle = 1;
    int m_bHPFDragEnabled = 1;
    int m_bLPFDragEnabled = 1;
};
