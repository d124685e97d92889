// The frames of a bulk equaliser change (bypass-all switched): the outputs of
// the shown channel's link group are muted on the device around the changed
// bands, so the speakers never play a half-switched equaliser.
#pragma once

#include <memory>
#include <vector>

#include "SendData.h"

// Frames in sending order: every channel of the group muted, then its dirty
// bands channel by channel, then every channel's output switch restored.
// Clears the dirty marks of what it returns.
std::vector<std::unique_ptr<CSendData>> BuildBulkEqUpdate(int nShownChannel);
