#include "Audio_OutRoute.h"

namespace {
constexpr COLORREF CHANNEL_COLOURS[NUM_CHANNELS] = {0x80FFFF, 0xFF00FF, 0xC4FFFF, 0x8080FF};
}  // namespace

CAudio_OutRoute::CAudio_OutRoute()
{
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        auto& pData = m_aData[static_cast<std::size_t>(k)];
        pData = std::make_unique<CAudio_OutData>();
        pData->SetCurveColor(CHANNEL_COLOURS[k]);
        pData->SetCurveColor2(CHANNEL_COLOURS[k]);
    }
}
