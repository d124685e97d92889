#include "MeasureRun.h"

#include <QCoreApplication>
#include <algorithm>
#include <ctime>

#include "LinkMessages.h"

namespace {
constexpr const char* MSG_STOPPED = "stopped";
// Checked as often as the link ticks: each stage waits on the link.
constexpr int RUN_TICK_MS = LINK_TICK_MS;
}  // namespace

CMeasureRun::CMeasureRun(MeasureLink link) : m_link(std::move(link))
{
    m_timer.setInterval(RUN_TICK_MS);
    connect(&m_timer, &QTimer::timeout, this, [this] { OnTick(); });
}

CMeasureRun::~CMeasureRun()
{
    m_bStop = true;
    if (m_worker.joinable())
        m_worker.join();
}

void CMeasureRun::Start(MeasureJob job)
{
    if (IsRunning())
        return;
    m_job = std::move(job);
    m_nNext = 0;
    m_bStop = false;
    m_strStopped.clear();
    m_timer.start();
    NextChannel();
}

void CMeasureRun::Stop()
{
    m_bStop = true;
}

double CMeasureRun::GetSweepProgress() const
{
    if (m_eStage != Stage::Taking)
        return m_eStage == Stage::Restoring ? 1.0 : 0.0;
    const double dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_tSweepStart).count();
    return std::clamp(dSeconds / std::max(m_job.settings.sweep.dSeconds, 0.1), 0.0, 1.0);
}

void CMeasureRun::WaitUntilDone()
{
    while (IsRunning()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, RUN_TICK_MS);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void CMeasureRun::NextChannel()
{
    if (m_bStop || m_nNext == m_job.anChannel.size()) {
        Finish(m_bStop && m_strStopped.empty() ? MSG_STOPPED : m_strStopped);
        return;
    }
    m_nChannel = m_job.anChannel[m_nNext++];
    m_eStage = Stage::Settling;
    emit Progress();
}

void CMeasureRun::Finish(const std::string& strError)
{
    m_timer.stop();
    m_eStage = Stage::Idle;
    m_nChannel = -1;
    emit Finished(strError);
}

void CMeasureRun::OnTick()
{
    if (!m_link.fnUp()) {
        // Nothing more reaches the device: the worker stops, and what the
        // solo turned off may stay off.
        m_bStop = true;
        if (m_worker.joinable())
            m_worker.join();
        const std::string strChannel = "CH" + std::to_string(m_nChannel + 1);
        Finish(m_eStage == Stage::Settling
                   ? "the link was lost before " + strChannel + " was measured"
                   : "the link was lost while " + strChannel +
                         " was measured: the outputs of the other channels may still be off on the device. "
                         "Connecting again reads what it holds.");
        return;
    }
    switch (m_eStage) {
    case Stage::Idle:
        break;
    case Stage::Settling:
        // Changes sent before the run reach the device first: it plays the
        // setting the window shows, and the solo starts from it.
        if (!m_link.fnSettled())
            break;
        if (m_bStop) {
            NextChannel();
            break;
        }
        m_link.fnSolo(m_nChannel);
        m_eStage = Stage::Soloing;
        break;
    case Stage::Soloing:
        if (!m_link.fnSettled())
            break;
        if (m_bStop) {
            m_link.fnRestore(m_nChannel);
            m_eStage = Stage::Restoring;
        } else {
            StartTake();
        }
        emit Progress();
        break;
    case Stage::Taking:
        if (m_bTaken)
            CollectTake();
        else
            emit Progress();
        break;
    case Stage::Restoring:
        if (m_link.fnSettled())
            NextChannel();
        break;
    }
}

void CMeasureRun::StartTake()
{
    m_eStage = Stage::Taking;
    m_bTaken = false;
    m_tSweepStart = std::chrono::steady_clock::now();
    m_worker = std::thread([this, k = m_nChannel] {
        ChannelTake take;
        take.nChannel = k;
        take.header = m_job.header;
        take.header.nChannel = k + 1;
        take.header.tWhen = std::time(nullptr);
        take.sweep = m_job.settings.sweep;
        const std::vector<float> afSweep = MakeLogSweep(m_job.settings.sweep);
        std::vector<std::vector<float>> aRecorded;
        std::string strError;
        const std::size_t nWanted = m_job.bReference ? 2 : 1;
        const bool bPlayed = m_job.fnPlayAndRecord(afSweep, m_bStop, aRecorded, strError);
        if (m_bStop) {
            take.strError = MSG_STOPPED;
        } else if (!bPlayed) {
            take.strError = strError;
        } else if (aRecorded.size() < nWanted) {
            take.strError = "the recording holds fewer channels than asked for";
        } else {
            std::vector<std::vector<float>> aReference;
            if (m_job.bReference)
                aReference.push_back(std::move(aRecorded[1]));
            aRecorded.resize(1);
            take.response = MeasureTakes(afSweep, m_job.settings, aRecorded, aReference);
            if (!take.response.IsRefused() && m_job.calibration)
                ApplyMicCalibration(*m_job.calibration, take.response);
            take.bTaken = true;
        }
        m_take = std::move(take);
        m_bTaken = true;
    });
}

void CMeasureRun::CollectTake()
{
    m_worker.join();
    // A failure of the sound itself would fail the next channel too; a
    // refusal may be this channel's alone.
    if (!m_take.bTaken && m_strStopped.empty()) {
        m_strStopped = m_take.strError;
        m_bStop = true;
    }
    emit ChannelDone(m_take);
    m_link.fnRestore(m_nChannel);
    m_eStage = Stage::Restoring;
    emit Progress();
}
