#include "PresetData.h"

#include "Archive.h"
#include "PresetFile.h"
#include "TALVRoute.h"

PresetData PresetFromRoute(CTALVRoute& route)
{
    PresetData data;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        route.GetChannel(k).FinishCrossoverRamp();
        data.aChannel[k] = route.GetChannel(k).GetRecord();
    }
    data.strName = route.GetName();
    return data;
}

void LoadRouteFromPreset(const PresetData& data, CTALVRoute& route)
{
    std::vector<std::uint8_t> bytes;
    CArchive out(bytes);
    StorePreset(out, data.aChannel, data.strName);
    CArchive in(bytes.data(), bytes.size());
    route.Serialize(in);
}
