// What a microphone and a loopback would record of a sweep, for the window's
// tests that measure without a sound server: the sweep nDelay samples late
// (or nothing: a silent input), and the sweep itself as the reference.
#pragma once

#include <algorithm>
#include <vector>

inline std::vector<std::vector<float>> FakeRecording(const std::vector<float>& afSweep, int nDelay, bool bSilent)
{
    constexpr std::size_t TAIL = 12000;
    const std::size_t n = afSweep.size() + TAIL;
    std::vector<float> afMic(n, 0.0f), afReference(n, 0.0f);
    std::copy(afSweep.begin(), afSweep.end(), afReference.begin());
    if (!bSilent)
        std::copy(afSweep.begin(), afSweep.end(), afMic.begin() + nDelay);
    return {afMic, afReference};
}
