// The display records of the four channels, each in its own colour.
#pragma once

#include <array>
#include <memory>

#include "Audio_OutData.h"
#include "Frame.h"

class CAudio_OutRoute {
public:
    CAudio_OutRoute();

    static constexpr int GetSize() { return NUM_CHANNELS; }
    CAudio_OutData& GetAt(int k) { return *m_aData.at(static_cast<std::size_t>(k)); }
    const CAudio_OutData& GetAt(int k) const { return *m_aData.at(static_cast<std::size_t>(k)); }

private:
    // Each record holds 33 elements with their curves: too big to keep by
    // value in an array that may live on a stack.
    std::array<std::unique_ptr<CAudio_OutData>, NUM_CHANNELS> m_aData;
};
