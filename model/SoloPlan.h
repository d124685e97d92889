// Measuring one channel alone: the frames that turn every other channel's
// output off over the link, and the frames that put each of them back
// exactly as the device held it. Pure: the window and vardenctl both send
// what these return and wait for each acknowledgement.
#pragma once

#include <memory>
#include <vector>

#include "SendData.h"
#include "TALVRoute.h"

// live: the preset as the device holds it now (its live slot). One channel
// frame for each channel other than nSolo (0-based) whose output is on, in
// channel order, with the output off and every other value as live holds
// it. A channel already off needs nothing.
std::vector<std::unique_ptr<CSendData>> MakeSoloFrames(const CTALVRoute& live, int nSolo);

// The channel frames of the same channels exactly as live holds them, which
// give the device back what it held. Make them together with the solo
// frames, before sending those, and keep them until they are sent.
std::vector<std::unique_ptr<CSendData>> MakeRestoreFrames(const CTALVRoute& live, int nSolo);
