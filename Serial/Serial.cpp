#include "Serial.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "PollDeadline.h"
#include "Trace.h"

namespace {
constexpr const char* DEVICE_NAMESPACE = "\\\\.\\";
constexpr const char* DEVICE_FOLDER = "/dev/";
// Open's default mask: received bytes, breaks and line errors.
constexpr DWORD DEFAULT_EVENT_MASK = EV_RXCHAR | EV_BREAK | EV_ERR;
// How often a listener looks again while received bytes wait to be read.
constexpr int UNREAD_RECHECK_MS = 10;
constexpr DWORD MIN_QUEUE_SIZE = 16;

// Debug checks of the caller's arguments. They trace instead of aborting:
// a port must never bring the program down.
void SerialAssert(bool bCondition, const char* pszText)
{
    if (!bCondition)
        Trace("Assertion failed: %s\n", pszText);
}

bool BaudToSpeed(DWORD dwBaudrate, speed_t& speed)
{
    static constexpr struct {
        DWORD dwBaud;
        speed_t speed;
    } s_aRates[] = {
        {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
        {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
        {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
        {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
    };
    for (const auto& rate : s_aRates) {
        if (rate.dwBaud == dwBaudrate) {
            speed = rate.speed;
            return true;
        }
    }
    return false;
}

bool DataBitsFlag(BYTE bDataBits, tcflag_t& flag)
{
    switch (bDataBits) {
    case 5:
        flag = CS5;
        return true;
    case 6:
        flag = CS6;
        return true;
    case 7:
        flag = CS7;
        return true;
    case 8:
        flag = CS8;
        return true;
    default:
        return false;
    }
}

bool ParityFlags(BYTE bParity, tcflag_t& flags)
{
    switch (bParity) {
    case NOPARITY:
        flags = 0;
        return true;
    case ODDPARITY:
        flags = PARENB | PARODD;
        return true;
    case EVENPARITY:
        flags = PARENB;
        return true;
    case MARKPARITY:
        flags = PARENB | PARODD | CMSPAR;
        return true;
    case SPACEPARITY:
        flags = PARENB | CMSPAR;
        return true;
    default:
        return false;
    }
}

// termios has one or two stop bits; one and a half is what a UART makes of
// two with five data bits.
bool StopBitsFlag(BYTE bStopBits, tcflag_t& flag)
{
    switch (bStopBits) {
    case ONESTOPBIT:
        flag = 0;
        return true;
    case ONE5STOPBITS:
    case TWOSTOPBITS:
        flag = CSTOPB;
        return true;
    default:
        return false;
    }
}

// The modem-line ioctls fail this way only where the driver has no modem
// lines at all.
bool HasNoModemLines(LONG lError)
{
    return lError == ENOTTY;
}

bool ReadCounters(int fd, serial_icounter_struct& counters)
{
    std::memset(&counters, 0, sizeof counters);
    return ioctl(fd, TIOCGICOUNT, &counters) == 0;
}
}  // namespace

CSerial::~CSerial()
{
    if (IsOpen()) {
        Trace("CSerial::~CSerial - Serial port not closed\n");
        CSerial::Close();
    }
}

std::string CSerial::DevicePath(const char* pszDevice)
{
    std::string strName = pszDevice ? pszDevice : "";
    const std::string strPrefix = DEVICE_NAMESPACE;
    if (strName.compare(0, strPrefix.size(), strPrefix) == 0)
        strName.erase(0, strPrefix.size());
    if (!strName.empty() && strName[0] == '/')
        return strName;
    return DEVICE_FOLDER + strName;
}

LONG CSerial::Open(const char* pszDevice, DWORD dwInQueue, DWORD dwOutQueue, bool fOverlapped)
{
    SetError(ERROR_SUCCESS);
    if (IsOpen()) {
        Trace("CSerial::Open - Port already opened\n");
        return SetError(ERROR_ALREADY_INITIALIZED);
    }

    const std::string strPath = DevicePath(pszDevice);
    const int fd = open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const LONG lError = errno;
        Trace("CSerial::Open - Unable to open port\n");
        return SetError(lError);
    }
    // No sharing: another program (or another open here) must not talk on
    // the same line. TIOCEXCL keeps other opens out of the tty, the lock
    // keeps out those the kernel lets through (root, same-process opens).
    termios tio{};
    if (tcgetattr(fd, &tio) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        const LONG lError = errno;
        close(fd);
        Trace("CSerial::Open - Unable to open port\n");
        return SetError(lError);
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // The exclusive flag would outlive this descriptor and keep everyone
        // out of a port nobody uses.
        const LONG lError = errno;
        ioctl(fd, TIOCNXCL);
        close(fd);
        Trace("CSerial::Open - Unable to open port\n");
        return SetError(lError);
    }
    m_hPort = fd;

    SerialAssert(m_hevtOverlapped == nullptr, "m_hevtOverlapped == 0");
    LONG lError = ERROR_SUCCESS;
    if (fOverlapped && !(m_hevtOverlapped = CSerialEvent::Create(lError))) {
        Trace("CSerial::Open - Unable to create event\n");
        ioctl(m_hPort, TIOCNXCL);
        close(m_hPort);
        m_hPort = -1;
        return SetError(lError);
    }
    if (!(m_evtWake = CSerialEvent::Create(lError)) || !(m_evtConsumed = CSerialEvent::Create(lError))) {
        Trace("CSerial::Open - Unable to create event\n");
        m_hevtOverlapped.reset();
        m_evtWake.reset();
        ioctl(m_hPort, TIOCNXCL);
        close(m_hPort);
        m_hPort = -1;
        return SetError(lError);
    }

    // The kernel sizes a tty's queues itself; the sizes are only checked.
    if (dwInQueue || dwOutQueue) {
        SerialAssert(dwInQueue >= MIN_QUEUE_SIZE, "dwInQueue >= 16");
        SerialAssert(dwOutQueue >= MIN_QUEUE_SIZE, "dwOutQueue >= 16");
    }

    m_nConsumed = 0;
    m_nSeenConsumed = 0;
    m_nSeenQueued = 0;
    m_bHungUp = false;
    m_dwLineErrors = 0;
    serial_icounter_struct counters;
    m_bHaveCounters = ReadCounters(m_hPort, counters);
    if (m_bHaveCounters)
        m_counters = {counters.frame, counters.overrun, counters.parity, counters.brk, counters.buf_overrun};

    SetMask(DEFAULT_EVENT_MASK);
    const LONG lResult = SetupReadTimeouts(ReadModeNonblocking);

    // The default configuration: a raw 8-bit line, receiver on, no modem
    // control, reads that never wait in the kernel (time-outs are ours).
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (tcsetattr(m_hPort, TCSANOW, &tio) != 0)
        Trace("CSerial::Open - Unable to set default communication configuration.\n");
    return SetError(lResult);
}

LONG CSerial::Close()
{
    SetError(ERROR_SUCCESS);
    if (!IsOpen()) {
        Trace("CSerial::Close - Method called when device is not open\n");
        return ERROR_SUCCESS;
    }
    m_hevtOverlapped.reset();
    m_evtWake.reset();
    m_evtConsumed.reset();
    // The exclusive flag outlives this descriptor when someone else keeps the
    // tty open (a pty's master side does), so give it back explicitly.
    ioctl(m_hPort, TIOCNXCL);
    close(m_hPort);
    m_hPort = -1;
    return ERROR_SUCCESS;
}

LONG CSerial::Setup(DWORD dwBaudrate, BYTE bDataBits, BYTE bParity, BYTE bStopBits)
{
    SetError(ERROR_SUCCESS);
    if (!IsOpen()) {
        Trace("CSerial::Setup - Device is not opened\n");
        return SetError(ERROR_INVALID_HANDLE);
    }
    termios tio{};
    if (tcgetattr(m_hPort, &tio) != 0) {
        const LONG lError = errno;
        Trace("CSerial::Setup - Unable to obtain DCB information\n");
        return SetError(lError);
    }
    speed_t speed = B9600;
    tcflag_t dataBits = 0, parity = 0, stopBits = 0;
    if (!BaudToSpeed(dwBaudrate, speed)) {
        Trace("CSerial::Setup - Unable to set DCB information\n");
        return SetError(EINVAL);
    }
    if (!DataBitsFlag(bDataBits, dataBits) || !ParityFlags(bParity, parity) || !StopBitsFlag(bStopBits, stopBits)) {
        // Settings the line cannot take are refused, never replaced by others.
        Trace("CSerial::Setup - Unable to set DCB information\n");
        return SetError(E_INVALIDARG);
    }
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    tio.c_cflag = (tio.c_cflag & ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB)) | dataBits | parity | stopBits;
    if (bParity != NOPARITY)
        tio.c_iflag |= INPCK;
    else
        tio.c_iflag &= ~INPCK;
    if (tcsetattr(m_hPort, TCSANOW, &tio) != 0) {
        const LONG lError = errno;
        Trace("CSerial::Setup - Unable to set DCB information\n");
        return SetError(lError);
    }
    return ERROR_SUCCESS;
}

LONG CSerial::SetMask(DWORD dwMask)
{
    SetError(ERROR_SUCCESS);
    if (!IsOpen()) {
        Trace("CSerial::SetMask - Device is not opened\n");
        return SetError(ERROR_INVALID_HANDLE);
    }
    m_dwMask = dwMask;
    // A pending wait ends with an empty event word, as it does when the
    // platform applies a new mask.
    m_evtWake->Set();
    return ERROR_SUCCESS;
}

LONG CSerial::SetupHandshaking(int eHandshake)
{
    SetError(ERROR_SUCCESS);
    if (!IsOpen()) {
        Trace("CSerial::SetupHandshaking - Device is not opened\n");
        return SetError(ERROR_INVALID_HANDLE);
    }
    if (eHandshake != HandshakeOff && eHandshake != HandshakeHardware && eHandshake != HandshakeSoftware) {
        SerialAssert(false, "false");
        return SetError(E_INVALIDARG);
    }
    termios tio{};
    if (tcgetattr(m_hPort, &tio) != 0) {
        const LONG lError = errno;
        Trace("CSerial::SetupHandshaking - Unable to obtain DCB information\n");
        return SetError(lError);
    }
    tio.c_cflag &= ~CRTSCTS;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (eHandshake == HandshakeHardware)
        tio.c_cflag |= CRTSCTS;
    else if (eHandshake == HandshakeSoftware)
        tio.c_iflag |= IXON | IXOFF;
    if (tcsetattr(m_hPort, TCSANOW, &tio) != 0) {
        const LONG lError = errno;
        Trace("CSerial::SetupHandshaking - Unable to set DCB information\n");
        return SetError(lError);
    }
    // Without hardware handshake DTR and RTS are held inactive; with it DTR
    // is raised and RTS follows the flow control. A driver without modem
    // lines (a pseudo-terminal's) says ENOTTY, which is no reason to fail;
    // any other failure on a real port is one.
    if (const LONG lError = SetModemLines(eHandshake == HandshakeHardware)) {
        Trace("CSerial::SetupHandshaking - Unable to set the modem lines\n");
        if (!HasNoModemLines(lError))
            return SetError(lError);
    }
    return ERROR_SUCCESS;
}

LONG CSerial::SetModemLines(bool bRaise)
{
    int nLines = TIOCM_DTR | TIOCM_RTS;
    return ioctl(m_hPort, bRaise ? TIOCMBIS : TIOCMBIC, &nLines) == 0 ? ERROR_SUCCESS : errno;
}

LONG CSerial::SetupReadTimeouts(int eReadMode)
{
    SetError(ERROR_SUCCESS);
    if (!IsOpen()) {
        Trace("CSerial::SetupReadTimeouts - Device is not opened\n");
        return SetError(ERROR_INVALID_HANDLE);
    }
    if (eReadMode != ReadModeNonblocking && eReadMode != ReadModeBlocking) {
        SerialAssert(false, "false");
        return SetError(E_INVALIDARG);
    }
    m_eReadMode = eReadMode;
    return ERROR_SUCCESS;
}

LONG CSerial::RefuseBlocking(const char* pszOperation, const OVERLAPPED* lpOverlapped, DWORD dwTimeout)
{
    if (!IsOpen()) {
        Trace("CSerial::%s - Device is not opened\n", pszOperation);
        return SetError(ERROR_INVALID_HANDLE);
    }
    if (!IsOverlapped() && (lpOverlapped || dwTimeout != INFINITE)) {
        Trace("CSerial::%s - Overlapped I/O is disabled, specified parameters are illegal.\n", pszOperation);
        return SetError(ERROR_INVALID_FUNCTION);
    }
    return ERROR_SUCCESS;
}

void CSerial::Complete(OVERLAPPED* lpOverlapped, CSerialEvent* pInternal)
{
    if (lpOverlapped && lpOverlapped->hEvent)
        lpOverlapped->hEvent->Set();
    else if (!lpOverlapped && pInternal)
        pInternal->Set();
}

LONG CSerial::Write(const void* pData, std::size_t iLen, DWORD* pdwWritten, OVERLAPPED* lpOverlapped,
                    DWORD dwTimeout)
{
    SetError(ERROR_SUCCESS);
    SerialAssert(!lpOverlapped || pdwWritten, "!lpOverlapped || pdwWritten");
    DWORD dwWritten = 0;
    if (!pdwWritten)
        pdwWritten = &dwWritten;
    *pdwWritten = 0;
    if (const LONG lRefused = RefuseBlocking("Write", lpOverlapped, dwTimeout))
        return lRefused;

    const auto* pBytes = static_cast<const BYTE*>(pData);
    std::size_t nDone = 0;
    const CPollDeadline deadline(dwTimeout);
    while (nDone < iLen) {
        const ssize_t n = write(m_hPort, pBytes + nDone, iLen - nDone);
        if (n > 0) {
            nDone += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            const LONG lError = errno;
            Trace("CSerial::Write - Unable to write the data\n");
            return SetError(lError);
        }
        pollfd pfd{m_hPort, POLLOUT, 0};
        const int nPoll = poll(&pfd, 1, deadline.Remaining());
        if (nPoll == 0)
            return SetError(ERROR_TIMEOUT);  // what went out is not reported
        if (nPoll < 0 && errno != EINTR) {
            const LONG lError = errno;
            Trace("CSerial::Write - Unable to wait until data has been sent\n");
            return SetError(lError);
        }
        if (nPoll > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(pfd.revents & POLLOUT)) {
            Trace("CSerial::Write - Unable to write the data\n");
            return SetError(EIO);
        }
    }
    *pdwWritten = static_cast<DWORD>(nDone);
    Complete(lpOverlapped, m_hevtOverlapped.get());
    return ERROR_SUCCESS;
}

LONG CSerial::Read(void* pData, std::size_t iLen, DWORD* pdwRead, OVERLAPPED* lpOverlapped, DWORD dwTimeout)
{
    SetError(ERROR_SUCCESS);
    SerialAssert(!lpOverlapped || pdwRead, "!lpOverlapped || pdwRead");
    DWORD dwRead = 0;
    if (!pdwRead)
        pdwRead = &dwRead;
    *pdwRead = 0;
    if (const LONG lRefused = RefuseBlocking("Read", lpOverlapped, dwTimeout))
        return lRefused;

    auto* pBytes = static_cast<BYTE*>(pData);
    std::size_t nDone = 0;
    const CPollDeadline deadline(dwTimeout);
    for (;;) {
        const ssize_t n = iLen > nDone ? read(m_hPort, pBytes + nDone, iLen - nDone) : 0;
        if (n > 0) {
            nDone += static_cast<std::size_t>(n);
            NoteReceived();
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno != EAGAIN) {
            const LONG lError = errno;
            Trace("CSerial::Read - Unable to read the data\n");
            return SetError(lError);
        }
        // Non-blocking reads take what is there; blocking ones the whole count.
        if (m_eReadMode == ReadModeNonblocking || nDone >= iLen)
            break;
        pollfd pfd{m_hPort, POLLIN, 0};
        const int nPoll = poll(&pfd, 1, deadline.Remaining());
        if (nPoll == 0)
            return SetError(ERROR_TIMEOUT);
        if (nPoll < 0 && errno != EINTR) {
            const LONG lError = errno;
            Trace("CSerial::Read - Unable to wait until data has been read\n");
            return SetError(lError);
        }
        // A hung-up line reads as end of file and polls as ready for ever:
        // nothing more will come, so stop waiting for it.
        if (nPoll > 0 && n == 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            *pdwRead = static_cast<DWORD>(nDone);
            Trace("CSerial::Read - Unable to read the data\n");
            return SetError(EIO);
        }
    }
    *pdwRead = static_cast<DWORD>(nDone);
    Complete(lpOverlapped, m_hevtOverlapped.get());
    return ERROR_SUCCESS;
}

LONG CSerial::Purge()
{
    SetError(ERROR_SUCCESS);
    if (!IsOpen()) {
        Trace("CSerial::Purge - Device is not opened\n");
        return SetError(ERROR_INVALID_HANDLE);
    }
    if (tcflush(m_hPort, TCIOFLUSH) != 0)
        return SetError(errno);
    NoteReceived();
    return ERROR_SUCCESS;
}

bool CSerial::IsHungUp() const
{
    if (!IsOpen())
        return false;
    pollfd pfd{m_hPort, 0, 0};
    return poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void CSerial::NoteReceived()
{
    m_nConsumed.fetch_add(1, std::memory_order_release);
    m_evtConsumed->Set();
}

DWORD CSerial::GetEventType()
{
    const DWORD dwMask = m_dwMask;
    const DWORD dwEvent = m_dwEvent & dwMask;
    if (dwEvent == 0)
        Trace("CSerial::GetEventType - Event %08Xh not within mask %08Xh.\n", m_dwEvent, dwMask);
    m_dwEvent = 0;
    return dwEvent;
}

LONG CSerial::WaitEvent(OVERLAPPED* lpOverlapped, DWORD dwTimeout)
{
    SetError(ERROR_SUCCESS);
    if (const LONG lRefused = RefuseBlocking("WaitEvent", lpOverlapped, dwTimeout))
        return lRefused;
    m_dwEvent = 0;
    const LONG lResult = PollForEvent(dwTimeout);
    if (lResult == ERROR_TIMEOUT)
        return SetError(ERROR_TIMEOUT);
    if (lResult != ERROR_SUCCESS) {
        Trace("CSerial::WaitEvent - Unable to wait for COM event\n");
        return SetError(lResult);
    }
    Complete(lpOverlapped, m_hevtOverlapped.get());
    return ERROR_SUCCESS;
}

DWORD CSerial::TakeNewLineErrors()
{
    serial_icounter_struct now;
    if (!m_bHaveCounters || !ReadCounters(m_hPort, now))
        return 0;
    DWORD dwErrors = 0;
    if (now.frame != m_counters.frame)
        dwErrors |= CE_FRAME;
    if (now.overrun != m_counters.overrun)
        dwErrors |= CE_OVERRUN;
    if (now.parity != m_counters.parity)
        dwErrors |= CE_RXPARITY;
    if (now.buf_overrun != m_counters.bufOverrun)
        dwErrors |= CE_RXOVER;
    if (now.brk != m_counters.brk)
        dwErrors |= CE_BREAK;
    m_counters = {now.frame, now.overrun, now.parity, now.brk, now.buf_overrun};
    m_dwLineErrors |= dwErrors;
    DWORD dwEvent = 0;
    if (dwErrors & (CE_FRAME | CE_OVERRUN | CE_RXPARITY | CE_RXOVER))
        dwEvent |= EV_ERR;
    if (dwErrors & CE_BREAK)
        dwEvent |= EV_BREAK;
    return dwEvent;
}

LONG CSerial::ClearLineErrors(DWORD& dwErrors)
{
    dwErrors = 0;
    if (!IsOpen())
        return SetError(ERROR_INVALID_HANDLE);
    TakeNewLineErrors();
    dwErrors = m_dwLineErrors;
    m_dwLineErrors = 0;
    return ERROR_SUCCESS;
}

LONG CSerial::PollForEvent(DWORD dwTimeout)
{
    const CPollDeadline deadline(dwTimeout);
    for (;;) {
        const DWORD dwMask = m_dwMask;
        int nQueued = 0;
        if ((dwMask & EV_RXCHAR) && !m_bHungUp) {
            // Consumption first: a Read between the two looks like fewer
            // bytes (a later look corrects it), never like more.
            const unsigned nConsumed = m_nConsumed.load(std::memory_order_acquire);
            if (ioctl(m_hPort, FIONREAD, &nQueued) != 0)
                nQueued = 0;
            const bool bNew =
                nQueued > 0 && (nConsumed != m_nSeenConsumed || nQueued > m_nSeenQueued);
            m_nSeenConsumed = nConsumed;
            m_nSeenQueued = nQueued;
            if (bNew)
                m_dwEvent |= EV_RXCHAR;
        }
        if (!m_bHungUp)
            m_dwEvent |= TakeNewLineErrors() & dwMask;
        if (m_dwEvent != 0)
            return ERROR_SUCCESS;

        // Bytes already reported stay readable; look again shortly instead of
        // letting poll() return at once for them.
        pollfd afd[3] = {{m_bHungUp ? -1 : m_hPort, 0, 0},
                         {m_evtWake->GetDescriptor(), POLLIN, 0},
                         {m_evtConsumed->GetDescriptor(), POLLIN, 0}};
        int nTimeout = deadline.Remaining();
        if (nQueued > 0)
            nTimeout = deadline.Slice(UNREAD_RECHECK_MS);
        else if (dwMask & EV_RXCHAR)
            afd[0].events = POLLIN;
        const int n = poll(afd, 3, nTimeout);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (afd[1].revents & POLLIN) {
            m_evtWake->Reset();
            return ERROR_SUCCESS;  // woken: an empty event word
        }
        if (afd[2].revents & POLLIN) {
            m_evtConsumed->Reset();
            continue;
        }
        if (afd[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // The line is gone (an adapter pulled out, the far end closed).
            // Report it once; afterwards only a wake-up ends a wait.
            m_bHungUp = true;
            if (dwMask & EV_ERR) {
                m_dwEvent |= EV_ERR;
                return ERROR_SUCCESS;
            }
            continue;
        }
        if (n == 0 && deadline.Expired())
            return ERROR_TIMEOUT;
    }
}
