// What the response graph draws for one channel: its 33 filter elements,
// their summed curve in graph pixels, and the channel's colours. Never saved
// and never sent; the window fills it from the preset.
#pragma once

#include "ColorRef.h"
#include "EQ.h"

class CAudio_OutData {
public:
    CAudio_OutData();

    void SetArea(const CRect& rect);
    void Recompute();
    void SetABFlag(int v);
    int GetABFlag() const { return m_bABFlag; }

    CFilter& GetFilter(int i) { return m_eq.GetAt(i); }
    const CFilter& GetFilter(int i) const { return m_eq.GetAt(i); }
    CFilter& GetHighPass() { return m_eq.GetAt(EQ_HIGH_PASS); }
    CFilter& GetLowPass() { return m_eq.GetAt(EQ_LOW_PASS); }
    static constexpr int GetHighPassIndex() { return EQ_HIGH_PASS; }
    static constexpr int GetLowPassIndex() { return EQ_LOW_PASS; }
    int GetFilterCount() const { return m_eq.GetSize(); }
    CEQ& GetEQ() { return m_eq; }
    const CEQ& GetEQ() const { return m_eq; }

    void SetCurveColor(COLORREF cr) { m_crCurve = cr; }
    COLORREF GetCurveColor() const { return m_crCurve; }
    void SetCurveColor2(COLORREF cr) { m_crCurve2 = cr; }
    COLORREF GetCurveColor2() const { return m_crCurve2; }

    // True when every band element is flat; the crossovers do not count.
    int IsAllFlat();

    CPoint m_aptCurve[GRID_POINTS];
    int m_nHeight = 0;
    int m_nWidth = 0;

private:
    CEQ m_eq;
    COLORREF m_crCurve = 0;
    COLORREF m_crCurve2 = 0;
    int m_bABFlag = 0;
    int m_bAllFlat = 0;
};
