// The sound server's sinks and sources as a user chooses among them: each
// node's name (what a stream targets), its description, its class, and its
// channels and rate as far as PipeWire tells them.
#pragma once

#include <string>
#include <vector>

#include "PipeWireSession.h"

struct PwNodeInfo {
    std::string strName, strDescription, strMediaClass;
    int nChannels = 0;  // 0: not told
    int nRate = 0;      // Hz, 0: not told
};

// Audio/Sink, Audio/Source, Audio/Source/Virtual and Audio/Duplex nodes, in
// the order the server lists them; false with the reason when it does not
// answer within a few seconds.
bool ListPwNodes(CPipeWireSession& session, std::vector<PwNodeInfo>& aNodes, std::string& strError);

// The node of that name in aNodes, or nullptr.
const PwNodeInfo* FindPwNode(const std::vector<PwNodeInfo>& aNodes, const std::string& strName);

// Whether a stream can play into the node, or record from it.
bool IsPwSink(const PwNodeInfo& node);
bool IsPwSource(const PwNodeInfo& node);
