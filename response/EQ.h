// A channel's filter set: 31 equaliser bands, the high-pass (element 31) and
// the low-pass (element 32), and their summed response in graph pixels.
#pragma once

#include <memory>
#include <vector>

#include "Filter.h"

inline constexpr int EQ_BANDS = 31;
inline constexpr int EQ_HIGH_PASS = 31;
inline constexpr int EQ_LOW_PASS = 32;
inline constexpr int EQ_ELEMENTS = 33;
inline constexpr int EQ_CROSSOVER_ELEMENTS = 2;

class CEQ {
public:
    // bGraphic 0: nCount - 2 bands, then the high-pass and low-pass, both
    // off. Otherwise nCount bands at the 31 band frequencies.
    void Create(int bGraphic, int nCount);
    void SetDefaultFrequencies(int bFlag);
    void SetPlotRect(const CRect& rect);
    void SumCurve();

    int GetSize() const { return static_cast<int>(m_aFilter.size()); }
    CFilter& GetAt(int i) { return *m_aFilter.at(static_cast<std::size_t>(i)); }
    const CFilter& GetAt(int i) const { return *m_aFilter.at(static_cast<std::size_t>(i)); }

    CPoint m_ptCurve[GRID_POINTS];
    int m_nHeight = 0;
    int m_nWidth = 0;
    // The summed level in dB behind m_ptCurve.
    double m_dSum[GRID_POINTS] = {};

private:
    std::vector<std::unique_ptr<CFilter>> m_aFilter;
};
