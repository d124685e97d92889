#include "SimAudioServer.h"

#include <algorithm>
#include <array>

namespace {
constexpr int CHUNK_FRAMES = 256;
constexpr int RING_FRAMES = 16384;  // above any quantum PipeWire uses
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
    self->m_nInputCycles.fetch_add(1, std::memory_order_relaxed);
}

void CSimAudioServer::OnMic(void* pUser, float* pFrames, int nFrames)
{
    auto* self = static_cast<CSimAudioServer*>(pUser);
    self->m_mic.KeepAtMost(2 * nFrames);
    const int nGot = self->m_mic.Read(pFrames, nFrames);
    std::fill(pFrames + SOUND_INPUTS * nGot, pFrames + SOUND_INPUTS * nFrames, 0.0f);
}

void CSimAudioServer::OnOutput(void* pUser, float* pFrames, int nFrames)
{
    auto* self = static_cast<CSimAudioServer*>(pUser);
    // Frames made while nobody listened are old news: keep the delay bounded.
    self->m_outputs.KeepAtMost(2 * nFrames);
    const int nGot = self->m_outputs.Read(pFrames, nFrames);
    std::fill(pFrames + NUM_CHANNELS * nGot, pFrames + NUM_CHANNELS * nFrames, 0.0f);
    const long nCycles = self->m_nInputCycles.load(std::memory_order_relaxed);
    if (nGot < nFrames && nCycles != self->m_nSeenInputCycles && self->m_nSeenInputCycles != 0)
        self->m_nUnderruns.fetch_add(1, std::memory_order_relaxed);
    self->m_nSeenInputCycles = nCycles;
}
