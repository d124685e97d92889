#include "ChannelMeasurement.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "FitLimits.h"
#include "HzText.h"

GridLevels AveragePositions(const std::vector<GridLevels>& aLevels, Averaging eAveraging)
{
    GridLevels average;
    for (int i = 0; i < GRID_POINTS; ++i) {
        bool bAll = !aLevels.empty();
        double dSum = 0.0;
        for (const GridLevels& levels : aLevels) {
            bAll = bAll && levels.abValid[i];
            dSum += eAveraging == Averaging::MeanPower ? std::pow(10.0, levels.adLevel[i] / 10.0) : levels.adLevel[i];
        }
        if (!bAll)
            continue;
        const double dMean = dSum / static_cast<double>(aLevels.size());
        average.abValid[i] = true;
        average.adLevel[i] = eAveraging == Averaging::MeanPower ? 10.0 * std::log10(dMean) : dMean;
    }
    return average;
}

bool CChannelMeasurement::Load(std::vector<MeasurementPosition> positions, const double (&adSumAtLoad)[GRID_POINTS],
                               std::string& strError)
{
    if (positions.empty() || positions.size() > static_cast<std::size_t>(MAX_MEASUREMENT_POSITIONS)) {
        strError = "a channel takes 1 to " + std::to_string(MAX_MEASUREMENT_POSITIONS) + " measurements, not " +
                   std::to_string(positions.size());
        return false;
    }
    double dLow = 0.0, dHigh = 1e300;
    for (const MeasurementPosition& p : positions) {
        dLow = std::max(dLow, p.data.GetLowHz());
        dHigh = std::min(dHigh, p.data.GetHighHz());
    }
    const bool bGridPoint =
        std::any_of(std::begin(g_dFreqGrid), std::end(g_dFreqGrid), [&](double f) { return f >= dLow && f <= dHigh; });
    if (!bGridPoint) {
        strError = "the measurements share no point of the graph's grid:";
        for (const MeasurementPosition& p : positions)
            strError += " " + p.strName + " (" + FormatHzRange(p.data.GetLowHz(), p.data.GetHighHz()) + ")";
        return false;
    }
    m_aPosition = std::move(positions);
    m_dLowHz = dLow;
    m_dHighHz = dHigh;
    std::copy(std::begin(adSumAtLoad), std::end(adSumAtLoad), std::begin(m_adSumAtLoad));
    Smooth();
    return true;
}

void CChannelMeasurement::Load(MeasurementData data, std::string strName, const double (&adSumAtLoad)[GRID_POINTS])
{
    std::vector<MeasurementPosition> positions;
    positions.push_back({std::move(data), std::move(strName)});
    std::string strError;
    Load(std::move(positions), adSumAtLoad, strError);
}

void CChannelMeasurement::Clear()
{
    // The fit settings stay: a channel measured again is usually fitted alike.
    m_aPosition.clear();
    m_smoothed = m_lowest = m_highest = m_guide = {};
}

void CChannelMeasurement::Smooth()
{
    std::vector<GridLevels> aSmoothed, aGuide;
    for (const MeasurementPosition& p : m_aPosition) {
        aSmoothed.push_back(MeasurementOnGrid(p.data, m_settings.nSmoothing));
        aGuide.push_back(MeasurementOnGrid(p.data, BOOST_GUIDE_SMOOTHING));
    }
    m_smoothed = AveragePositions(aSmoothed, m_settings.eAveraging);
    m_guide = AveragePositions(aGuide, m_settings.eAveraging);
    m_lowest = m_highest = m_smoothed;
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (!m_smoothed.abValid[i])
            continue;
        for (const GridLevels& levels : aSmoothed) {
            m_lowest.adLevel[i] = std::min(m_lowest.adLevel[i], levels.adLevel[i]);
            m_highest.adLevel[i] = std::max(m_highest.adLevel[i], levels.adLevel[i]);
        }
    }
}

void CChannelMeasurement::SetSettings(const FitSettings& settings)
{
    const bool bSmooth = settings.nSmoothing != m_settings.nSmoothing || settings.eAveraging != m_settings.eAveraging;
    m_settings = settings;
    if (bSmooth && IsLoaded())
        Smooth();
}

GridLevels CChannelMeasurement::Shifted(const GridLevels& levels, const double (&adSumNow)[GRID_POINTS]) const
{
    GridLevels shifted = levels;
    for (int i = 0; i < GRID_POINTS; ++i)
        shifted.adLevel[i] += adSumNow[i] - m_adSumAtLoad[i];
    return shifted;
}

GridLevels CChannelMeasurement::Predicted(const double (&adSumNow)[GRID_POINTS]) const
{
    return Shifted(m_smoothed, adSumNow);
}

FitRequest CChannelMeasurement::MakeRequest(const double (&adSumNow)[GRID_POINTS], double dCornerLowHz,
                                            double dCornerHighHz) const
{
    FitRequest request;
    request.predicted = Predicted(adSumNow);
    request.guide = Shifted(m_guide, adSumNow);
    request.smoothed = m_smoothed;
    if (IsLoaded()) {
        request.dSpanLowHz = m_dLowHz;
        request.dSpanHighHz = m_dHighHz;
    }
    request.settings = m_settings;
    request.dCornerLowHz = dCornerLowHz;
    request.dCornerHighHz = dCornerHighHz;
    return request;
}
