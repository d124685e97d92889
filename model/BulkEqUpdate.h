// The frames of a bulk equaliser change (bypass-all switched, a fitted EQ
// applied) on the channel's link group. A channel whose change, muted, would
// be as long as a block goes as its block write to the live slot: sooner,
// and the speakers never play a half-changed equaliser nor fall silent. A
// few bands go as single frames with the channel's output muted around them;
// a single band needs no mute and is left to the change marks.
#pragma once

#include <memory>
#include <vector>

#include "SendData.h"

// Frames in sending order: the block writes, then every muted channel of the
// group muted, its dirty bands channel by channel, and every muted channel's
// output switch restored. Clears the dirty marks of what it returns. The
// muted frames carry their part of the bracket; the link that queues them
// gives the bracket its number.
std::vector<std::unique_ptr<CSendData>> BuildBulkEqUpdate(int nShownChannel);
