// What a microphone and a loopback would record of a sweep, made up for the
// window's tests that measure without a sound server: the sweep nDelay
// samples late (or nothing, for a silent input) under a faint noise, and the
// sweep itself as the reference, both with a tail after it.
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
    unsigned nSeed = 1;
    for (float& f : afMic) {
        nSeed = nSeed * 1664525u + 1013904223u;
        f += static_cast<float>(static_cast<int>(nSeed >> 9) - (1 << 22)) * 1e-12f;
    }
    return {afMic, afReference};
}
