#include "CliLinkWindow.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "DeviceLink.h"
#include "LinkMessages.h"
#include "MessageRegistry.h"
#include "NetConnect.h"

namespace {
const UINT g_nComMsg = RegisterWindowMessage("CSerialWnd_DefaultComMsg");
constexpr int BAR_WIDTH = 40;
// A healthy device answers any frame well within this; past it the user
// hears why nothing moves.
constexpr int WAIT_NOTICE_TICKS = 1000 / LINK_TICK_MS;
}  // namespace

CCliLinkWindow::CCliLinkWindow(std::ostream& err, bool bTerminal)
    : m_err(err), m_bTerminal(bTerminal), m_fdWake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

CCliLinkWindow::~CCliLinkWindow()
{
    if (m_fdWake >= 0)
        ::close(m_fdWake);
    if (m_fdSignal >= 0) {
        // An interrupt that came after the last transfer is answered by the
        // command having ended; it must not kill the process on its way out.
        signalfd_siginfo info;
        while (::read(m_fdSignal, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        }
        SetNetStopDescriptor(m_fdOldNetStop);
        ::close(m_fdSignal);
        pthread_sigmask(SIG_SETMASK, &m_oldMask, nullptr);
    }
}

void CCliLinkWindow::CatchInterrupts(std::function<void()> onInterrupt)
{
    m_onInterrupt = std::move(onInterrupt);
    if (m_fdSignal >= 0)
        return;
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, &m_oldMask);
    m_fdSignal = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    // An interrupt also ends connecting to a device server and waiting for
    // its answers: the descriptor stays readable until TakeInterrupts.
    if (m_fdSignal >= 0)
        m_fdOldNetStop = SetNetStopDescriptor(m_fdSignal);
}

void CCliLinkWindow::TakeInterrupts()
{
    signalfd_siginfo info;
    while (m_fdSignal >= 0 && ::read(m_fdSignal, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        BreakProgressLine();
        if (m_onInterrupt)
            m_onInterrupt();
    }
}

void CCliLinkWindow::NoteSlowDevice()
{
    const CSendData* pHead = m_pLink->GetLink().GetHead();
    if (m_bWaitNoticeShown || m_strWaitNotice.empty() || !pHead || pHead->m_nWaitTicks < WAIT_NOTICE_TICKS)
        return;
    m_bWaitNoticeShown = true;
    BreakProgressLine();
    m_err << m_strWaitNotice << "\n" << std::flush;
}

void CCliLinkWindow::BreakProgressLine()
{
    if (m_bBarOpen) {
        m_err << "\n";
        m_bBarOpen = false;
        m_nShown = -1;
    }
}

bool CCliLinkWindow::PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back({nMsg, wParam, lParam});
    }
    const std::uint64_t one = 1;
    return ::write(m_fdWake, &one, sizeof one) == sizeof one;
}

LRESULT CCliLinkWindow::SendMessage(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    Dispatch({nMsg, wParam, lParam});
    return 0;
}

void CCliLinkWindow::StartLinkTimer()
{
    // The first tick at once: nothing has gone out yet that it could crowd,
    // and every later frame still keeps the 30 ms pacing.
    m_bTimer = true;
    m_nextTick = std::chrono::steady_clock::now();
}

void CCliLinkWindow::Dispatch(const Message& m)
{
    if (m.nMsg == g_nComMsg) {
        if (m_pLink)
            m_pLink->OnPortEvent(m.wParam);
    } else if (m.nMsg == WM_PRESET_READ_COMPLETE) {
        if (m_onReadComplete)
            m_onReadComplete();
    } else if (m.nMsg == WM_PRESET_NAMES_RECEIVED) {
        if (m_onNamesReceived)
            m_onNamesReceived();
    }
}

void CCliLinkWindow::Run(const std::function<bool()>& bDone)
{
    using clock = std::chrono::steady_clock;
    while (!bDone() && m_pLink && m_pLink->IsConnected()) {
        int nTimeout = -1;
        if (m_bTimer) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_nextTick - clock::now()).count();
            nTimeout = static_cast<int>(std::max<long long>(left, 0));
        }
        pollfd afd[2] = {{m_fdWake, POLLIN, 0}, {m_fdSignal, POLLIN, 0}};
        const int r = ::poll(afd, 2, nTimeout);
        if (r < 0 && errno != EINTR)
            break;
        if (r > 0 && (afd[0].revents & POLLIN)) {
            std::uint64_t n;
            (void)!::read(m_fdWake, &n, sizeof n);
        }
        if (r > 0 && (afd[1].revents & POLLIN)) {
            TakeInterrupts();
            if (bDone())
                return;
        }
        for (;;) {
            Message m;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_queue.empty())
                    break;
                m = m_queue.front();
                m_queue.pop_front();
            }
            Dispatch(m);
            if (bDone())
                return;
        }
        // Like a window timer: a late tick runs once, the next one follows
        // a full period later.
        if (m_bTimer && clock::now() >= m_nextTick) {
            m_nextTick = clock::now() + std::chrono::milliseconds(LINK_TICK_MS);
            m_pLink->OnLinkTick();
            if (m_pLink->IsConnected())
                NoteSlowDevice();
        }
    }
}

void CCliLinkWindow::SetRange(int nLower, int nUpper)
{
    m_nLower = nLower;
    m_nUpper = std::max(nUpper, nLower + 1);
    m_bAwaitRange = false;
    m_nShown = m_bTerminal ? -1 : m_nLower;
}

void CCliLinkWindow::SetPos(int nPos)
{
    m_nPos = nPos;
    ShowProgress();
}

void CCliLinkWindow::ShowProgress()
{
    if (!m_bShowProgress || m_bAwaitRange)
        return;
    const int nPos = std::clamp(m_nPos, m_nLower, m_nUpper);
    const int nPercent = (nPos - m_nLower) * 100 / (m_nUpper - m_nLower);
    if (m_bTerminal) {
        const int nFill = nPercent * BAR_WIDTH / 100;
        if (nFill == m_nShown)
            return;
        m_nShown = nFill;
        m_err << "\r" << m_strLabel << " [" << std::string(static_cast<std::size_t>(nFill), '#')
              << std::string(static_cast<std::size_t>(BAR_WIDTH - nFill), ' ') << "] " << nPercent << "%" << std::flush;
        m_bBarOpen = true;
    } else if (nPos % PROGRESS_PER_BLOCK == 0 && nPos > m_nShown) {
        m_nShown = nPos;
        m_err << m_strLabel << ": " << nPercent << "%\n";
    }
}

void CCliLinkWindow::ShowTransferProgress(const std::string& strLabel)
{
    FinishProgress();
    m_strLabel = strLabel;
    m_bShowProgress = true;
    m_bAwaitRange = true;
}

void CCliLinkWindow::FinishProgress()
{
    m_bShowProgress = false;
    BreakProgressLine();
    m_nShown = -1;
}
