// The port opened, closed and set up: line settings, handshaking, the event
// mask and the time-outs. Reading, writing and waiting for events are in
// SerialIo.cpp.
#include "Serial.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "NetAddress.h"
#include "NetLine.h"
#include "SerialChecks.h"
#include "Trace.h"

namespace {
constexpr const char* DEVICE_FOLDER = "/dev/";
// Open's default mask: received bytes, breaks and line errors.
constexpr DWORD DEFAULT_EVENT_MASK = EV_RXCHAR | EV_BREAK | EV_ERR;
constexpr DWORD MIN_QUEUE_SIZE = 16;

bool BaudToSpeed(DWORD dwBaudrate, speed_t& speed)
{
    static constexpr struct {
        DWORD dwBaud;
        speed_t speed;
    } s_aRates[] = {
        {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
        {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
        {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
        {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
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

// Many USB adapters hold received bytes for up to 16 ms before handing them
// on; asking the driver for low latency makes every answer arrive sooner.
// Drivers that have no such setting (a pseudo-terminal) simply refuse.
void RequestLowLatency(int fd)
{
    serial_struct ss{};
    if (ioctl(fd, TIOCGSERIAL, &ss) != 0 || (ss.flags & ASYNC_LOW_LATENCY))
        return;
    ss.flags |= ASYNC_LOW_LATENCY;
    (void)ioctl(fd, TIOCSSERIAL, &ss);
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
    std::string strName = WithoutDeviceNamespace(pszDevice ? pszDevice : "");
    // A name from the list is a device under /dev; anything with a '/' in it
    // is a path, relative ones from where the program runs, as typed.
    if (strName.find('/') != std::string::npos)
        return strName;
    return DEVICE_FOLDER + strName;
}

LONG CSerial::OpenDevice(const char* pszDevice, int& fdOut)
{
    const std::string strPath = DevicePath(pszDevice);
    const int fd = open(strPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const LONG lError = errno;
        Trace("CSerial::Open - Unable to open port\n");
        return lError;
    }
    // No sharing: another program (or another open here) must not talk on
    // the same line. TIOCEXCL keeps other opens out of the tty, the lock
    // keeps out those the kernel lets through (root, same-process opens).
    termios tio{};
    if (tcgetattr(fd, &tio) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        const LONG lError = errno;
        close(fd);
        Trace("CSerial::Open - Unable to open port\n");
        return lError;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // The exclusive flag would outlive this descriptor and keep everyone
        // out of a port nobody uses.
        const LONG lError = errno;
        ioctl(fd, TIOCNXCL);
        close(fd);
        Trace("CSerial::Open - Unable to open port\n");
        return lError;
    }
    fdOut = fd;
    return ERROR_SUCCESS;
}

LONG CSerial::OpenNet(const char* pszDevice, int& fdOut)
{
    auto pNet = std::make_unique<CNetLine>();
    if (const LONG lError = pNet->Open(pszDevice)) {
        Trace("CSerial::Open - Unable to connect to the device server\n");
        return lError;
    }
    fdOut = pNet->GetDescriptor();
    m_pNet = std::move(pNet);
    return ERROR_SUCCESS;
}

void CSerial::ReleasePort()
{
    if (m_pNet) {
        m_pNet.reset();  // closes the socket
    } else {
        // The exclusive flag outlives this descriptor when someone else keeps
        // the tty open (a pty's master side does), so give it back explicitly.
        ioctl(m_hPort, TIOCNXCL);
        close(m_hPort);
    }
    m_hPort = -1;
}

LONG CSerial::Open(const char* pszDevice, DWORD dwInQueue, DWORD dwOutQueue, bool fOverlapped)
{
    SetError(ERROR_SUCCESS);
    if (IsOpen()) {
        Trace("CSerial::Open - Port already opened\n");
        return SetError(ERROR_ALREADY_INITIALIZED);
    }

    int fd = -1;
    const bool bNet = pszDevice && IsNetPortName(pszDevice);
    if (const LONG lError = bNet ? OpenNet(pszDevice, fd) : OpenDevice(pszDevice, fd))
        return SetError(lError);
    m_hPort = fd;

    SerialAssert(m_hevtOverlapped == nullptr, "m_hevtOverlapped == 0");
    LONG lError = ERROR_SUCCESS;
    if (fOverlapped && !(m_hevtOverlapped = CSerialEvent::Create(lError))) {
        Trace("CSerial::Open - Unable to create event\n");
        ReleasePort();
        return SetError(lError);
    }
    if (!(m_evtWake = CSerialEvent::Create(lError)) || !(m_evtConsumed = CSerialEvent::Create(lError))) {
        Trace("CSerial::Open - Unable to create event\n");
        m_hevtOverlapped.reset();
        m_evtWake.reset();
        ReleasePort();
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
    SetMask(DEFAULT_EVENT_MASK);
    if (bNet) {
        m_bHaveCounters = false;  // a socket has no line errors to count
        return SetError(SetupReadTimeouts(ReadModeNonblocking));
    }
    serial_icounter_struct counters;
    m_bHaveCounters = ReadCounters(m_hPort, counters);
    if (m_bHaveCounters)
        m_counters = {counters.frame, counters.overrun, counters.parity, counters.brk, counters.buf_overrun};

    const LONG lResult = SetupReadTimeouts(ReadModeNonblocking);

    // The default configuration: a raw 8-bit line, receiver on, no modem
    // control, reads that never wait in the kernel (time-outs are ours).
    termios tio{};
    (void)tcgetattr(m_hPort, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (SetLineAttributes(tio) != ERROR_SUCCESS)
        Trace("CSerial::Open - Unable to set default communication configuration.\n");
    RequestLowLatency(m_hPort);
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
    ReleasePort();
    return ERROR_SUCCESS;
}

LONG CSerial::Setup(DWORD dwBaudrate, BYTE bDataBits, BYTE bParity, BYTE bStopBits)
{
    SetError(ERROR_SUCCESS);
    if (!IsOpen()) {
        Trace("CSerial::Setup - Device is not opened\n");
        return SetError(ERROR_INVALID_HANDLE);
    }
    if (m_pNet)
        return SetError(m_pNet->Setup(dwBaudrate, bDataBits, bParity, bStopBits));
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
    if (const LONG lError = SetLineAttributes(tio); lError != ERROR_SUCCESS) {
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
    if (m_pNet)
        return SetError(m_pNet->SetupHandshaking(eHandshake));
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
    if (const LONG lError = SetLineAttributes(tio); lError != ERROR_SUCCESS) {
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

LONG CSerial::SetLineAttributes(const termios& tio)
{
    return tcsetattr(m_hPort, TCSANOW, &tio) == 0 ? ERROR_SUCCESS : errno;
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
