#include "EQ.h"

#include <algorithm>

#include "FreqTables.h"
#include "GridKernels.h"
#include "PlotMapping.h"

void CEQ::Create(int bGraphic, int nCount)
{
    if (bGraphic) {
        for (int i = 0; i < nCount; ++i) {
            auto pFilter = std::make_unique<CFilter>();
            if (i < GRAPHIC_EQ_BANDS)
                pFilter->SetFrequency(g_nGraphicEqFreq[i]);
            m_aFilter.push_back(std::move(pFilter));
        }
        return;
    }
    for (int i = 0; i < nCount - EQ_CROSSOVER_ELEMENTS; ++i)
        m_aFilter.push_back(std::make_unique<CFilter>());
    auto pHighPass = std::make_unique<CFilter>();
    pHighPass->SetType(FILTER_HIGH_PASS);
    pHighPass->SetBandHandle(0);
    pHighPass->SetFrequency(HIGH_PASS_OFF_HZ);
    m_aFilter.push_back(std::move(pHighPass));
    auto pLowPass = std::make_unique<CFilter>();
    pLowPass->SetType(FILTER_LOW_PASS);
    pLowPass->SetBandHandle(0);
    pLowPass->SetFrequency(LOW_PASS_OFF_HZ);
    m_aFilter.push_back(std::move(pLowPass));
}

void CEQ::SetDefaultFrequencies(int bFlag)
{
    if (bFlag) {
        for (int j = 0; j < EQ_BANDS && j < GetSize(); ++j)
            GetAt(j).SetFrequency(g_nGraphicEqFreq[j]);
    } else {
        for (int i = 0; i < LOW15_BANDS && i < GetSize(); ++i)
            GetAt(i).SetFrequency(g_nBandFreqLow15[i]);
    }
}

void CEQ::SetPlotRect(const CRect& rect)
{
    m_nHeight = rect.Height();
    m_nWidth = rect.Width();
    for (int i = 0; i < GRID_POINTS; ++i)
        m_ptCurve[i] = {FreqToX(g_dFreqGrid[i], m_nWidth) + PLOT_LEFT, m_nHeight / 2};
    for (auto& pFilter : m_aFilter)
        pFilter->SetPlotRect(rect);
}

void CEQ::SumCurve()
{
    std::fill(std::begin(m_dSum), std::end(m_dSum), 0.0);
    for (const auto& pFilter : m_aFilter)
        AccumulateLevels(pFilter->m_dCurve, m_dSum);
    int y[GRID_POINTS];
    LevelsToPixels(m_dSum, m_nHeight, y);
    for (int i = 0; i < GRID_POINTS; ++i)
        m_ptCurve[i].y = y[i] + PLOT_TOP;
}
