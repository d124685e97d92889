// `vardenctl sim --audio`: the virtual processor's sound on PipeWire, started
// beside its pseudo-terminal and fed by its live setting.
#pragma once

#include <memory>

#include "CommandLine.h"
#include "SimAudioServer.h"
#include "SimPtyServer.h"

// Starts the sound when the command line asks for it. Without --audio,
// nullptr and EXIT_OK; on failure nullptr and the exit status, having said
// why.
std::unique_ptr<CSimAudioServer> StartSimSound(const CommandLine& cl, int& nExit);
// The sound follows the server's live setting from now on, or no longer.
void AttachSimSound(CSimPtyServer& server, CSimAudioServer& sound);
void DetachSimSound(CSimPtyServer& server, CSimAudioServer& sound, const CommandLine& cl);
