#include "SimAudioServer.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <thread>

namespace {
constexpr int CHUNK_FRAMES = 256;
constexpr int RING_FRAMES = 32768;  // two cycles of the largest quantum PipeWire uses
constexpr int RATE = 48000;
// A sink cycle this much later than the one before means nobody played into
// it meanwhile; a cycle merely late on a busy machine comes sooner.
constexpr double PAUSE_SECONDS = 0.5;
// After this much silence nothing of what played before is left in the
// engine: its delays, filters and gates. (The room forgets at once.)
constexpr long MAX_SILENCE_FRAMES = 3 * RATE / 10;
}  // namespace

CSimAudioServer::CSimAudioServer() : m_outputs(NUM_CHANNELS, RING_FRAMES), m_mic(SOUND_INPUTS, RING_FRAMES) {}

CSimAudioServer::~CSimAudioServer()
{
    // The streams go before the session they live on.
    m_pMic.reset();
    m_pSource.reset();
    m_pSink.reset();
    m_session.Disconnect();
}

bool CSimAudioServer::Start(std::string& strError, std::unique_ptr<CSimRoom> pRoom)
{
    m_pRoom = std::move(pRoom);
    if (!m_session.Connect(strError))
        return false;
    m_pSink = std::make_unique<CPwStream>(
        m_session, PwStreamSetup{SIM_SINK_NAME, "varden virtual processor input", false, SOUND_INPUTS, false, {}},
        &CSimAudioServer::OnInput, this);
    m_pSource = std::make_unique<CPwStream>(
        m_session, PwStreamSetup{SIM_SOURCE_NAME, "varden virtual processor outputs", true, NUM_CHANNELS, true, {}},
        &CSimAudioServer::OnOutput, this);
    if (m_pRoom)
        m_pMic = std::make_unique<CPwStream>(
            m_session,
            PwStreamSetup{SIM_MIC_NAME, "varden virtual processor microphone", true, SOUND_INPUTS, false, {}},
            &CSimAudioServer::OnMic, this);
    return m_pSink->Connect(strError) && m_pSource->Connect(strError) && (!m_pMic || m_pMic->Connect(strError));
}

CVirtualProcessor::LiveListener CSimAudioServer::MakeLiveListener()
{
    return [this](const CVirtualProcessor& vp) {
        std::array<SimBlock, NUM_CHANNELS> aBlock;
        for (int c = 0; c < NUM_CHANNELS; ++c)
            aBlock[static_cast<std::size_t>(c)] = vp.GetBlock(0, c);
        m_engine.SetLive(aBlock);
    };
}

void CSimAudioServer::OnInput(void* pUser, float* pFrames, int nFrames)
{
    auto* self = static_cast<CSimAudioServer*>(pUser);
    self->RunThePause(nFrames);
    self->StallIfDue(pFrames, nFrames);
    const std::int64_t nAt = self->m_pSink->GetCycleFrame();
    self->m_outputs.BeginWrite(nAt);
    if (self->m_pRoom)
        self->m_mic.BeginWrite(nAt);
    std::array<float, NUM_CHANNELS * CHUNK_FRAMES> out;
    std::array<float, SOUND_INPUTS * CHUNK_FRAMES> mic;
    for (int nDone = 0; nDone < nFrames; nDone += CHUNK_FRAMES) {
        const int n = std::min(CHUNK_FRAMES, nFrames - nDone);
        const float* pIn = pFrames + SOUND_INPUTS * nDone;
        self->m_engine.Process(pIn, n, out.data());
        self->m_outputs.Write(out.data(), n);
        if (self->m_pRoom) {
            self->m_pRoom->Process(out.data(), pIn, n, mic.data());
            self->m_mic.Write(mic.data(), n);
        }
    }
}

void CSimAudioServer::OnMic(void* pUser, float* pFrames, int nFrames)
{
    auto* self = static_cast<CSimAudioServer*>(pUser);
    self->m_mic.Read(self->m_pMic->GetCycleFrame(), pFrames, nFrames);
}

void CSimAudioServer::OnOutput(void* pUser, float* pFrames, int nFrames)
{
    auto* self = static_cast<CSimAudioServer*>(pUser);
    self->m_outputs.Read(self->m_pSource->GetCycleFrame(), pFrames, nFrames);
}

void CSimAudioServer::RunThePause(int nFrames)
{
    const long long nNow =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    const long long nLast = m_nLastInputNs;
    m_nLastInputNs = nNow;
    if (nLast == 0)
        return;
    const double dPause = static_cast<double>(nNow - nLast) * 1e-9 - static_cast<double>(nFrames) / RATE;
    if (dPause > PAUSE_SECONDS)
        RunSilence(std::min(MAX_SILENCE_FRAMES, static_cast<long>(dPause * RATE)));
}

void CSimAudioServer::StallIfDue(const float* pFrames, int nFrames)
{
    // The second cycle with sound: the sound has started, and is not over.
    constexpr int STALL_AT_CYCLE = 2;
    constexpr int STALL_CYCLES = 3;
    constexpr float SILENT = 1e-6f;
    if (m_nStalls <= 0)
        return;
    const bool bLoud = std::any_of(pFrames, pFrames + static_cast<long>(nFrames) * SOUND_INPUTS,
                                   [](float f) { return std::fabs(f) > SILENT; });
    m_nLoudCycles = bLoud ? m_nLoudCycles + 1 : 0;
    if (m_nLoudCycles != STALL_AT_CYCLE)
        return;
    --m_nStalls;
    std::this_thread::sleep_for(std::chrono::duration<double>(STALL_CYCLES * static_cast<double>(nFrames) / RATE));
}

void CSimAudioServer::RunSilence(long nFrames)
{
    const std::array<float, SOUND_INPUTS * CHUNK_FRAMES> silence{};
    std::array<float, NUM_CHANNELS * CHUNK_FRAMES> out;
    for (long nDone = 0; nDone < nFrames; nDone += CHUNK_FRAMES) {
        const int n = static_cast<int>(std::min<long>(CHUNK_FRAMES, nFrames - nDone));
        m_engine.Process(silence.data(), n, out.data());
    }
    if (m_pRoom)
        m_pRoom->Silence();
}
