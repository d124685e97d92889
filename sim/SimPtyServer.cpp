#include "SimPtyServer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include "PresetFile.h"

namespace {
constexpr std::int64_t BAUD = 9600;
// 8N1: start bit, eight data bits, stop bit.
constexpr std::int64_t BITS_PER_BYTE = 10;
// The device forgets a half-received frame after this long a pause.
constexpr auto RECEIVE_TIMEOUT = std::chrono::milliseconds(50);
constexpr std::size_t READ_SIZE = 4096;
constexpr std::size_t WRITE_BATCH = 512;
// Bytes taken off the master ahead of their arrival on the paced line. A
// program that writes faster than the line carries them then waits in the
// terminal's buffer, as it would on a UART's, instead of growing our queue.
constexpr std::size_t PACED_READ_AHEAD = 256;

std::size_t ReadAheadLimit(bool bPaced)
{
    return bPaced ? PACED_READ_AHEAD : READ_SIZE;
}

std::string ErrnoText(const char* pszWhat)
{
    return std::string(pszWhat) + ": " + std::strerror(errno);
}

// Time left until when, for ppoll: the line's byte times are finer than
// poll()'s milliseconds, and rounding them up would slow the line down.
timespec TimeUntil(std::chrono::steady_clock::time_point now, std::chrono::steady_clock::time_point when)
{
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(when - now).count();
    const long long ns = std::clamp<long long>(left, 0, 60'000'000'000LL);
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}
}  // namespace

CSimPtyServer::CSimPtyServer(SimServerOptions options) : m_options(std::move(options))
{
    SetFault(m_options.fault, m_options.nFaultCount);
}

CSimPtyServer::~CSimPtyServer()
{
    Stop();
}

void CSimPtyServer::SetFault(SimFault mode, int nCount)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_processor.SetFault(mode, nCount);
}

bool CSimPtyServer::Start(std::string& strError)
{
    if (m_bRunning) {
        strError = "the virtual processor is already serving on " + m_strPortPath;
        return false;
    }
    // The state is saved when serving ends: a path it cannot be saved to is
    // refused now, before anyone relies on it.
    if (!m_options.strStateFile.empty() && !CheckWritable(m_options.strStateFile, strError)) {
        strError = "the state cannot be kept there: " + strError;
        return false;
    }
    if (!m_options.strStateFile.empty() && access(m_options.strStateFile.c_str(), F_OK) == 0) {
        std::vector<std::uint8_t> data;
        if (!ReadFileBytes(m_options.strStateFile, data, strError))
            return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_processor.LoadState(data)) {
            strError = m_options.strStateFile + ": not a saved state of the virtual processor, or damaged";
            return false;
        }
    }

    m_fdMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (m_fdMaster < 0 || grantpt(m_fdMaster) != 0 || unlockpt(m_fdMaster) != 0 ||
        ptsname_r(m_fdMaster, name, sizeof name) != 0) {
        strError = ErrnoText("cannot create a pseudo-terminal");
        CloseDescriptors();
        return false;
    }
    m_strPortPath = name;
    m_fdSlave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (m_fdSlave < 0 || tcgetattr(m_fdSlave, &tio) != 0) {
        strError = ErrnoText(name);
        CloseDescriptors();
        return false;
    }
    // A raw line from the start: no echo, no line editing, no translation,
    // whatever the program does before it sets the line up itself.
    cfmakeraw(&tio);
    const int nFlags = fcntl(m_fdMaster, F_GETFL);
    if (tcsetattr(m_fdSlave, TCSANOW, &tio) != 0 || nFlags < 0 ||
        fcntl(m_fdMaster, F_SETFL, nFlags | O_NONBLOCK) != 0) {
        strError = ErrnoText(name);
        CloseDescriptors();
        return false;
    }
    m_fdWake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_fdHungUp = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_fdWake < 0 || m_fdHungUp < 0) {
        strError = ErrnoText("eventfd");
        CloseDescriptors();
        return false;
    }
    m_bHungUp = false;
    m_rx.clear();
    m_tx.clear();
    m_rxRun = {};
    m_txRun = {};
    m_bAwaitQuiet = false;
    m_bRunning = true;
    m_thread = std::thread(&CSimPtyServer::Serve, this);
    return true;
}

bool CSimPtyServer::Stop(std::string& strError)
{
    if (!m_bRunning)
        return true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(m_fdWake, &one, sizeof one);
    m_thread.join();
    CloseDescriptors();
    m_bRunning = false;
    if (m_options.strStateFile.empty())
        return true;
    std::vector<std::uint8_t> data;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        data = m_processor.SaveState();
    }
    return WriteFileAtomically(m_options.strStateFile, data, strError);
}

void CSimPtyServer::CloseDescriptors()
{
    for (int* pfd : {&m_fdMaster, &m_fdSlave, &m_fdWake, &m_fdHungUp}) {
        if (*pfd >= 0)
            close(*pfd);
        *pfd = -1;
    }
}

void CSimPtyServer::DropLine()
{
    // Closing both ends is what a pulled cable looks like from the program:
    // its port reports a hang-up and reads fail from now on. The flag goes
    // first, so whoever sees the hang-up also sees it reported here.
    m_bHungUp = true;
    for (int* pfd : {&m_fdMaster, &m_fdSlave}) {
        if (*pfd >= 0)
            close(*pfd);
        *pfd = -1;
    }
    m_rx.clear();
    m_tx.clear();
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(m_fdHungUp, &one, sizeof one);
}

CSimPtyServer::Clock::duration CSimPtyServer::LineTime(std::int64_t nBytes) const
{
    if (!m_options.bPaced)
        return Clock::duration::zero();
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(nBytes * BITS_PER_BYTE * 1'000'000'000 / BAUD));
}

CSimPtyServer::Clock::time_point CSimPtyServer::AddByte(LineRun& run) const
{
    // Every BAUD bytes the run's time is a whole number of seconds: start
    // afresh there, exactly, so the count never grows large.
    if (run.nBytes == BAUD)
        run = {RunEnd(run), 0};
    ++run.nBytes;
    return RunEnd(run);
}

void CSimPtyServer::ReadLine(Clock::time_point now)
{
    const std::size_t nLimit = ReadAheadLimit(m_options.bPaced);
    BYTE buf[READ_SIZE];
    while (m_rx.size() < nLimit) {
        const ssize_t n = read(m_fdMaster, buf, std::min(sizeof buf, nLimit - m_rx.size()));
        if (n > 0) {
            for (ssize_t i = 0; i < n; ++i) {
                // A byte arrives one byte time after the line is free for it:
                // after the byte before it, or after it was written.
                if (now > RunEnd(m_rxRun))
                    m_rxRun = {now, 0};
                m_rx.push_back({buf[i], AddByte(m_rxRun)});
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // EAGAIN: all taken. EIO: no program has the line open right now.
        return;
    }
}

void CSimPtyServer::FeedArrived(Clock::time_point now)
{
    if (m_rx.empty() || m_rx.front().due > now) {
        // A pause in the middle of a frame: the device starts over. Outside
        // a frame this does nothing, so any pause after bytes may trigger it.
        if (m_bAwaitQuiet && now - m_lastArrival >= RECEIVE_TIMEOUT) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_processor.AbandonFrame();
            m_bAwaitQuiet = false;
        }
        return;
    }
    std::vector<BYTE> arrived;
    while (!m_rx.empty() && m_rx.front().due <= now) {
        arrived.push_back(m_rx.front().b);
        m_rx.pop_front();
    }
    m_lastArrival = now;
    m_bAwaitQuiet = true;
    bool bHangUp = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_processor.Receive(arrived);
        bHangUp = m_processor.TakeHangUp();
    }
    if (bHangUp)
        DropLine();
}

void CSimPtyServer::ScheduleAnswers(Clock::time_point now)
{
    std::vector<SimChunk> chunks;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        chunks = m_processor.TakeOutput();
    }
    for (const SimChunk& chunk : chunks) {
        // A pause counts from the end of what is already on its way out, or
        // from now, when the frame that asked for it was complete.
        const Clock::time_point lineFree = RunEnd(m_txRun);
        if (chunk.nDelayMs > 0 || now > lineFree)
            m_txRun = {std::max(now, lineFree) + std::chrono::milliseconds(chunk.nDelayMs), 0};
        for (BYTE b : chunk.bytes)
            m_tx.push_back({b, AddByte(m_txRun)});
    }
}

bool CSimPtyServer::WriteDue(Clock::time_point now, bool& bBlocked)
{
    bBlocked = false;
    while (!m_tx.empty() && m_tx.front().due <= now) {
        BYTE buf[WRITE_BATCH];
        std::size_t n = 0;
        while (n < WRITE_BATCH && n < m_tx.size() && m_tx[n].due <= now) {
            buf[n] = m_tx[n].b;
            ++n;
        }
        const ssize_t written = write(m_fdMaster, buf, n);
        if (written > 0) {
            m_tx.erase(m_tx.begin(), m_tx.begin() + written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EAGAIN) {
            bBlocked = true;
            return true;
        }
        return false;
    }
    return true;
}

void CSimPtyServer::Serve()
{
    for (;;) {
        if (m_bHungUp) {
            // Nothing more to serve; wait for Stop.
            pollfd pfd{m_fdWake, POLLIN, 0};
            poll(&pfd, 1, -1);
            return;
        }
        auto now = Clock::now();
        FeedArrived(now);
        if (m_bHungUp)
            continue;
        ScheduleAnswers(now);
        bool bBlocked = false;
        if (!WriteDue(now, bBlocked))
            m_tx.clear();  // the line refuses bytes: what was on its way is lost, as on a wire

        // Sleep until the next byte is due either way, or the line stirs.
        now = Clock::now();
        std::optional<Clock::time_point> wake;
        auto consider = [&](Clock::time_point when) { wake = wake ? std::min(*wake, when) : when; };
        if (!m_rx.empty())
            consider(m_rx.front().due);
        if (m_bAwaitQuiet)
            consider(m_lastArrival + RECEIVE_TIMEOUT);
        if (!m_tx.empty() && !bBlocked)
            consider(m_tx.front().due);
        pollfd afd[2] = {{m_fdWake, POLLIN, 0}, {m_fdMaster, 0, 0}};
        if (m_rx.size() < ReadAheadLimit(m_options.bPaced))
            afd[1].events |= POLLIN;
        if (bBlocked)
            afd[1].events |= POLLOUT;
        timespec timeout{};
        if (wake)
            timeout = TimeUntil(now, *wake);
        const int n = ppoll(afd, 2, wake ? &timeout : nullptr, nullptr);
        if (n < 0 && errno != EINTR)
            return;
        if (afd[0].revents & POLLIN)
            return;
        if (afd[1].revents & POLLIN)
            ReadLine(Clock::now());
        // With no program on the slave the master reports a hang-up; our
        // own slave descriptor prevents that, but never spin on it.
        if ((afd[1].revents & (POLLHUP | POLLERR)) && !(afd[1].revents & POLLIN))
            poll(afd, 1, 10);
    }
}
