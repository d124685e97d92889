// A measured frequency response as a measurement program exports it: rows of
// frequency (Hz, rising) and level (dB).
#pragma once

#include <vector>

struct MeasurementData {
    std::vector<double> adFreq;
    std::vector<double> adLevel;

    bool IsEmpty() const { return adFreq.empty(); }
    double GetLowHz() const { return adFreq.front(); }
    double GetHighHz() const { return adFreq.back(); }
};
