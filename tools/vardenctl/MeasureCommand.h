// What the sound commands share: the connection to the sound server, and a
// node given with a channel ("alsa_input.usb:2").
#pragma once

#include <string>

#include "PipeWireSession.h"

// Connects; false with the reason when no PipeWire answers.
bool ConnectSoundServer(CPipeWireSession& session, std::string& strError);

struct NodeChannel {
    std::string strNode;
    int nChannel = -1;  // 0-based; -1: none given
};

// "NAME" or "NAME:N" (N counted from 1). A name may hold ':' itself, so only
// digits after the last one make a channel. False for an empty name or a
// channel 0.
bool ParseNodeChannel(const std::string& s, NodeChannel& out);
