#include "PwStream.h"

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {
constexpr int CONNECT_TIMEOUT_S = 5;
}  // namespace

void CPwStream::FollowClock()
{
    pw_time time{};
    m_nCycleFrame = -1;
    if (pw_stream_get_time_n(m_pStream, &time, sizeof time) < 0 || time.rate.num == 0 || time.rate.denom == 0)
        return;
    // The cycle's start on the monotonic clock is the same for every stream
    // in the cycle; the ticks are counted from each stream's own start.
    if (time.now > 0)
        m_nCycleFrame = time.now * (PW_STREAM_RATE / 1000) / 1000000;
    // A cycle normally starts where the one before ended; half a cycle more
    // allows for a clock that is resampled.
    if (m_bMoving && m_nLength > 0 && time.ticks > m_nTicks + m_nLength + m_nLength / 2)
        m_nMissedCycles.fetch_add(1, std::memory_order_release);
    m_nTicks = time.ticks;
    m_nLength = 0;
    m_nRateNum = time.rate.num;
    m_nRateDenom = time.rate.denom;
}

void CPwStream::CountFrames(std::uint32_t nFrames)
{
    m_bMoving = true;
    if (m_nRateNum > 0)
        m_nLength = static_cast<std::uint64_t>(nFrames) * m_nRateDenom /
                    (static_cast<std::uint64_t>(m_nRateNum) * PW_STREAM_RATE);
}

struct CPwStream::Listener {
    spa_hook hook{};
    pw_stream_events events{};
};

CPwStream::CPwStream(CPipeWireSession& session, PwStreamSetup setup, ProcessFn fn, void* pUser)
    : m_session(session), m_setup(std::move(setup)), m_fn(fn), m_pUser(pUser)
{
}

CPwStream::~CPwStream()
{
    if (m_pStream) {
        CPipeWireSession::CLock lock(m_session);
        pw_stream_destroy(m_pStream);
    }
}

void CPwStream::OnStateChanged(void* pData, int, int nState, const char* pszError)
{
    auto* self = static_cast<CPwStream*>(pData);
    self->m_nState = nState;
    if (pszError)
        self->m_strStreamError = pszError;
    pw_thread_loop_signal(self->m_session.GetLoop(), false);
}

void CPwStream::OnProcess(void* pData)
{
    auto* self = static_cast<CPwStream*>(pData);
    self->FollowClock();
    pw_buffer* b = pw_stream_dequeue_buffer(self->m_pStream);
    if (!b) {
        // A cycle without a buffer to fill or read is a cycle's sound lost.
        if (self->m_bMoving)
            self->m_nMissedCycles.fetch_add(1, std::memory_order_release);
        return;
    }
    spa_data& d = b->buffer->datas[0];
    const std::uint32_t nStride = sizeof(float) * static_cast<std::uint32_t>(self->m_setup.nChannels);
    if (d.data) {
        auto* p = static_cast<float*>(d.data);
        if (self->m_setup.bSource) {
            std::uint32_t nFrames = d.maxsize / nStride;
            if (b->requested)
                nFrames = std::min(nFrames, static_cast<std::uint32_t>(b->requested));
            self->m_fn(self->m_pUser, p, static_cast<int>(nFrames));
            self->CountFrames(nFrames);
            d.chunk->offset = 0;
            d.chunk->stride = static_cast<std::int32_t>(nStride);
            d.chunk->size = nFrames * nStride;
        } else {
            auto* pStart = reinterpret_cast<float*>(static_cast<char*>(d.data) + d.chunk->offset % d.maxsize);
            const std::uint32_t nFrames = std::min(d.chunk->size, d.maxsize) / nStride;
            self->m_fn(self->m_pUser, pStart, static_cast<int>(nFrames));
            self->CountFrames(nFrames);
        }
    }
    pw_stream_queue_buffer(self->m_pStream, b);
}

bool CPwStream::Connect(std::string& strError)
{
    CPipeWireSession::CLock lock(m_session);
    const bool bClient = !m_setup.strTarget.empty();
    pw_properties* props = pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_NODE_NAME, m_setup.strName.c_str(),
                                             PW_KEY_NODE_DESCRIPTION, m_setup.strDescription.c_str(), nullptr);
    if (bClient) {
        // Ours to the named node and nowhere else: no fallback to the default
        // device, no following it elsewhere, and the channels left unmixed.
        pw_properties_set(props, PW_KEY_MEDIA_CATEGORY, m_setup.bSource ? "Playback" : "Capture");
        pw_properties_set(props, PW_KEY_MEDIA_ROLE, "Production");
        pw_properties_set(props, PW_KEY_TARGET_OBJECT, m_setup.strTarget.c_str());
        pw_properties_set(props, PW_KEY_NODE_DONT_RECONNECT, "true");
        pw_properties_set(props, "node.dont-fallback", "true");
        pw_properties_set(props, PW_KEY_STREAM_DONT_REMIX, "true");
    } else {
        pw_properties_set(props, PW_KEY_MEDIA_CLASS, m_setup.bSource ? "Audio/Source" : "Audio/Sink");
    }
    m_pStream = pw_stream_new(m_session.GetCore(), m_setup.strName.c_str(), props);
    if (!m_pStream) {
        strError = "cannot make the node " + m_setup.strName + ": " + std::strerror(errno);
        return false;
    }
    m_pListener = std::make_unique<Listener>();
    m_pListener->events.version = PW_VERSION_STREAM_EVENTS;
    m_pListener->events.state_changed = [](void* p, pw_stream_state o, pw_stream_state s, const char* e) {
        OnStateChanged(p, o, s, e);
    };
    m_pListener->events.process = &CPwStream::OnProcess;
    pw_stream_add_listener(m_pStream, &m_pListener->hook, &m_pListener->events, this);

    std::uint8_t buffer[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    spa_audio_info_raw info{};
    info.format = SPA_AUDIO_FORMAT_F32;
    info.rate = PW_STREAM_RATE;
    info.channels = static_cast<std::uint32_t>(m_setup.nChannels);
    for (std::uint32_t c = 0; c < info.channels && c < SPA_AUDIO_MAX_CHANNELS; ++c) {
        const std::uint32_t nStereo = c == 0 ? SPA_AUDIO_CHANNEL_FL : SPA_AUDIO_CHANNEL_FR;
        info.position[c] = m_setup.anPositions.size() == info.channels ? m_setup.anPositions[c]
                           : m_setup.bAuxPositions                     ? SPA_AUDIO_CHANNEL_AUX0 + c
                                                                       : nStereo;
    }
    const spa_pod* params[1] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &info)};
    const auto flags = static_cast<pw_stream_flags>(PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS |
                                                    (bClient ? PW_STREAM_FLAG_AUTOCONNECT : 0));
    if (pw_stream_connect(m_pStream, m_setup.bSource ? PW_DIRECTION_OUTPUT : PW_DIRECTION_INPUT, PW_ID_ANY, flags,
                          params, 1) < 0) {
        strError = "cannot connect the node " + m_setup.strName;
        return false;
    }
    // Wait until the server has the node, or says why not.
    timespec deadline{};
    pw_thread_loop_get_time(m_session.GetLoop(), &deadline, CONNECT_TIMEOUT_S * SPA_NSEC_PER_SEC);
    while (m_nState != PW_STREAM_STATE_PAUSED && m_nState != PW_STREAM_STATE_STREAMING &&
           m_nState != PW_STREAM_STATE_ERROR) {
        if (pw_thread_loop_timed_wait_full(m_session.GetLoop(), &deadline) != 0)
            break;
    }
    if (m_nState == PW_STREAM_STATE_PAUSED || m_nState == PW_STREAM_STATE_STREAMING)
        return true;
    strError = "the sound server did not take the node " + m_setup.strName +
               (m_strStreamError.empty() ? std::string() : ": " + m_strStreamError);
    return false;
}

long CPwStream::GetDelayFrames() const
{
    pw_time time{};
    if (!m_pStream || pw_stream_get_time_n(m_pStream, &time, sizeof time) < 0 || time.rate.denom == 0)
        return 0;
    // The delay counts in ticks of time.rate; our frames run at PW_STREAM_RATE.
    const auto nDelay = static_cast<long double>(time.delay) * time.rate.num * PW_STREAM_RATE / time.rate.denom;
    return std::max(0L, static_cast<long>(nDelay));
}
