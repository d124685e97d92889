// The process-wide state that ties channels together: link groups, where each
// channel record lives, and bass link mode (channel 1 follows channel 0).
#pragma once

class CTALVData;
class CTALVRoute;

inline constexpr int LINK_CHANNELS = 4;

// Channels i and j are linked when their groups are equal.
extern int g_anLinkGroup[LINK_CHANNELS];
extern CTALVData* g_apChannel[LINK_CHANNELS];
extern bool g_bBassLink;

// Every channel in a group of its own, pointing at the channels of route.
void ResetLinkGroups(CTALVRoute& route);
