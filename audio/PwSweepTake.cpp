#include "PwSweepTake.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

#include "PwNodeList.h"
#include "PwStream.h"

namespace {
// Besides the sweep and its tail the recording has room for the cycles
// before the sweep starts and the latency; a server slower than that has
// stopped moving the sound.
constexpr double SLACK_SECONDS = 6.0;
constexpr double MAX_LATENCY_SECONDS = 2.0;
constexpr long UNCOUNTED_CYCLES = 1;
constexpr auto POLL = std::chrono::milliseconds(5);

// What the two real-time callbacks share with the waiting thread.
struct Take {
    const std::vector<float>* pPlay = nullptr;
    int nSinkChannels = 2;
    int nSinkChannel = -1;
    int nSourceChannels = 2;
    std::vector<int> anChannels;
    std::vector<float> afRecorded;  // the chosen channels, interleaved
    long nCapacity = 0;             // frames
    long nPlayPos = 0;              // playback thread only
    std::atomic<long> nCaptured{0};
    std::atomic<long> nCycle{0};     // the recording's last cycle, in frames
    std::atomic<long> nStartAt{-1};  // the recorded frame the first played sample went out with
    std::atomic<bool> bPlayed{false};
};

void OnPlay(void* pUser, float* pFrames, int nFrames)
{
    auto* take = static_cast<Take*>(pUser);
    std::fill(pFrames, pFrames + static_cast<long>(nFrames) * take->nSinkChannels, 0.0f);
    // Silence until the recording runs, so the start has a place in it.
    const long nCaptured = take->nCaptured.load(std::memory_order_acquire);
    if (nCaptured == 0)
        return;
    if (take->nStartAt.load(std::memory_order_relaxed) < 0)
        take->nStartAt.store(nCaptured, std::memory_order_release);
    const std::vector<float>& afPlay = *take->pPlay;
    const auto nSize = static_cast<long>(afPlay.size());
    for (int n = 0; n < nFrames && take->nPlayPos < nSize; ++n, ++take->nPlayPos) {
        float* pFrame = pFrames + static_cast<long>(n) * take->nSinkChannels;
        const float f = afPlay[static_cast<std::size_t>(take->nPlayPos)];
        if (take->nSinkChannel < 0)
            std::fill(pFrame, pFrame + take->nSinkChannels, f);
        else
            pFrame[take->nSinkChannel] = f;
    }
    if (take->nPlayPos >= nSize)
        take->bPlayed.store(true, std::memory_order_release);
}

void OnRecord(void* pUser, float* pFrames, int nFrames)
{
    auto* take = static_cast<Take*>(pUser);
    const long nAt = take->nCaptured.load(std::memory_order_relaxed);
    const long nKeep = std::clamp<long>(take->nCapacity - nAt, 0, nFrames);
    const std::size_t nChosen = take->anChannels.size();
    for (long n = 0; n < nKeep; ++n)
        for (std::size_t j = 0; j < nChosen; ++j)
            take->afRecorded[static_cast<std::size_t>(nAt + n) * nChosen + j] =
                pFrames[n * take->nSourceChannels + take->anChannels[j]];
    take->nCycle.store(nFrames, std::memory_order_relaxed);
    take->nCaptured.store(nAt + nFrames, std::memory_order_release);
}

std::string ChannelError(const std::string& strNode, int nChannel, int nChannels)
{
    return strNode + " has " + std::to_string(nChannels) + (nChannels == 1 ? " channel" : " channels") +
           ", not a channel " + std::to_string(nChannel + 1);
}
}  // namespace

namespace {
bool FindTakeNodes(CPipeWireSession& session, const PwTakeSetup& setup, PwNodeInfo& sink, PwNodeInfo& source,
                   std::string& strError)
{
    std::vector<PwNodeInfo> aNodes;
    if (!ListPwNodes(session, aNodes, strError))
        return false;
    const PwNodeInfo* pSink = FindPwNode(aNodes, setup.strSink);
    const PwNodeInfo* pSource = FindPwNode(aNodes, setup.strSource);
    if (!pSink || !IsPwSink(*pSink)) {
        strError = "the sound server has no sink named '" + setup.strSink + "' (vardenctl audio lists them)";
        return false;
    }
    if (!pSource || !IsPwSource(*pSource)) {
        strError = "the sound server has no source named '" + setup.strSource + "' (vardenctl audio lists them)";
        return false;
    }
    sink = *pSink;
    source = *pSource;
    const int nSinkChannels = pSink->nChannels > 0 ? pSink->nChannels : 2;
    const int nSourceChannels = pSource->nChannels > 0 ? pSource->nChannels : 2;
    if (setup.nSinkChannel >= nSinkChannels) {
        strError = ChannelError(setup.strSink, setup.nSinkChannel, nSinkChannels);
        return false;
    }
    if (setup.anSourceChannels.empty()) {
        strError = "no channel of " + setup.strSource + " to record";
        return false;
    }
    for (const int c : setup.anSourceChannels) {
        if (c < 0 || c >= nSourceChannels) {
            strError = ChannelError(setup.strSource, c, nSourceChannels);
            return false;
        }
    }
    return true;
}
}  // namespace

bool CheckTakeNodes(CPipeWireSession& session, const PwTakeSetup& setup, int& nSinkChannels, int& nSourceChannels,
                    std::string& strError)
{
    PwNodeInfo sink, source;
    if (!FindTakeNodes(session, setup, sink, source, strError))
        return false;
    nSinkChannels = sink.nChannels > 0 ? sink.nChannels : 2;
    nSourceChannels = source.nChannels > 0 ? source.nChannels : 2;
    return true;
}

bool CPwSweepTake::Run(const PwTakeSetup& setup, const std::vector<float>& afPlay,
                       std::vector<std::vector<float>>& aRecorded, const std::atomic<bool>& bStop,
                       std::string& strError)
{
    m_nRetakes = 0;
    for (;;) {
        switch (TakeOnce(setup, afPlay, aRecorded, bStop, strError)) {
        case Outcome::Taken:
            return true;
        case Outcome::Failed:
            return false;
        case Outcome::Broken:
            if (m_nRetakes == MAX_RETAKES) {
                strError = "the sound server skipped cycles in " + std::to_string(MAX_RETAKES + 1) +
                           " takes in a row, so the recordings have gaps: the machine is too busy to measure "
                           "(close other programs, or raise the sound server's quantum)";
                return false;
            }
            ++m_nRetakes;
            break;
        }
    }
}

CPwSweepTake::Outcome CPwSweepTake::TakeOnce(const PwTakeSetup& setup, const std::vector<float>& afPlay,
                                             std::vector<std::vector<float>>& aRecorded, const std::atomic<bool>& bStop,
                                             std::string& strError)
{
    Take take;
    PwNodeInfo sink, source;
    if (!FindTakeNodes(m_session, setup, sink, source, strError))
        return Outcome::Failed;
    const PwStreamSetup recordSetup = StreamSetupFor(source, "varden-measure-record", "varden measurement", false);
    const PwStreamSetup playSetup = StreamSetupFor(sink, "varden-measure-play", "varden measurement", true);
    take.nSinkChannels = playSetup.nChannels;
    take.nSourceChannels = recordSetup.nChannels;
    take.pPlay = &afPlay;
    take.nSinkChannel = setup.nSinkChannel;
    take.anChannels = setup.anSourceChannels;
    const auto nPlay = static_cast<long>(afPlay.size());
    const auto nTail = static_cast<long>(std::max(0.0, setup.dTailSeconds) * PW_STREAM_RATE);
    take.nCapacity = nPlay + nTail + static_cast<long>(SLACK_SECONDS * PW_STREAM_RATE);
    take.afRecorded.assign(static_cast<std::size_t>(take.nCapacity) * take.anChannels.size(), 0.0f);

    // The recording first: the sweep waits for it.
    auto pRecord = std::make_unique<CPwStream>(m_session, recordSetup, &OnRecord, &take);
    auto pPlay = std::make_unique<CPwStream>(m_session, playSetup, &OnPlay, &take);
    const auto Close = [&] {
        // The streams stop before the take they write into goes.
        pPlay.reset();
        pRecord.reset();
    };
    if (!pRecord->Connect(strError) || !pPlay->Connect(strError)) {
        Close();
        return Outcome::Failed;
    }

    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(static_cast<long>(
                                             1000.0 * (static_cast<double>(nPlay + nTail) / PW_STREAM_RATE + 5.0)));
    long nLatency = -1;
    long nEnd = -1;
    bool bOk = false;
    for (;;) {
        if (bStop.load()) {
            strError = "interrupted";
            break;
        }
        const long nStartAt = take.nStartAt.load(std::memory_order_acquire);
        if (nStartAt >= 0 && nLatency < 0) {
            CPipeWireSession::CLock lock(m_session);
            nLatency = std::min(pPlay->GetDelayFrames() + pRecord->GetDelayFrames(),
                                static_cast<long>(MAX_LATENCY_SECONDS * PW_STREAM_RATE));
            // A cycle more for what the server does not count: a node that
            // plays what it got one cycle later, as the virtual processor
            // does. (A node a cycle late shows as a skipped cycle.)
            nEnd =
                std::min(nStartAt + nPlay + nLatency + nTail + UNCOUNTED_CYCLES * take.nCycle.load(), take.nCapacity);
        }
        if (nEnd >= 0 && take.bPlayed.load(std::memory_order_acquire) &&
            take.nCaptured.load(std::memory_order_acquire) >= nEnd) {
            bOk = true;
            break;
        }
        if (clock::now() > deadline) {
            strError = take.nCaptured.load() == 0 ? "no sound came from " + setup.strSource + " within the time"
                       : nStartAt < 0             ? "the sound server did not take the sweep for " + setup.strSink
                                      : "the sound server stopped moving the sound between " + setup.strSink + " and " +
                                            setup.strSource;
            break;
        }
        std::this_thread::sleep_for(POLL);
    }
    // A cycle either stream missed leaves a gap or a jump in what was played
    // or recorded, which no deconvolution can take out.
    const bool bBroken = pPlay->GetMissedCycles() + pRecord->GetMissedCycles() > 0;
    Close();
    if (!bOk)
        return Outcome::Failed;
    if (bBroken)
        return Outcome::Broken;
    const long nStartAt = take.nStartAt.load();
    const std::size_t nChosen = take.anChannels.size();
    aRecorded.assign(nChosen, std::vector<float>(static_cast<std::size_t>(nEnd - nStartAt)));
    for (long n = nStartAt; n < nEnd; ++n)
        for (std::size_t j = 0; j < nChosen; ++j)
            aRecorded[j][static_cast<std::size_t>(n - nStartAt)] =
                take.afRecorded[static_cast<std::size_t>(n) * nChosen + j];
    return Outcome::Taken;
}
