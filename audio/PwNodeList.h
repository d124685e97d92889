// The sound server's sinks and sources as a user chooses among them: each
// node's name (what a stream targets), its description, its class, and its
// channels and rate as far as PipeWire tells them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PipeWireSession.h"

struct PwNodeInfo {
    std::string strName, strDescription, strMediaClass;
    int nChannels = 0;  // 0: not told
    int nRate = 0;      // Hz, 0: not told
    // Each channel's position (SPA_AUDIO_CHANNEL_FL, _AUX0, ...), empty when
    // not told. A stream to the node takes the same, so that the server
    // links channel to channel instead of guessing between unlike names.
    std::vector<std::uint32_t> anPositions = {};
};

// The setup of a stream that plays into the node (bPlay) or records from
// it: all its channels, at its positions.
struct PwStreamSetup;
PwStreamSetup StreamSetupFor(const PwNodeInfo& node, const std::string& strName, const std::string& strDescription,
                             bool bPlay);

// Audio/Sink, Audio/Source, Audio/Source/Virtual and Audio/Duplex nodes, in
// the order the server lists them; false with the reason when it does not
// answer within a few seconds.
bool ListPwNodes(CPipeWireSession& session, std::vector<PwNodeInfo>& aNodes, std::string& strError);

// The node of that name in aNodes, or nullptr.
const PwNodeInfo* FindPwNode(const std::vector<PwNodeInfo>& aNodes, const std::string& strName);

// Whether a stream can play into the node, or record from it.
bool IsPwSink(const PwNodeInfo& node);
bool IsPwSource(const PwNodeInfo& node);
