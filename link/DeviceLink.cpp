#include "DeviceLink.h"

#include "BulkEqUpdate.h"
#include "LinkMessages.h"
#include "LinkState.h"
#include "LinkWindow.h"
#include "MessageBox.h"
#include "ProgressTarget.h"
#include "SerialTypes.h"
#include "TALVRoute.h"

CDeviceLink::CDeviceLink(CTALVRoute& route, CLinkWindow& wnd, CProgressTarget& progress)
    : m_route(route), m_wnd(wnd), m_progress(progress)
{
    m_astrSlotName.fill("NULL");
    m_link.SetProgressCtrl(&m_progress);
}

bool CDeviceLink::Connect(const std::string& strPort, ConnectMode mode, const CCommand::OpenRunner& fnRunOpen)
{
    Disconnect();
    m_loss = LinkLoss::None;
    if (!m_link.Open(strPort, &m_wnd, fnRunOpen)) {
        Disconnect();
        return false;
    }
    m_state = State::Open;
    m_route.ClearAllDirty();
    if (mode != ConnectMode::PortOnly)
        RequestPresetNames();
    if (mode == ConnectMode::Full)
        ReadFromDevice(0);
    m_wnd.StartLinkTimer();
    return true;
}

void CDeviceLink::Disconnect()
{
    m_link.Close();
    m_state = State::Closed;
    m_nBatchTotal = m_nBatchLeft = 0;
    m_progress.SetText(std::string());
    m_wnd.StopLinkTimer();
    m_progress.SetPos(0);
    m_nProgress = 0;
    m_wnd.OnLinkDisconnected();
    m_wnd.EnableWindow(true);
}

void CDeviceLink::RequestPresetNames()
{
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s)
        m_link.Enqueue(CTALVRoute::BuildNameQuery(s));
}

void CDeviceLink::ReadFromDevice(int nSlot)
{
    QueueTransfer(nSlot, false);
}

void CDeviceLink::WriteToDevice(int nSlot)
{
    QueueTransfer(nSlot, true);
}

void CDeviceLink::QueueTransfer(int nSlot, bool bWrite)
{
    m_nProgress = 0;
    if (!IsConnected() || nSlot < 0 || nSlot >= NUM_PRESET_SLOTS)
        return;
    m_link.ResetTransferCount();
    if (!bWrite)
        m_nReadSlot = nSlot;
    auto pName = CTALVRoute::BuildNameFrame(nSlot, GetPresetName(nSlot));
    pName->m_bTransfer = 1;
    pName->m_bRepeatsDevice = bWrite ? 0 : 1;
    m_link.Enqueue(std::move(pName));
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        CTALVData& ch = m_route.GetChannel(k);
        auto pFrame = bWrite ? ch.BuildBlockWrite(nSlot) : ch.BuildBlockRequest(nSlot);
        pFrame->m_nProgressPos = PROGRESS_PER_BLOCK * (k + 1);
        pFrame->m_bProgressAck = bWrite ? 1 : 0;
        pFrame->m_bTransfer = 1;
        m_link.Enqueue(std::move(pFrame));
    }
    m_progress.SetRange(0, PROGRESS_RANGE);
    m_progress.SetPos(0);
    m_progress.SetText(std::string());
    m_nBatchTotal = 0;
    m_wnd.EnableWindow(false);
}

void CDeviceLink::OnLinkTick()
{
    if (m_state == State::Closed || m_state == State::Sent || m_state == State::Stopped)
        return;
    if (IsWaitingForChanges() && !HasPendingChanges()) {
        m_state = m_state == State::Draining ? State::Sent : State::Stopped;
        return;
    }
    if (m_link.GetCount() == 0)
        m_link.Enqueue(m_route.GetNextFrame());
    CSendData* pHead = m_link.GetHead();
    if (pHead->m_bUnsent) {
        pHead->m_bUnsent = 0;
        m_nReceivedAtSend = m_link.GetReceivedCount();
        SendHead();
        ShowChangeProgress();
        return;
    }
    ++pHead->m_nWaitTicks;
    if (!ShowChangeProgress()) {
        m_nProgress = m_progress.GetPos() + 1;
        m_progress.SetPos(m_nProgress);
    }
    if (pHead->m_nWaitTicks == LINK_RESEND_TICKS) {
        m_link.ResetLink();
        // A stopped sending waits this long for the frame on the line and no
        // longer, unless muted outputs wait behind it to come back on.
        if (m_state == State::Stopping &&
            !m_link.GetQueue().Any([this](const CSendData& f) { return RestoresMutedOutputs(f); })) {
            AbandonHead();
            return;
        }
        SendHead();
    }
    if (pHead->m_nWaitTicks > LINK_GIVE_UP_TICKS)
        GiveUp(m_link.GetReceivedCount() != m_nReceivedAtSend ? LinkLoss::DamagedAnswers
               : m_nReceivedAtSend > 0                        ? LinkLoss::StoppedAnswering
                                                              : LinkLoss::NoAnswer);
}

void CDeviceLink::SendHead()
{
    const CSendData& head = *m_link.GetHead();
    if (head.m_mute == CSendData::Mute::Off)
        m_nMutedBracket = head.m_nMuteBracket;
    m_link.SendHead();
}

void CDeviceLink::GiveUp(LinkLoss loss)
{
    // A link lost while a stopped sending restores muted outputs adds to
    // what the stop left undone.
    if (m_state != State::Stopping && m_state != State::Stopped)
        m_undelivered.Clear();
    RecordMarks();
    RecordQueued(0, [](const CSendData&) { return true; });
    RecordTransferOnLine();
    Disconnect();
    m_loss = loss;
    m_wnd.OnLinkLost(loss);
}

void CDeviceLink::OnPresetNamesReceived()
{
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s)
        SetPresetName(s, m_link.GetNames()[static_cast<std::size_t>(s)]);
}

const std::string& CDeviceLink::GetPresetName(int nSlot) const
{
    return nSlot == 0 ? m_route.GetName() : m_astrSlotName.at(static_cast<std::size_t>(nSlot - 1));
}

void CDeviceLink::SetPresetName(int nSlot, const std::string& strName)
{
    if (nSlot == 0)
        m_route.SetName(strName);
    else
        m_astrSlotName.at(static_cast<std::size_t>(nSlot - 1)) = strName;
}

void CDeviceLink::ForgetSlotNames()
{
    m_astrSlotName.fill(std::string());
}

void CDeviceLink::LoadReceivedBlocks()
{
    // A channel the device holds as the window does keeps what a block
    // cannot carry: the gains its bypassed bands return to.
    for (int k = 0; k < NUM_CHANNELS; ++k)
        if (!m_route.GetChannel(k).HoldsBlock(m_link.GetBlock(k)))
            m_route.GetChannel(k).LoadFromBlock(m_link.GetBlock(k));
    m_route.ClearAllDirty();
}

bool CDeviceLink::HoldsReceivedBlocks() const
{
    for (int k = 0; k < NUM_CHANNELS; ++k)
        if (!m_route.GetChannel(k).HoldsBlock(m_link.GetBlock(k)))
            return false;
    return true;
}

bool CDeviceLink::LoadReceivedPreset()
{
    // A device found holding the preset (a reconnect) changes nothing.
    const bool bHeld = HoldsReceivedBlocks();
    const bool bToLive = m_nReadSlot > 0 && IsConnected();
    LoadReceivedBlocks();
    if (g_bBassLink && !bHeld) {
        // Channel 1 follows channel 0 here, and the device is told so.
        m_route.GetChannel(1).LoadFromBlock(m_link.GetBlock(0));
        if (!bToLive)
            m_link.Enqueue(m_route.GetChannel(1).BuildBlockWrite(0));
        m_route.ClearAllDirty();
    }
    m_wnd.EnableWindow(true);
    if (!bToLive)
        return false;
    SetPresetName(0, GetPresetName(m_nReadSlot));
    WriteToDevice(0);
    return true;
}

void CDeviceLink::SendLiveName(const std::string& strName)
{
    m_route.SetName(strName);
    if (!IsConnected())
        return;
    int nBusiest = 0;
    for (int k = 1; k < NUM_CHANNELS; ++k)
        if (m_route.GetChannel(k).CountDirty() > m_route.GetChannel(nBusiest).CountDirty())
            nBusiest = k;
    m_link.Enqueue(CTALVRoute::BuildNameFrame(0, strName));
    m_link.Enqueue(m_route.GetChannel(nBusiest).TakeLiveBlockWrite());
}

void CDeviceLink::SendEqChange(int nChannel)
{
    if (!IsConnected())
        return;
    // Each bracket its own number, so that the link can tell whether its
    // outputs went off on the device and must come back on.
    const int nBracket = ++m_nLastBracket;
    for (auto& pFrame : BuildBulkEqUpdate(nChannel)) {
        if (pFrame->m_mute != CSendData::Mute::None)
            pFrame->m_nMuteBracket = nBracket;
        m_link.Enqueue(std::move(pFrame));
    }
}

void CDeviceLink::SendChannelBlock(int nChannel)
{
    if (IsConnected())
        m_link.Enqueue(m_route.GetChannel(nChannel).BuildBlockWrite(0));
}

bool CDeviceLink::IsWritePending() const
{
    return m_link.GetQueue().Any([](const CSendData& frame) { return frame.m_bProgressAck != 0; });
}

void CDeviceLink::OnPortEvent(WPARAM wParam)
{
    if ((EventOfParam(wParam) & EV_RXCHAR) && m_link.IsOpen())
        m_link.OnReceive();
    // A hung-up line never answers again: say so now rather than after the
    // give-up time, and never let the transfer look finished.
    if ((EventOfParam(wParam) & EV_ERR) && IsConnected() && m_link.IsLineDown())
        GiveUp(LinkLoss::HungUp);
}

bool CDeviceLink::IsTransferQueued() const
{
    return m_link.GetQueue().Any([](const CSendData& frame) { return frame.m_bTransfer != 0; });
}

CTALVRoute::PendingSend CDeviceLink::GetPendingChanges() const
{
    CTALVRoute::PendingSend pending = m_route.GetPendingSend();
    const CSendDataQueue& queue = m_link.GetQueue();
    for (int i = 0; i < queue.GetCount(); ++i) {
        const CSendData& frame = *queue.GetAt(i);
        if (frame.IsChange()) {
            ++pending.nFrames;
            pending.nBytes += frame.GetLength() + SHORT_FRAME_LEN;
        }
    }
    return pending;
}

bool CDeviceLink::ShowChangeProgress()
{
    // A whole-preset transfer moves the bar by its blocks.
    if (IsTransferQueued()) {
        m_nBatchTotal = 0;
        return false;
    }
    const CTALVRoute::PendingSend pending = GetPendingChanges();
    if (m_nBatchTotal == 0) {
        // A change that takes a moment on the line is shown; a fader's one
        // frame is not, unless the window waits for it.
        if (pending.nFrames == 0 || (!IsWaitingForChanges() && pending.nBytes < BLOCK_FRAME_LEN))
            return false;
        m_nBatchTotal = m_nBatchLeft = pending.nBytes;
        m_progress.SetRange(0, PROGRESS_RANGE);
    }
    // Changes made meanwhile join the one shown.
    if (pending.nBytes > m_nBatchLeft)
        m_nBatchTotal += pending.nBytes - m_nBatchLeft;
    m_nBatchLeft = pending.nBytes;
    m_nProgress = PROGRESS_RANGE * (m_nBatchTotal - m_nBatchLeft) / m_nBatchTotal;
    m_progress.SetPos(m_nProgress);
    if (pending.nFrames == 0) {
        m_nBatchTotal = 0;
        m_progress.SetText(std::string());
    } else {
        m_progress.SetText("sending " + std::to_string(pending.nFrames) +
                           (pending.nFrames == 1 ? " change" : " changes"));
    }
    return true;
}

void CDeviceLink::WaitForChanges()
{
    // A stopped sending stays stopped.
    if (m_state == State::Open)
        m_state = State::Draining;
}

void CDeviceLink::RecordMarks()
{
    for (int k = 0; k < NUM_CHANNELS; ++k)
        m_undelivered.AddMarks(m_route.GetChannel(k));
    if (m_link.IsLiveNameWaiting())
        m_undelivered.AddName();
}

void CDeviceLink::RecordQueued(int nFirst, const std::function<bool(const CSendData&)>& bDropped)
{
    const CSendDataQueue& queue = m_link.GetQueue();
    for (int i = nFirst; i < queue.GetCount(); ++i)
        if (bDropped(*queue.GetAt(i)))
            m_undelivered.AddFrame(*queue.GetAt(i));
}

void CDeviceLink::RecordTransferOnLine()
{
    const CSendData* pHead = m_link.GetQueue().GetHead();
    m_undelivered.SetTransferFrameOnLine(pHead && pHead->m_bTransfer && !pHead->m_bUnsent);
}

bool CDeviceLink::RestoresMutedOutputs(const CSendData& frame) const
{
    return m_nMutedBracket != 0 && frame.m_nMuteBracket == m_nMutedBracket && frame.m_mute == CSendData::Mute::Restore;
}

void CDeviceLink::AbandonHead()
{
    const CSendData& head = *m_link.GetHead();
    m_undelivered.AddFrame(head);
    m_undelivered.SetTransferFrameOnLine(head.m_bTransfer != 0);
    m_link.RemoveHead();
}

bool CDeviceLink::StopSending()
{
    // A stop says what it leaves undone, from the change marks on.
    m_undelivered.Clear();
    RecordMarks();
    m_route.ClearAllDirty();
    // Outputs muted on the device for a bulk change come back on whatever
    // else is dropped: a muting bracket is never cut in two. The frame on
    // the line has its answer awaited: only that says whether the device
    // took it.
    auto dropped = [this](const CSendData& frame) { return !RestoresMutedOutputs(frame); };
    CSendDataQueue& queue = m_link.GetQueue();
    CSendData* pHead = queue.GetHead();
    const bool bHeadOnLine = pHead && !pHead->m_bUnsent;
    RecordQueued(bHeadOnLine ? 1 : 0, dropped);
    queue.RemoveBehindHead(dropped);
    if (pHead && !bHeadOnLine && dropped(*pHead))
        queue.RemoveHead();
    const bool bWaits = queue.Any([](const CSendData& frame) { return frame.IsChange(); });
    if (IsConnected())
        m_state = bWaits ? State::Stopping : State::Stopped;
    return bWaits;
}
