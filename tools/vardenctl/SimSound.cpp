#include "SimSound.h"

#include <string>

std::unique_ptr<CSimAudioServer> StartSimSound(const CommandLine& cl, int& nExit)
{
    nExit = EXIT_OK;
    if (!cl.Has("--audio"))
        return nullptr;
    auto pSound = std::make_unique<CSimAudioServer>();
    std::string error;
    if (!pSound->Start(error)) {
        nExit = cl.Fail(EXIT_IO, error);
        return nullptr;
    }
    return pSound;
}

void AttachSimSound(CSimPtyServer& server, CSimAudioServer& sound)
{
    server.WithProcessor([&](CVirtualProcessor& vp) { vp.SetLiveListener(sound.MakeLiveListener()); });
}

void DetachSimSound(CSimPtyServer& server, CSimAudioServer& sound, const CommandLine& cl)
{
    server.WithProcessor([](CVirtualProcessor& vp) { vp.SetLiveListener({}); });
    if (const long nUnderruns = sound.GetUnderruns())
        cl.err << "vardenctl sim: " << nUnderruns << " sound cycles came short (under-runs)\n";
}
