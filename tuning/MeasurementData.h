// A measured frequency response as a measurement program exports it: rows of
// frequency (Hz, rising) and level (dB).
#pragma once

#include <string>
#include <vector>

struct MeasurementData {
    std::vector<double> adFreq;
    std::vector<double> adLevel;
    // What the reader passed over and the user should hear of, one line each.
    std::vector<std::string> astrNote;

    bool IsEmpty() const { return adFreq.empty(); }
    double GetLowHz() const { return adFreq.front(); }
    double GetHighHz() const { return adFreq.back(); }
};
