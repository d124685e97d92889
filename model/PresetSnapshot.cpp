#include "PresetSnapshot.h"

#include "LinkState.h"
#include "TALVRoute.h"

CPresetSnapshot CPresetSnapshot::Take(const CTALVRoute& route, const std::string& strName)
{
    CPresetSnapshot snapshot;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        snapshot.aChannel[static_cast<std::size_t>(k)] = route.GetChannel(k).GetSetting();
        snapshot.anGroup[static_cast<std::size_t>(k)] = g_anLinkGroup[k];
    }
    snapshot.bBassLink = g_bBassLink;
    snapshot.strName = strName;
    return snapshot;
}

void CPresetSnapshot::Restore(CTALVRoute& route) const
{
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        route.GetChannel(k).RestoreSetting(aChannel[static_cast<std::size_t>(k)]);
        g_anLinkGroup[k] = anGroup[static_cast<std::size_t>(k)];
        g_apChannel[k] = &route.GetChannel(k);
    }
    g_bBassLink = bBassLink;
}
