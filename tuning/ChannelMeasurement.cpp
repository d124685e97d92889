#include "ChannelMeasurement.h"

#include <algorithm>
#include <iterator>

void CChannelMeasurement::Load(MeasurementData data, std::string strName, const double (&adSumAtLoad)[GRID_POINTS])
{
    m_data = std::move(data);
    m_strName = std::move(strName);
    std::copy(std::begin(adSumAtLoad), std::end(adSumAtLoad), std::begin(m_adSumAtLoad));
    m_smoothed = MeasurementOnGrid(m_data, m_settings.nSmoothing);
    m_bLoaded = true;
}

void CChannelMeasurement::Clear()
{
    // The fit settings stay: a channel measured again is usually fitted alike.
    m_bLoaded = false;
    m_data = {};
    m_strName.clear();
    m_smoothed = {};
}

void CChannelMeasurement::SetSettings(const FitSettings& settings)
{
    const bool bSmooth = settings.nSmoothing != m_settings.nSmoothing;
    m_settings = settings;
    if (bSmooth && m_bLoaded)
        m_smoothed = MeasurementOnGrid(m_data, m_settings.nSmoothing);
}

GridLevels CChannelMeasurement::Predicted(const double (&adSumNow)[GRID_POINTS]) const
{
    GridLevels predicted = m_smoothed;
    for (int i = 0; i < GRID_POINTS; ++i)
        predicted.adLevel[i] += adSumNow[i] - m_adSumAtLoad[i];
    return predicted;
}

FitRequest CChannelMeasurement::MakeRequest(const double (&adSumNow)[GRID_POINTS], double dCornerLowHz,
                                            double dCornerHighHz) const
{
    FitRequest request;
    request.predicted = Predicted(adSumNow);
    request.smoothed = m_smoothed;
    if (m_bLoaded) {
        request.dSpanLowHz = m_data.GetLowHz();
        request.dSpanHighHz = m_data.GetHighHz();
    }
    request.settings = m_settings;
    request.dCornerLowHz = dCornerLowHz;
    request.dCornerHighHz = dCornerHighHz;
    return request;
}
