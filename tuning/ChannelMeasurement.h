// One channel's measurement for the session: the rows as read at each
// microphone position (up to 16), the channel's summed response when they
// were loaded (what the loudspeaker was measured through), the settings of
// the channel's fit, and the positions smoothed onto the grid and averaged,
// with their spread. From these it tells what the channel gives with any
// response it has now.
#pragma once

#include <string>
#include <vector>

#include "EqFit.h"
#include "MeasurementData.h"

inline constexpr int MAX_MEASUREMENT_POSITIONS = 16;

struct MeasurementPosition {
    MeasurementData data;
    std::string strName;
};

class CChannelMeasurement {
public:
    // adSumAtLoad: the channel's summed response in dB on the grid, as it
    // stands while the measurement is taken in. False (and nothing changed)
    // with the reason in strError when there are none or too many positions,
    // or their spans do not overlap on the grid.
    bool Load(std::vector<MeasurementPosition> positions, const double (&adSumAtLoad)[GRID_POINTS],
              std::string& strError);
    // One position.
    void Load(MeasurementData data, std::string strName, const double (&adSumAtLoad)[GRID_POINTS]);
    void Clear();
    bool IsLoaded() const { return !m_aPosition.empty(); }
    int GetCount() const { return static_cast<int>(m_aPosition.size()); }
    const std::vector<MeasurementPosition>& GetPositions() const { return m_aPosition; }
    // The span every position covers.
    double GetLowHz() const { return m_dLowHz; }
    double GetHighHz() const { return m_dHighHz; }

    const FitSettings& GetSettings() const { return m_settings; }
    // Smooths and averages again when the smoothing or averaging changes.
    void SetSettings(const FitSettings& settings);
    // The average of the positions, each smoothed by the settings; valid
    // where every position is measured.
    const GridLevels& GetSmoothed() const { return m_smoothed; }
    // The lowest and highest position at each point (as smoothed).
    const GridLevels& GetLowest() const { return m_lowest; }
    const GridLevels& GetHighest() const { return m_highest; }

    // The measurement less the response it was taken with plus adSumNow.
    GridLevels Predicted(const double (&adSumNow)[GRID_POINTS]) const;
    // A fit request without its bands, for a channel now at adSumNow with
    // these crossover corners.
    FitRequest MakeRequest(const double (&adSumNow)[GRID_POINTS], double dCornerLowHz, double dCornerHighHz) const;

private:
    void Smooth();
    GridLevels Shifted(const GridLevels& levels, const double (&adSumNow)[GRID_POINTS]) const;

    std::vector<MeasurementPosition> m_aPosition;
    double m_dLowHz = 0.0;
    double m_dHighHz = 0.0;
    double m_adSumAtLoad[GRID_POINTS] = {};
    FitSettings m_settings;
    GridLevels m_smoothed;
    GridLevels m_lowest;
    GridLevels m_highest;
    GridLevels m_guide;  // the average over 1/3 octave
};

// Positions averaged point by point: the mean in dB, or the mean of power;
// valid where every position is.
GridLevels AveragePositions(const std::vector<GridLevels>& aLevels, Averaging eAveraging);
