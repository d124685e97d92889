#include "SimSound.h"

#include <cstdlib>
#include <string>

#include "SimRoomFiles.h"

namespace {
// Quieter than this is no noise at all; louder is no longer a room.
constexpr double NOISE_MIN_DBFS = -150.0;
constexpr double NOISE_MAX_DBFS = 0.0;
constexpr int MAX_STALLS = 1000;
}  // namespace

std::unique_ptr<CSimAudioServer> StartSimSound(const CommandLine& cl, int& nExit)
{
    nExit = EXIT_OK;
    if (!cl.Has("--audio")) {
        if (cl.Has("--room") || cl.Has("--noise") || cl.Has("--stalls"))
            nExit = cl.Fail(EXIT_USAGE, "--room, --noise and --stalls need --audio");
        return nullptr;
    }
    int nStalls = 0;
    if (cl.Has("--stalls")) {
        const auto n = ParseInt(cl.Get("--stalls"), 1, MAX_STALLS);
        if (!n) {
            nExit = cl.Fail(EXIT_USAGE, "--stalls takes a count from 1 to 1000, not '" + cl.Get("--stalls") + "'");
            return nullptr;
        }
        nStalls = *n;
    }
    std::optional<double> dNoise;
    if (cl.Has("--noise")) {
        const std::string& strNoise = cl.Get("--noise");
        char* pEnd = nullptr;
        const double d = std::strtod(strNoise.c_str(), &pEnd);
        if (strNoise.empty() || *pEnd != '\0' || !(d >= NOISE_MIN_DBFS && d <= NOISE_MAX_DBFS)) {
            nExit = cl.Fail(EXIT_USAGE, "--noise takes a level in dBFS from -150 to 0, not '" + strNoise + "'");
            return nullptr;
        }
        if (!cl.Has("--room")) {
            nExit = cl.Fail(EXIT_USAGE, "--noise needs --room");
            return nullptr;
        }
        dNoise = d;
    }
    std::unique_ptr<CSimRoom> pRoom;
    if (cl.Has("--room")) {
        std::array<std::vector<float>, NUM_CHANNELS> aResponse;
        std::vector<int> anMissing;
        std::string strError;
        if (!LoadRoomFolder(cl.Get("--room"), aResponse, anMissing, strError)) {
            nExit = cl.Fail(EXIT_USAGE, strError);
            return nullptr;
        }
        for (int nChannel : anMissing)
            cl.err << "vardenctl sim: no ch" << nChannel << ".wav in the room: channel " << nChannel
                   << " is not heard at the microphone\n";
        pRoom = std::make_unique<CSimRoom>(aResponse, dNoise);
    }
    auto pSound = std::make_unique<CSimAudioServer>();
    pSound->SetStalls(nStalls);
    std::string error;
    if (!pSound->Start(error, std::move(pRoom))) {
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
