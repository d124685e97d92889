#include "CliSession.h"

#include <cerrno>

#include <unistd.h>

#include "LinkLossText.h"
#include "LinkMessages.h"
#include "NetPortMemory.h"
#include "PortErrorText.h"

namespace {
// About how long the frames still queued take on the line: each goes out on
// a tick, and it and its answer take their bytes' time at the line's rate.
int SecondsToDrain(const CSendDataQueue& queue)
{
    long nMs = 0;
    for (int i = 0; i < queue.GetCount(); ++i) {
        const long nBytes = queue.GetAt(i)->GetLength() + SHORT_FRAME_LEN;
        nMs += nBytes * LINK_BITS_PER_BYTE * 1000 / LINK_BAUD + 2 * LINK_TICK_MS;
    }
    return static_cast<int>((nMs + 999) / 1000);
}
}  // namespace

CCliSession::CCliSession(const CommandLine& cl)
    : m_cl(cl), m_wnd(cl.err, isatty(STDERR_FILENO) == 1), m_link(m_route, m_wnd, m_wnd)
{
    m_wnd.SetLink(&m_link);
    m_wnd.m_onNamesReceived = [this] {
        m_link.OnPresetNamesReceived();
        m_bNames = true;
    };
    m_oldHandler = SetMessageBoxHandler([this](const std::string& text, MessageIcon, MessageButtons) {
        m_strMessage = text;
        return MessageAnswer::Ok;
    });
    // Before the port is opened: its listener thread must leave the signals to us.
    m_wnd.CatchInterrupts([this] { OnInterrupt(); });
}

CCliSession::~CCliSession()
{
    m_link.Disconnect();
    SetMessageBoxHandler(std::move(m_oldHandler));
}

void CCliSession::OnInterrupt()
{
    if (m_stop != Stop::None || !m_bInStep) {
        m_stop = Stop::Now;
        return;
    }
    // Stopping in the middle of a write leaves the slot renamed and partly
    // written: the first interrupt lets the step finish.
    m_stop = Stop::AfterStep;
    m_cl.err << "vardenctl " << m_cl.strCommand << ": interrupted: finishing " << m_strStep << ", about "
             << SecondsToDrain(m_link.GetLink().GetQueue()) << " s, then stopping; interrupt again to stop at once"
             << (m_nStepWriteSlot >= 0 ? " and leave slot " + std::to_string(m_nStepWriteSlot) + " partly written"
                                       : std::string())
             << "\n"
             << std::flush;
}

bool CCliSession::Connect()
{
    const std::string port = m_cl.Get("--port");
    m_wnd.SetWaitNotice("vardenctl " + m_cl.strCommand + ": waiting for the device\u2026");
    if (m_link.Connect(port, CDeviceLink::ConnectMode::PortOnly)) {
        RememberNetPort(port);  // only network addresses are kept
        return true;
    }
    const std::string reason = DescribePortError(port, m_link.GetPortError());
    // Connecting to a device server ends early on an interrupt.
    m_cl.Fail(m_link.GetPortError() == ECANCELED ? EXIT_INTERRUPTED : EXIT_IO,
              MSG_UNABLE_TO_OPEN + std::string(": ") + reason);
    return false;
}

bool CCliSession::RunStep(const std::string& strWhat, int nWriteSlot, const std::function<bool()>& bDone)
{
    m_bInStep = true;
    m_strStep = strWhat;
    m_nStepWriteSlot = nWriteSlot;
    m_wnd.Run([&] {
        // Noted while the link lives: a lost link deletes the queue.
        if (m_link.IsConnected()) {
            const CSendData* pHead = m_link.GetLink().GetHead();
            m_bTransferOnLine = pHead && pHead->m_bTransfer && !pHead->m_bUnsent;
        }
        return m_stop == Stop::Now || bDone();
    });
    m_wnd.FinishProgress();
    m_bInStep = false;
    return bDone();
}

std::string CCliSession::LossText() const
{
    const std::string text = m_strMessage.empty() ? MSG_UNABLE_TO_OPEN : m_strMessage;
    return text + ": " + DescribeLinkLoss(m_link.GetLoss(), m_cl.Get("--port"));
}

int CCliSession::StepFailed(const std::string& strLeft) const
{
    const std::string left = strLeft.empty() ? std::string() : "; " + strLeft;
    if (m_stop == Stop::Now)
        return m_cl.Fail(EXIT_INTERRUPTED, "interrupted" + left);
    return m_cl.Fail(EXIT_IO, LossText() + left);
}

int CCliSession::StoppedBefore(const std::string& strLeft) const
{
    return m_cl.Fail(EXIT_INTERRUPTED, "stopped after the interrupt; " + strLeft);
}

bool CCliSession::IsStopRequested()
{
    // Between steps nobody waits on the signals: take what has come.
    m_wnd.TakeInterrupts();
    return m_stop != Stop::None || m_bStopAllowed;
}

void CCliSession::AllowStep()
{
    m_wnd.TakeInterrupts();
    if (m_stop != Stop::None)
        m_bStopAllowed = true;
    m_stop = Stop::None;
}

bool CCliSession::SendFrames(std::vector<std::unique_ptr<CSendData>> frames, const std::string& strWhat)
{
    // Counted as a transfer's frames are: done when each is answered.
    CCommand& link = m_link.GetLink();
    link.ResetTransferCount();
    const int nFrames = static_cast<int>(frames.size());
    for (auto& pFrame : frames) {
        pFrame->m_bTransfer = 1;
        link.Enqueue(std::move(pFrame));
    }
    return RunStep(strWhat, -1, [&] { return link.GetTransferAnswered() >= nFrames; });
}

bool CCliSession::Await(const std::function<bool()>& bDone)
{
    m_wnd.Run([&] { return m_stop != Stop::None || bDone(); });
    return m_stop == Stop::None && bDone();
}

int CCliSession::Finish(int nCode, const std::string& strDone)
{
    if (nCode != EXIT_OK || !IsStopRequested())
        return nCode;
    return StoppedBefore(strDone);
}

std::string CCliSession::WrittenPart(int nSlot) const
{
    return DescribeWrittenPart(nSlot, m_link.GetTransferAnswered(), m_bTransferOnLine);
}

bool CCliSession::ReadNames()
{
    m_bNames = false;
    m_link.RequestPresetNames();
    return RunStep("the read of the names", -1, [&] { return m_bNames; });
}

bool CCliSession::ReadSlot(int nSlot, PresetData& data, const std::string& strLabel)
{
    // The read sends the name frame first, as the window's does: it must
    // carry the name the slot has, so that is asked for first.
    CCommand& link = m_link.GetLink();
    link.ResetTransferCount();
    auto pQuery = CTALVRoute::BuildNameQuery(nSlot);
    pQuery->m_bTransfer = 1;
    link.Enqueue(std::move(pQuery));
    bool bNamed = false;
    bool bDone = false;
    m_wnd.m_onReadComplete = [&] {
        // The blocks as they are: reading never writes to the device.
        m_link.LoadReceivedBlocks();
        m_wnd.EnableWindow(true);
        bDone = true;
    };
    m_wnd.ShowTransferProgress(strLabel);
    const std::string what = "the read of slot " + std::to_string(nSlot);
    const bool bRead = RunStep(what, -1, [&] {
        // Checked after every answer: the name came, so the read can go.
        if (!bNamed && link.GetTransferAnswered() == 1) {
            bNamed = true;
            m_link.SetPresetName(nSlot, link.GetNames()[static_cast<std::size_t>(nSlot)]);
            m_link.ReadFromDevice(nSlot);
        }
        return bDone;
    });
    m_wnd.m_onReadComplete = nullptr;
    if (!bRead)
        return false;
    m_route.SetName(m_link.GetPresetName(nSlot));
    data = PresetFromRoute(m_route);
    return true;
}

bool CCliSession::WriteSlot(int nSlot, const PresetData& data, const std::string& strName)
{
    LoadRouteFromPreset(data, m_route);
    m_link.SetPresetName(nSlot, strName);
    m_wnd.ShowTransferProgress("writing slot " + std::to_string(nSlot));
    m_link.WriteToDevice(nSlot);
    return RunStep("the transfer to slot " + std::to_string(nSlot), nSlot, [&] { return m_link.IsTransferComplete(); });
}
