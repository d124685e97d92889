// The frames of a bulk equaliser change (bypass-all switched, a fitted EQ
// applied): the outputs of the channel's link group are muted on the device
// around the changed bands, so the speakers never play a half-changed
// equaliser.
#pragma once

#include <memory>
#include <vector>

#include "SendData.h"

// Frames in sending order: every channel of the group muted, then its dirty
// bands channel by channel, then every channel's output switch restored.
// Clears the dirty marks of what it returns.
std::vector<std::unique_ptr<CSendData>> BuildBulkEqUpdate(int nShownChannel);
