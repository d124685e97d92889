#include "Audio_OutData.h"

#include "PlotMapping.h"

CAudio_OutData::CAudio_OutData()
{
    m_eq.Create(0, EQ_ELEMENTS);
    // Until the window fills the record, its bands stand at the graphic
    // equaliser's centres rather than all at one frequency.
    m_eq.SetDefaultFrequencies(1);
}

void CAudio_OutData::SetArea(const CRect& rect)
{
    m_nHeight = rect.Height();
    m_nWidth = rect.Width();
    for (int i = 0; i < GRID_POINTS; ++i)
        m_aptCurve[i] = {FreqToX(g_dFreqGrid[i], m_nWidth) + PLOT_LEFT, m_nHeight / 2};
    m_eq.SetPlotRect(rect);
    Recompute();
}

void CAudio_OutData::Recompute()
{
    m_eq.SumCurve();
    for (int i = 0; i < GRID_POINTS; ++i)
        m_aptCurve[i].y = m_eq.m_ptCurve[i].y;
}

void CAudio_OutData::SetABFlag(int v)
{
    m_bABFlag = v;
    m_eq.SetDefaultFrequencies(v);
}

int CAudio_OutData::IsAllFlat()
{
    m_bAllFlat = m_eq.GetAt(0).IsFlat();
    for (int i = 0; i < m_eq.GetSize() - EQ_CROSSOVER_ELEMENTS; ++i)
        m_bAllFlat = m_bAllFlat && m_eq.GetAt(i).IsFlat();
    return m_bAllFlat;
}
