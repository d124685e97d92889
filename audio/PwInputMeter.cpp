#include "PwInputMeter.h"

#include <algorithm>
#include <cmath>

#include "PwNodeList.h"

namespace {
// About the last 100 ms of a cycle: the newest sound, not the whole cycle.
constexpr int RECENT_FRAMES = 4800;
}  // namespace

CPwInputMeter::~CPwInputMeter()
{
    Stop();
}

bool CPwInputMeter::Start(CPipeWireSession& session, const std::string& strSource, int nChannel, std::string& strError)
{
    Stop();
    std::vector<PwNodeInfo> aNodes;
    if (!ListPwNodes(session, aNodes, strError))
        return false;
    const PwNodeInfo* pSource = FindPwNode(aNodes, strSource);
    if (!pSource || !IsPwSource(*pSource)) {
        strError = "the sound server has no source named '" + strSource + "'";
        return false;
    }
    const PwStreamSetup streamSetup = StreamSetupFor(*pSource, "varden-input-meter", "varden input meter", false);
    m_nChannels = streamSetup.nChannels;
    if (nChannel < 0 || nChannel >= m_nChannels) {
        strError = strSource + " has no channel " + std::to_string(nChannel + 1);
        return false;
    }
    m_nChannel = nChannel;
    m_fPeak.store(0.0f);
    m_pStream = std::make_unique<CPwStream>(session, streamSetup, &CPwInputMeter::OnCapture, this);
    if (!m_pStream->Connect(strError)) {
        m_pStream.reset();
        return false;
    }
    return true;
}

void CPwInputMeter::OnCapture(void* pUser, float* pFrames, int nFrames)
{
    auto* self = static_cast<CPwInputMeter*>(pUser);
    float fPeak = 0.0f;
    for (int n = std::max(0, nFrames - RECENT_FRAMES); n < nFrames; ++n)
        fPeak = std::max(fPeak, std::fabs(pFrames[static_cast<long>(n) * self->m_nChannels + self->m_nChannel]));
    self->m_fPeak.store(fPeak, std::memory_order_relaxed);
}

double CPwInputMeter::PeakDbfs() const
{
    const float fPeak = m_fPeak.load(std::memory_order_relaxed);
    return fPeak > 0.0f ? std::max(20.0 * std::log10(fPeak), PEAK_SILENT_DBFS) : PEAK_SILENT_DBFS;
}

void CPwInputMeter::Stop()
{
    m_pStream.reset();
}
