#include "NetLine.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "NetConnect.h"
#include "NetErrors.h"
#include "PollDeadline.h"
#include "Trace.h"

namespace {
// The most telnet bytes taken in one go while only commands are awaited.
constexpr std::size_t RAW_CHUNK = 1024;
// A frame goes out in one send; this bounds a send the server is slow to take.
constexpr DWORD SEND_TIMEOUT_MS = 2000;

// The COM port option's codes for the line settings.
BYTE ParityCode(BYTE bParity)
{
    switch (bParity) {
    case ODDPARITY:
        return 2;
    case EVENPARITY:
        return 3;
    case MARKPARITY:
        return 4;
    case SPACEPARITY:
        return 5;
    default:
        return 1;  // none
    }
}

BYTE StopCode(BYTE bStopBits)
{
    return bStopBits == TWOSTOPBITS ? 2 : bStopBits == ONE5STOPBITS ? 3 : 1;
}

BYTE ControlCode(int eHandshake)
{
    return eHandshake == HandshakeHardware ? 3 : eHandshake == HandshakeSoftware ? 2 : 1;
}
}  // namespace

CNetLine::~CNetLine()
{
    Close();
}

LONG CNetLine::Open(const std::string& strName)
{
    Close();
    if (!ParseNetAddress(strName, m_address))
        return NET_ERROR_BAD_ADDRESS;
    if (const LONG lError = ConnectNetAddress(m_address, NET_CONNECT_TIMEOUT_MS, m_fd))
        return lError;
    m_telnet = CTelnetCodec();
    if (IsTelnet()) {
        const std::vector<BYTE> greeting = m_telnet.Greeting();
        if (SendAll(greeting.data(), greeting.size()) < 0) {
            const LONG lError = errno;
            Close();
            return lError;
        }
    }
    return ERROR_SUCCESS;
}

void CNetLine::Close()
{
    if (m_fd >= 0)
        close(m_fd);
    m_fd = -1;
}

ssize_t CNetLine::SendAll(const BYTE* pData, std::size_t nLen)
{
    const CPollDeadline deadline(SEND_TIMEOUT_MS);
    std::size_t nDone = 0;
    while (nDone < nLen) {
        const ssize_t n = send(m_fd, pData + nDone, nLen - nDone, MSG_NOSIGNAL);
        if (n > 0) {
            nDone += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return -1;
        pollfd pfd{m_fd, POLLOUT, 0};
        const int nPoll = poll(&pfd, 1, deadline.Remaining());
        if (nPoll == 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        if (nPoll < 0 && errno != EINTR)
            return -1;
    }
    return static_cast<ssize_t>(nDone);
}

ssize_t CNetLine::Write(const BYTE* pData, std::size_t nLen)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!IsTelnet())
        return SendAll(pData, nLen) < 0 ? -1 : static_cast<ssize_t>(nLen);
    std::vector<BYTE> wire;
    m_telnet.Encode(pData, nLen, wire);
    return SendAll(wire.data(), wire.size()) < 0 ? -1 : static_cast<ssize_t>(nLen);
}

ssize_t CNetLine::Read(BYTE* pData, std::size_t nLen)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!IsTelnet())
        return recv(m_fd, pData, nLen, 0);
    // Data never outnumbers the wire bytes that carry it, so taking at most
    // nLen of them fills no more than the caller's buffer.
    std::array<BYTE, RAW_CHUNK> raw;
    const ssize_t nRaw = recv(m_fd, raw.data(), std::min(nLen, raw.size()), 0);
    if (nRaw <= 0)
        return nRaw;
    const std::size_t nData = m_telnet.Decode(raw.data(), static_cast<std::size_t>(nRaw), pData);
    const std::vector<BYTE> replies = m_telnet.TakeReplies();
    if (!replies.empty() && SendAll(replies.data(), replies.size()) < 0)
        Trace("CNetLine::Read - Unable to answer the device server\n");
    if (nData == 0) {
        errno = EAGAIN;
        return -1;
    }
    return static_cast<ssize_t>(nData);
}

void CNetLine::Purge()
{
    std::array<BYTE, RAW_CHUNK> scratch;
    while (Read(scratch.data(), scratch.size()) > 0) {
    }
}

LONG CNetLine::WaitFor(const std::function<bool()>& done)
{
    const CPollDeadline deadline(NET_SETTINGS_TIMEOUT_MS);
    std::array<BYTE, RAW_CHUNK> raw, data;
    while (!done()) {
        pollfd afd[2] = {{m_fd, POLLIN, 0}, {GetNetStopDescriptor(), POLLIN, 0}};
        const int n = poll(afd, afd[1].fd >= 0 ? 2 : 1, deadline.Remaining());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return NET_ERROR_NO_ANSWER;
        if (afd[1].revents & POLLIN)
            return ECANCELED;
        const ssize_t nRaw = recv(m_fd, raw.data(), raw.size(), 0);
        if (nRaw == 0)
            return ECONNRESET;
        if (nRaw < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return errno;
        }
        // Nothing has been sent to the device yet, so no data is owed to us.
        if (m_telnet.Decode(raw.data(), static_cast<std::size_t>(nRaw), data.data()) > 0)
            Trace("CNetLine::WaitFor - Data before the line was set up, dropped\n");
        const std::vector<BYTE> replies = m_telnet.TakeReplies();
        if (!replies.empty() && SendAll(replies.data(), replies.size()) < 0)
            return errno;
    }
    return ERROR_SUCCESS;
}

LONG CNetLine::SetComPort(const std::vector<std::pair<BYTE, std::vector<BYTE>>>& commands)
{
    if (const LONG lError = WaitFor([this] { return m_telnet.IsComPortOn() || m_telnet.IsComPortRefused(); }))
        return lError == NET_ERROR_NO_ANSWER ? NET_ERROR_NO_COM_PORT : lError;
    if (!m_telnet.IsComPortOn()) {
        Trace("CNetLine::SetComPort - The device server refuses the COM port option\n");
        return NET_ERROR_NO_COM_PORT;
    }
    m_telnet.ForgetAnswers();
    std::vector<BYTE> wire;
    for (const auto& [bCommand, value] : commands) {
        const std::vector<BYTE> one = CTelnetCodec::ComPortCommand(bCommand, value);
        wire.insert(wire.end(), one.begin(), one.end());
    }
    if (SendAll(wire.data(), wire.size()) < 0)
        return errno;
    std::vector<BYTE> answer;
    if (const LONG lError = WaitFor([&] {
            for (const auto& command : commands)
                if (!m_telnet.GetAnswer(command.first, answer))
                    return false;
            return true;
        }))
        return lError;
    for (const auto& [bCommand, value] : commands) {
        m_telnet.GetAnswer(bCommand, answer);
        if (answer != value) {
            Trace("CNetLine::SetComPort - The device server answered other settings (command %u)\n", bCommand);
            return NET_ERROR_SETTINGS_REFUSED;
        }
    }
    return ERROR_SUCCESS;
}

LONG CNetLine::Setup(DWORD dwBaudrate, BYTE bDataBits, BYTE bParity, BYTE bStopBits)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!IsTelnet())
        return ERROR_SUCCESS;
    const std::vector<BYTE> baud{static_cast<BYTE>(dwBaudrate >> 24), static_cast<BYTE>(dwBaudrate >> 16),
                                 static_cast<BYTE>(dwBaudrate >> 8), static_cast<BYTE>(dwBaudrate)};
    return SetComPort({{CTelnetCodec::CPO_SET_BAUDRATE, baud},
                       {CTelnetCodec::CPO_SET_DATASIZE, {bDataBits}},
                       {CTelnetCodec::CPO_SET_PARITY, {ParityCode(bParity)}},
                       {CTelnetCodec::CPO_SET_STOPSIZE, {StopCode(bStopBits)}}});
}

LONG CNetLine::SetupHandshaking(int eHandshake)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!IsTelnet())
        return ERROR_SUCCESS;
    return SetComPort({{CTelnetCodec::CPO_SET_CONTROL, {ControlCode(eHandshake)}}});
}
