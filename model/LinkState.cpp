#include "LinkState.h"

#include "TALVRoute.h"

int g_anLinkGroup[LINK_CHANNELS] = {0, 1, 2, 3};
CTALVData* g_apChannel[LINK_CHANNELS] = {};
bool g_bBassLink = false;

void ResetLinkGroups(CTALVRoute& route)
{
    for (int k = 0; k < LINK_CHANNELS; ++k) {
        g_anLinkGroup[k] = k;
        g_apChannel[k] = &route.GetChannel(k);
    }
}
