// What a lost link and a broken-off write mean, in the words the window and
// vardenctl both show, so a user reads the same thing in either.
#pragma once

#include <string>

#include "LinkLoss.h"

// Why the link ended by itself: "the device did not answer", ...
std::string DescribeLinkLoss(LinkLoss loss);
// The same for the link on strPort: a port on a device server that hung up
// was closed by the server.
std::string DescribeLinkLoss(LinkLoss loss, const std::string& strPort);

// What a write to nSlot left behind when nAnswered of its frames (the name
// frame first, then one block per channel) were acknowledged:
// "slot 2 is left partly written: name and channel 1 of 4 stored". bNextOnLine: the
// next frame had gone out whole, so the device may hold it too ("…; channel
// 2 was being sent and may be stored too").
std::string DescribeWrittenPart(int nSlot, int nAnswered, bool bNextOnLine = false);
