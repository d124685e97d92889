// A measured frequency response as a measurement program exports it: rows of
// frequency (Hz, rising) and level (dB), and the phase (degrees, as
// exported: mostly wrapped to +-180) when every row has one.
#pragma once

#include <string>
#include <vector>

struct MeasurementData {
    std::vector<double> adFreq;
    std::vector<double> adLevel;
    // What the reader passed over and the user should hear of, one line each.
    std::vector<std::string> astrNote;
    std::vector<double> adPhase;  // empty: the file holds no phase
    // Where and why a phase column stopped short: "line 7: phase 'nan' is not
    // a number"; empty when there was none.
    std::string strNoPhase;

    bool HasPhase() const { return !adPhase.empty() && adPhase.size() == adFreq.size(); }

    bool IsEmpty() const { return adFreq.empty(); }
    double GetLowHz() const { return adFreq.front(); }
    double GetHighHz() const { return adFreq.back(); }
};
