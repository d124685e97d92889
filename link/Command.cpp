#include "Command.h"

#include <algorithm>
#include <cctype>

#include "LinkMessages.h"
#include "MessageBox.h"
#include "ProgressTarget.h"

namespace {
// The serial layer takes the platform's device prefix in front of list names.
constexpr const char* DEVICE_PREFIX = "\\\\.\\";
}  // namespace

CCommand::~CCommand()
{
    Close();
}

bool CCommand::Open(const std::string& strPort, CWindowTarget* pWnd, const OpenRunner& fnRunOpen)
{
    if (m_port.IsOpen())
        m_port.Close();
    // Nothing of an earlier connection may complete a frame on this one.
    ResetReceiveState();
    m_nReceived = 0;
    m_bLiveNameWaiting = false;
    const auto fnOpen = [&] { return OpenPort(strPort, pWnd); };
    if (fnRunOpen ? fnRunOpen(fnOpen) : fnOpen()) {
        m_pWnd = pWnd;
        return true;
    }
    if (!m_port.IsOpen())
        ShowMessageBox(MSG_UNABLE_TO_OPEN, MessageIcon::Error);
    return false;
}

bool CCommand::OpenPort(const std::string& strPort, CWindowTarget* pWnd)
{
    const std::string strDevice = DEVICE_PREFIX + strPort;
    m_lPortError = m_port.Open(strDevice.c_str(), pWnd, 0, 0, LINK_QUEUE_SIZE, LINK_QUEUE_SIZE);
    if (m_lPortError != 0)
        return false;
    return (m_lPortError = m_port.Setup(LINK_BAUD, 8, NOPARITY, ONESTOPBIT)) == 0 &&
           (m_lPortError = m_port.SetupHandshaking(0)) == 0 && (m_lPortError = m_port.SetMask(LINK_EVENT_MASK)) == 0;
}

bool CCommand::Close()
{
    m_queue.RemoveAll();
    ResetReceiveState();
    if (!m_port.IsOpen())
        return false;
    m_port.Close();
    m_pWnd = nullptr;
    return true;
}

void CCommand::Enqueue(std::unique_ptr<CSendData> pData)
{
    if (pData)
        m_queue.Add(std::move(pData));
}

void CCommand::SendHead()
{
    CSendData* pHead = m_queue.GetHead();
    if (!pHead)
        return;
    m_bHeadProgressAck = pHead->m_bProgressAck;
    m_nHeadProgressPos = pHead->m_nProgressPos;
    DWORD dwWritten = 0;
    m_port.Write(pHead->GetData(), static_cast<std::size_t>(pHead->GetLength()), &dwWritten, nullptr,
                 LINK_WRITE_TIMEOUT_MS);
}

void CCommand::ResetTransferCount()
{
    m_nTransferAnswered = 0;
    for (int i = 0; i < m_queue.GetCount(); ++i)
        m_queue.GetAt(i)->m_bTransfer = m_queue.GetAt(i)->m_bProgressAck = 0;
    m_bHeadProgressAck = 0;
}

void CCommand::RemoveHead()
{
    m_queue.RemoveHead();
}

void CCommand::ClearBuffers()
{
    m_abAssembly.fill(0);
    m_abRing.fill(0);
}

void CCommand::ResetLink()
{
    m_port.Purge();
    ResetReceiveState();
}

void CCommand::ResetReceiveState()
{
    m_bInFrame = 0;
    m_nFrameLen = 0;
    m_nExpectedLen = 0;
    m_nFFCount = 0;
    m_nRingRead = m_nRingWrite = 0;
    ClearBuffers();
}

void CCommand::SetProgress(int nPos)
{
    if (m_pProgress)
        m_pProgress->SetPos(nPos);
}

void CCommand::OnReceive()
{
    DWORD dwRead = 0;
    m_port.Read(m_abRead.data(), m_abRead.size(), &dwRead, nullptr, LINK_READ_TIMEOUT_MS);
    TakeReceived(m_abRead.data(), std::min<int>(static_cast<int>(dwRead), READ_CHUNK));
}

void CCommand::TakeReceived(const BYTE* pData, int nRead)
{
    if (nRead <= 0)
        return;
    nRead = std::min(nRead, READ_CHUNK);
    m_nReceived += nRead;
    for (int i = 0; i < nRead; ++i) {
        m_abRing[static_cast<std::size_t>(m_nRingWrite)] = pData[i];
        m_nRingWrite = (m_nRingWrite + 1) % RING_SIZE;
    }
    while (m_nRingRead != m_nRingWrite) {
        const BYTE byte = m_abRing[static_cast<std::size_t>(m_nRingRead)];
        m_nRingRead = (m_nRingRead + 1) % RING_SIZE;
        Examine(byte);
    }
}

void CCommand::Examine(BYTE byte)
{
    if (!m_bInFrame) {
        if (byte != FRAME_HEADER) {
            m_nFFCount = 0;
            return;
        }
        if (++m_nFFCount == FRAME_HEADER_LEN) {
            m_bInFrame = 1;
            m_nFFCount = 0;
            m_nFrameLen = FRAME_HEADER_LEN;
            std::fill_n(m_abAssembly.begin(), FRAME_HEADER_LEN, FRAME_HEADER);
        }
        return;
    }

    if (m_nFrameLen == FRAME_CMD) {
        // The device never sends 0xFF as a command byte: a longer run of
        // 0xFF (noise ending in FF, then a header) is one header.
        if (byte == FRAME_HEADER)
            return;
        m_abAssembly[FRAME_CMD] = byte;
        m_nCommand = byte;
        m_nFrameLen = FRAME_CMD + 1;
        m_nExpectedLen = ReplyLength(byte);
        if (m_nExpectedLen == 0) {
            // Not a frame the device sends: give up on it and look for FF FF FF.
            m_nExpectedLen = POLL_REPLY_LEN;
            m_bInFrame = 0;
        }
        return;
    }
    m_abAssembly[static_cast<std::size_t>(m_nFrameLen++)] = byte;
    if (m_nFrameLen == m_nExpectedLen) {
        m_bInFrame = 0;
        if (byte == FRAME_TRAILER)
            Dispatch();
        else
            ++m_nDropped;
    } else if (m_nFrameLen > m_nExpectedLen) {
        m_bInFrame = 0;
    }
}

bool CCommand::AnswersHead(const CSendData& head) const
{
    // Nothing can answer a frame that has not gone out yet; taking a stray
    // answer for it would drop it unsent.
    if (head.m_bUnsent)
        return false;
    const BYTE* pSent = head.GetData();
    switch (pSent[FRAME_CMD]) {
    case CMD_POLL:
        return m_nCommand == CMD_POLL;
    case CMD_PARAMETER:
    case CMD_BLOCK_WRITE:
        return m_nCommand == CMD_ACK;
    case CMD_NAME_QUERY:
        return m_nCommand == CMD_NAME_REPLY && m_nReplySlot == pSent[FRAME_INDEX2];
    case CMD_BLOCK_REQUEST:
        // The slot byte of a block reply is not something the device
        // promises; the channel is.
        return m_nCommand == CMD_BLOCK_REPLY && m_nReplyChannel == pSent[FRAME_INDEX1];
    case CMD_NAME:
        return true;  // any recognised answer will do
    default:
        return false;
    }
}

void CCommand::AcceptHead()
{
    const CSendData& head = *m_queue.GetHead();
    if (head.m_bTransfer)
        ++m_nTransferAnswered;
    // A read of the slot drops a waiting name on the device, as a block
    // written to it takes the name.
    const BYTE* pSent = head.GetData();
    if (pSent[FRAME_INDEX2] == 0) {
        if (pSent[FRAME_CMD] == CMD_NAME && head.IsChange())
            m_bLiveNameWaiting = true;
        else if (pSent[FRAME_CMD] == CMD_BLOCK_WRITE || pSent[FRAME_CMD] == CMD_BLOCK_REQUEST)
            m_bLiveNameWaiting = false;
    }
    RemoveHead();
}

void CCommand::Dispatch()
{
    m_nReplyChannel = m_abAssembly[FRAME_INDEX1];
    m_nReplySlot = m_abAssembly[FRAME_INDEX2];

    // Without a head there is nothing it could answer. An answer of another
    // kind than the head waits for (a late answer to a request already
    // answered, most often) is no answer to it: storing it would file one
    // request's data under another.
    if (m_queue.IsEmpty() || !AnswersHead(*m_queue.GetHead())) {
        ++m_nDropped;
        return;
    }
    // The name frame takes any answer as its acknowledgement; what another
    // kind of answer carries belongs to no request and is not kept.
    if (m_queue.GetHead()->GetData()[FRAME_CMD] == CMD_NAME && m_nCommand != CMD_ACK) {
        AcceptHead();
        m_bInFrame = 0;
        if (m_nCommand != CMD_NAME_REPLY)
            ClearBuffers();
        return;
    }

    switch (m_nCommand) {
    case CMD_BLOCK_REPLY: {
        // Only four places exist; a block for any other channel is dropped
        // whole and the request stays waiting.
        if (m_nReplyChannel >= NUM_CHANNELS) {
            ++m_nDropped;
            return;
        }
        std::copy_n(m_abAssembly.begin(), BLOCK_FRAME_LEN,
                    m_abBlockIn[static_cast<std::size_t>(m_nReplyChannel)].begin());
        AcceptHead();
        m_bInFrame = 0;
        SetProgress(m_nHeadProgressPos);
        if (m_nReplyChannel == NUM_CHANNELS - 1 && m_pWnd)
            m_pWnd->PostMessage(WM_PRESET_READ_COMPLETE, 0, 0);
        ClearBuffers();
        break;
    }
    case CMD_NAME_REPLY: {
        if (m_nReplySlot >= NUM_PRESET_SLOTS) {
            ++m_nDropped;
            return;
        }
        const BYTE* pName = m_abAssembly.data() + FRAME_PAYLOAD;
        const BYTE* pEnd = std::find(pName, pName + PRESET_NAME_LEN, BYTE{0});
        std::string strName(pName, pEnd);
        while (!strName.empty() && std::isspace(static_cast<unsigned char>(strName.back())))
            strName.pop_back();
        m_astrName[static_cast<std::size_t>(m_nReplySlot)] = strName;
        AcceptHead();
        m_bInFrame = 0;
        if (m_nReplySlot == NUM_PRESET_SLOTS - 1 && m_pWnd)
            m_pWnd->SendMessage(WM_PRESET_NAMES_RECEIVED, 0, NUM_PRESET_SLOTS - 1);
        break;
    }
    case CMD_ACK:
        AcceptHead();
        ClearBuffers();
        if (m_bHeadProgressAck) {
            SetProgress(m_nHeadProgressPos);
            if (m_pWnd)
                m_pWnd->EnableWindow(true);
        }
        break;
    case CMD_POLL:
        AcceptHead();
        ClearBuffers();
        break;
    default:
        break;
    }
}
