#include "PipeWireSession.h"

#include <pipewire/pipewire.h>

CPipeWireSession::~CPipeWireSession()
{
    Disconnect();
}

bool CPipeWireSession::Connect(std::string& strError)
{
    pw_init(nullptr, nullptr);
    m_pLoop = pw_thread_loop_new("varden-sound", nullptr);
    if (!m_pLoop || pw_thread_loop_start(m_pLoop) < 0) {
        strError = NO_SOUND_SERVER;
        Disconnect();
        return false;
    }
    CLock lock(*this);
    m_pContext = pw_context_new(pw_thread_loop_get_loop(m_pLoop), nullptr, 0);
    if (m_pContext)
        m_pCore = pw_context_connect(m_pContext, nullptr, 0);
    if (!m_pCore) {
        strError = NO_SOUND_SERVER;
        return false;
    }
    return true;
}

void CPipeWireSession::Disconnect()
{
    if (m_pLoop)
        pw_thread_loop_stop(m_pLoop);
    if (m_pCore)
        pw_core_disconnect(m_pCore);
    if (m_pContext)
        pw_context_destroy(m_pContext);
    if (m_pLoop)
        pw_thread_loop_destroy(m_pLoop);
    m_pCore = nullptr;
    m_pContext = nullptr;
    m_pLoop = nullptr;
}

CPipeWireSession::CLock::CLock(CPipeWireSession& session) : m_pLoop(session.m_pLoop)
{
    pw_thread_loop_lock(m_pLoop);
}

CPipeWireSession::CLock::~CLock()
{
    pw_thread_loop_unlock(m_pLoop);
}
