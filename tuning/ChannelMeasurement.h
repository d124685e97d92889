// One channel's measurement for the session: the rows as read, the channel's
// summed response when it was loaded (what the loudspeaker was measured
// through), the settings of the channel's fit, and the measurement smoothed
// onto the grid by them. From these it tells what the channel gives with any
// response it has now.
#pragma once

#include <string>

#include "EqFit.h"
#include "MeasurementData.h"

class CChannelMeasurement {
public:
    // adSumAtLoad: the channel's summed response in dB on the grid, as it
    // stands while the measurement is taken in.
    void Load(MeasurementData data, std::string strName, const double (&adSumAtLoad)[GRID_POINTS]);
    void Clear();
    bool IsLoaded() const { return m_bLoaded; }
    const std::string& GetName() const { return m_strName; }
    const MeasurementData& GetData() const { return m_data; }

    const FitSettings& GetSettings() const { return m_settings; }
    // Smooths the measurement again when the smoothing changes.
    void SetSettings(const FitSettings& settings);
    const GridLevels& GetSmoothed() const { return m_smoothed; }

    // The measurement less the response it was taken with plus adSumNow.
    GridLevels Predicted(const double (&adSumNow)[GRID_POINTS]) const;
    // A fit request without its bands, for a channel now at adSumNow with
    // these crossover corners.
    FitRequest MakeRequest(const double (&adSumNow)[GRID_POINTS], double dCornerLowHz, double dCornerHighHz) const;

private:
    bool m_bLoaded = false;
    MeasurementData m_data;
    std::string m_strName;
    double m_adSumAtLoad[GRID_POINTS] = {};
    FitSettings m_settings;
    GridLevels m_smoothed;
};
