#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <vector>

#include "PtyPair.h"
#include "Serial.h"
#include "SerialLinkPort.h"
#include "Trace.h"
#include "WindowRecorder.h"

namespace {

using namespace std::chrono_literals;

// Collects trace lines for the lifetime of the object.
class CTraceCapture {
public:
    CTraceCapture()
    {
        m_old = SetTraceSink([this](const std::string& line) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_aLines.push_back(line);
        });
    }
    ~CTraceCapture() { SetTraceSink(m_old); }
    std::vector<std::string> Lines()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_aLines;
    }
    bool Has(const std::string& line) { return Count(line) > 0; }
    int Count(const std::string& line)
    {
        int n = 0;
        for (const auto& l : Lines())
            n += l == line;
        return n;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_aLines;
    TraceSink m_old;
};

class CTestSerial : public CSerial {
public:
    int Fd() const { return m_hPort; }
    // What the driver was last given: a pty drops parity, a UART would not.
    termios m_lastSet{};

protected:
    LONG SetLineAttributes(const termios& tio) override
    {
        m_lastSet = tio;
        return CSerial::SetLineAttributes(tio);
    }
};

// A port whose modem lines fail the way a driver says so.
class CModemLineFailure : public CSerial {
public:
    explicit CModemLineFailure(LONG lError) : m_lModemError(lError) {}

protected:
    LONG SetModemLines(bool) override { return m_lModemError; }

private:
    LONG m_lModemError;
};

template <class F> bool Eventually(F f, std::chrono::milliseconds guard = 5s)
{
    const auto end = std::chrono::steady_clock::now() + guard;
    while (!f()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

std::string DrainMaster(const CPtyPair& pty)
{
    std::string out;
    char buf[4096];
    pollfd pfd{pty.Master(), POLLIN, 0};
    while (poll(&pfd, 1, 200) > 0) {
        const ssize_t n = read(pty.Master(), buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

TEST(SerialTest, OpenIsExclusiveAndFailuresLeaveThePortClosed)
{
    CTraceCapture traces;
    CPtyPair pty;
    CTestSerial first;
    ASSERT_EQ(first.Open(pty.Slave().c_str(), 8000, 8000, false), ERROR_SUCCESS);
    EXPECT_TRUE(first.IsOpen());

    EXPECT_EQ(first.Open(pty.Slave().c_str()), ERROR_ALREADY_INITIALIZED);
    EXPECT_TRUE(traces.Has("CSerial::Open - Port already opened\n"));

    CSerial second;
    const LONG lSecond = second.Open(pty.Slave().c_str());
    EXPECT_NE(lSecond, ERROR_SUCCESS);
    EXPECT_FALSE(second.IsOpen());

    // The first connection still works both ways.
    DWORD dwWritten = 0;
    EXPECT_EQ(first.Write("ping", 4, &dwWritten), ERROR_SUCCESS);
    EXPECT_EQ(dwWritten, 4u);
    EXPECT_EQ(DrainMaster(pty), "ping");
    pty.Send("pong");
    char buf[16] = {};
    DWORD dwRead = 0;
    ASSERT_TRUE(Eventually([&] {
        first.Read(buf, sizeof buf, &dwRead);
        return dwRead > 0;
    }));
    EXPECT_EQ(std::string(buf, dwRead), "pong");

    // Once the first lets go, the line can be taken again.
    EXPECT_EQ(first.Close(), ERROR_SUCCESS);
    EXPECT_EQ(second.Open(pty.Slave().c_str()), ERROR_SUCCESS);

    CSerial missing;
    EXPECT_EQ(missing.Open("\\\\.\\ttyDoesNotExist9"), ENOENT);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_TRUE(traces.Has("CSerial::Open - Unable to open port\n"));
    // Not a terminal at all.
    EXPECT_EQ(missing.Open("/dev/null"), ENOTTY);
    EXPECT_FALSE(missing.IsOpen());

    EXPECT_EQ(missing.Close(), ERROR_SUCCESS);
    EXPECT_TRUE(traces.Has("CSerial::Close - Method called when device is not open\n"));
    EXPECT_EQ(missing.Setup(9600, 8, NOPARITY, ONESTOPBIT), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(traces.Has("CSerial::Setup - Device is not opened\n"));
    EXPECT_EQ(missing.Read(buf, sizeof buf), ERROR_INVALID_HANDLE);
    EXPECT_EQ(missing.GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(SerialTest, DevicePathsMapListNamesOntoDev)
{
    EXPECT_EQ(CSerial::DevicePath("\\\\.\\ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(CSerial::DevicePath("ttyS1"), "/dev/ttyS1");
    EXPECT_EQ(CSerial::DevicePath("\\\\.\\/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(CSerial::DevicePath("/dev/pts/7"), "/dev/pts/7");
    // A '/' anywhere makes it a path as the user wrote it.
    EXPECT_EQ(CSerial::DevicePath("./ttyHERE"), "./ttyHERE");
    EXPECT_EQ(CSerial::DevicePath("serial/by-id/usb-X"), "serial/by-id/usb-X");
}

TEST(SerialTest, LineSettingsAndRefusedArguments)
{
    CTraceCapture traces;
    CPtyPair pty;
    CTestSerial port;
    ASSERT_EQ(port.Open(pty.Slave().c_str()), ERROR_SUCCESS);

    termios tio{};
    ASSERT_EQ(port.Setup(9600, 8, EVENPARITY, TWOSTOPBITS), ERROR_SUCCESS);
    ASSERT_EQ(tcgetattr(port.Fd(), &tio), 0);
    // A pty forces 8 bits without parity; parity checking shows in INPCK.
    EXPECT_TRUE(tio.c_iflag & INPCK);
    EXPECT_TRUE(tio.c_cflag & CSTOPB);

    // Each parity as the driver gets it.
    const struct {
        BYTE bParity;
        tcflag_t flags;
    } parities[] = {{ODDPARITY, PARENB | PARODD},
                    {EVENPARITY, PARENB},
                    {MARKPARITY, PARENB | PARODD | CMSPAR},
                    {SPACEPARITY, PARENB | CMSPAR},
                    {NOPARITY, 0}};
    for (const auto& p : parities) {
        ASSERT_EQ(port.Setup(9600, 8, p.bParity, ONESTOPBIT), ERROR_SUCCESS);
        EXPECT_EQ(port.m_lastSet.c_cflag & (PARENB | PARODD | CMSPAR), p.flags) << int(p.bParity);
    }

    ASSERT_EQ(port.Setup(9600, 8, NOPARITY, ONESTOPBIT), ERROR_SUCCESS);
    ASSERT_EQ(tcgetattr(port.Fd(), &tio), 0);
    EXPECT_FALSE(tio.c_cflag & PARENB);
    EXPECT_FALSE(tio.c_iflag & INPCK);
    EXPECT_FALSE(tio.c_cflag & CSTOPB);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(port.Setup(12345, 8, NOPARITY, ONESTOPBIT), EINVAL);

    // Settings the line cannot take are refused, and nothing else is applied
    // in their place.
    ASSERT_EQ(port.Setup(9600, 7, EVENPARITY, TWOSTOPBITS), ERROR_SUCCESS);
    const struct {
        BYTE bDataBits, bParity, bStopBits;
    } refused[] = {{4, NOPARITY, ONESTOPBIT}, {9, NOPARITY, ONESTOPBIT}, {8, 5, ONESTOPBIT}, {8, NOPARITY, 3}};
    for (const auto& r : refused) {
        EXPECT_EQ(port.Setup(9600, r.bDataBits, r.bParity, r.bStopBits), E_INVALIDARG);
        ASSERT_EQ(tcgetattr(port.Fd(), &tio), 0);
        EXPECT_TRUE(tio.c_iflag & INPCK);
        EXPECT_TRUE(tio.c_cflag & CSTOPB);
    }
    EXPECT_GE(traces.Count("CSerial::Setup - Unable to set DCB information\n"), 5);
    ASSERT_EQ(port.Setup(9600, 8, NOPARITY, ONESTOPBIT), ERROR_SUCCESS);

    // Software handshake, then an unknown mode that must change nothing.
    ASSERT_EQ(port.SetupHandshaking(HandshakeSoftware), ERROR_SUCCESS);
    EXPECT_EQ(port.SetupHandshaking(3), E_INVALIDARG);
    ASSERT_EQ(tcgetattr(port.Fd(), &tio), 0);
    EXPECT_TRUE(tio.c_iflag & IXON);
    ASSERT_EQ(port.SetupHandshaking(HandshakeOff), ERROR_SUCCESS);
    ASSERT_EQ(tcgetattr(port.Fd(), &tio), 0);
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF));
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);
    EXPECT_EQ(port.SetupReadTimeouts(7), E_INVALIDARG);

    // A port opened without time-outs refuses records and finite waits.
    char buf[900];
    DWORD dwRead = 99;
    OVERLAPPED overlapped;
    EXPECT_EQ(port.Read(buf, sizeof buf, &dwRead, &overlapped), ERROR_INVALID_FUNCTION);
    EXPECT_EQ(dwRead, 0u);
    EXPECT_EQ(port.Write(buf, 1, nullptr, nullptr, 600), ERROR_INVALID_FUNCTION);
    EXPECT_TRUE(traces.Has("CSerial::Read - Overlapped I/O is disabled, specified parameters are illegal.\n"));
    EXPECT_TRUE(traces.Has("CSerial::Write - Overlapped I/O is disabled, specified parameters are illegal.\n"));

    // Non-blocking read with nothing there: at once, nothing read.
    EXPECT_EQ(port.Read(buf, sizeof buf, &dwRead), ERROR_SUCCESS);
    EXPECT_EQ(dwRead, 0u);
}

// A port with time-outs but no listener, so the test drives WaitEvent.
class CPlainSerialEx : public CSerialEx {
public:
    ~CPlainSerialEx() override { Close(); }
    int m_nEvents = 0;

protected:
    void OnEvent(DWORD, DWORD) override { ++m_nEvents; }
};

TEST(SerialTest, TimeOutsAndEventWords)
{
    CPtyPair pty;
    CPlainSerialEx port;
    ASSERT_EQ(port.Open(pty.Slave().c_str(), 8000, 8000, false), ERROR_SUCCESS);
    ASSERT_FALSE(port.IsListening());

    char buf[900];
    DWORD dwRead = 5;
    EXPECT_EQ(port.Read(buf, sizeof buf, &dwRead, nullptr, 300), ERROR_SUCCESS);
    EXPECT_EQ(dwRead, 0u);

    // Open applied its mask already: that wake-up comes first, empty.
    ASSERT_EQ(port.WaitEvent(nullptr, 1000), ERROR_SUCCESS);
    EXPECT_EQ(port.GetEventType(), 0u);
    EXPECT_EQ(port.WaitEvent(nullptr, 30), ERROR_TIMEOUT);

    pty.Send("A");
    ASSERT_EQ(port.WaitEvent(nullptr, 5000), ERROR_SUCCESS);
    EXPECT_EQ(port.GetEventType(), EV_RXCHAR);
    EXPECT_EQ(port.GetEventType(), 0u);  // the stored word was cleared
    // The unread byte was reported once; it is no new event.
    EXPECT_EQ(port.WaitEvent(nullptr, 50), ERROR_TIMEOUT);
    ASSERT_EQ(port.Read(buf, sizeof buf, &dwRead), ERROR_SUCCESS);
    EXPECT_EQ(dwRead, 1u);

    // Nobody reads the master: a large write cannot finish.
    std::vector<char> big(1 << 20, 'x');
    DWORD dwWritten = 7;
    EXPECT_EQ(port.Write(big.data(), big.size(), &dwWritten, nullptr, 100), ERROR_TIMEOUT);
    EXPECT_EQ(dwWritten, 0u);
    EXPECT_EQ(port.Purge(), ERROR_SUCCESS);
}

TEST(SerialTest, ListenerPostsOneMessagePerArrivalAndWakesOnMask)
{
    CTraceCapture traces;
    CPtyPair pty;
    CWindowRecorder wnd;
    CSerialLinkPort port;
    ASSERT_EQ(port.Open(pty.Slave().c_str(), &wnd, 0, 1234, 8000, 8000), ERROR_SUCCESS);
    EXPECT_TRUE(port.IsListening());
    EXPECT_GE(CSerialWnd::s_nDefaultComMsg, 0xC000u);

    // A mask applied during the listener's wait wakes it without an event.
    const std::string wake = "CSerial::GetEventType - Event 00000000h not within mask 000001FFh.\n";
    ASSERT_EQ(port.SetMask(EV_ALL), ERROR_SUCCESS);
    ASSERT_TRUE(Eventually([&] { return traces.Has(wake); }));
    EXPECT_TRUE(wnd.Posted().empty());

    pty.Send("xyz");
    ASSERT_TRUE(wnd.WaitForPosted(1));
    const auto msg = wnd.Posted().front();
    EXPECT_EQ(msg.nMsg, CSerialWnd::s_nDefaultComMsg);
    EXPECT_EQ(EventOfParam(msg.wParam), EV_RXCHAR);
    EXPECT_EQ(ErrorsOfParam(msg.wParam), 0u);  // a pty has no line errors
    EXPECT_EQ(msg.lParam, 1234);

    // While the bytes wait to be read no flood of messages builds up: at
    // most one per arrival.
    std::this_thread::sleep_for(60ms);
    EXPECT_LE(wnd.Posted().size(), 3u);

    char buf[900];
    DWORD dwRead = 0;
    ASSERT_TRUE(Eventually([&] {
        port.Read(buf, sizeof buf, &dwRead, nullptr, 300);
        return dwRead > 0;
    }));
    const std::size_t nBefore = wnd.Posted().size();
    pty.Send("q");
    ASSERT_TRUE(wnd.WaitForPosted(nBefore + 1));

    EXPECT_EQ(port.Close(), ERROR_SUCCESS);
    EXPECT_FALSE(port.IsListening());
    EXPECT_FALSE(port.IsOpen());
}

TEST(SerialTest, NothingIsPostedOnceCloseHasBegun)
{
    CPtyPair pty;
    CWindowRecorder wnd;
    CSerialLinkPort port;
    ASSERT_EQ(port.Open(pty.Slave().c_str(), &wnd, 0x500, 0, 8000, 8000), ERROR_SUCCESS);

    std::atomic<bool> bRun{true};
    std::thread device([&] {
        while (bRun) {
            const char c = 'z';
            [[maybe_unused]] ssize_t n = write(pty.Master(), &c, 1);
            std::this_thread::sleep_for(200us);
        }
    });
    // The window keeps reading, as the real one does on each message.
    ASSERT_TRUE(wnd.WaitForPosted(3));
    EXPECT_EQ(wnd.Posted().front().nMsg, 0x500u);
    port.Close();
    const std::size_t nAtClose = wnd.Posted().size();
    std::this_thread::sleep_for(30ms);
    bRun = false;
    device.join();
    EXPECT_EQ(wnd.Posted().size(), nAtClose);
}

TEST(SerialTest, HangUpIsReportedOnceAsLineError)
{
    CPtyPair pty;
    CWindowRecorder wnd;
    CSerialLinkPort port;
    ASSERT_EQ(port.Open(pty.Slave().c_str(), &wnd, 0, 0, 8000, 8000), ERROR_SUCCESS);
    ASSERT_EQ(port.SetMask(EV_ALL), ERROR_SUCCESS);
    pty.CloseMaster();
    ASSERT_TRUE(wnd.WaitForPosted(1));
    std::this_thread::sleep_for(50ms);
    const auto posted = wnd.Posted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(EventOfParam(posted[0].wParam) & EV_ERR);
    // Closing a port whose line is gone still works and returns at once.
    EXPECT_EQ(port.Close(), ERROR_SUCCESS);
}

TEST(SerialTest, FailedOpenReleasesTheLineAndAHungUpLineEndsReads)
{
    // Another holder of the line's lock makes Open fail after it has asked
    // for exclusive use: the line must not stay exclusive for nobody.
    CPtyPair pty;
    const int fdOther = open(pty.Slave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fdOther, 0);
    ASSERT_EQ(flock(fdOther, LOCK_EX | LOCK_NB), 0);
    CTestSerial port;
    EXPECT_NE(port.Open(pty.Slave().c_str()), ERROR_SUCCESS);
    EXPECT_FALSE(port.IsOpen());
    int nExclusive = -1;
    ASSERT_EQ(ioctl(fdOther, TIOCGEXCL, &nExclusive), 0);
    EXPECT_EQ(nExclusive, 0);
    close(fdOther);

    // The modem lines of a pseudo-terminal do not exist; that is no failure.
    // A port whose driver has them and fails to set them does fail.
    CTestSerial blocking;
    ASSERT_EQ(blocking.Open(pty.Slave().c_str(), 0, 0, true), ERROR_SUCCESS);
    EXPECT_EQ(blocking.SetupHandshaking(HandshakeHardware), ERROR_SUCCESS);
    EXPECT_EQ(blocking.SetupHandshaking(HandshakeOff), ERROR_SUCCESS);
    {
        CPtyPair other;
        CModemLineFailure real(EIO);
        ASSERT_EQ(real.Open(other.Slave().c_str()), ERROR_SUCCESS);
        EXPECT_EQ(real.SetupHandshaking(HandshakeOff), EIO);
        CModemLineFailure none(ENOTTY);
        real.Close();
        ASSERT_EQ(none.Open(other.Slave().c_str()), ERROR_SUCCESS);
        EXPECT_EQ(none.SetupHandshaking(HandshakeOff), ERROR_SUCCESS);
    }

    // A blocking read on a line that is hung up returns with an error
    // instead of waiting out its time-out on a line that polls ready.
    ASSERT_EQ(blocking.SetupReadTimeouts(ReadModeBlocking), ERROR_SUCCESS);
    EXPECT_FALSE(blocking.IsHungUp());
    pty.Send("ab");
    pty.CloseMaster();
    char buf[16];
    DWORD dwRead = 0;
    EXPECT_EQ(blocking.Read(buf, sizeof buf, &dwRead, nullptr, 3000), EIO);
    EXPECT_TRUE(blocking.IsHungUp());
}

}  // namespace
