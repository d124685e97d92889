#include "CliLinkWindow.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "DeviceLink.h"
#include "LinkMessages.h"
#include "MessageRegistry.h"

namespace {
const UINT g_nComMsg = RegisterWindowMessage("CSerialWnd_DefaultComMsg");
constexpr int BAR_WIDTH = 40;
}  // namespace

CCliLinkWindow::CCliLinkWindow(std::ostream& err, bool bTerminal)
    : m_err(err), m_bTerminal(bTerminal), m_fdWake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

CCliLinkWindow::~CCliLinkWindow()
{
    if (m_fdWake >= 0)
        ::close(m_fdWake);
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
    m_bTimer = true;
    m_nextTick = std::chrono::steady_clock::now() + std::chrono::milliseconds(LINK_TICK_MS);
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
        pollfd pfd{m_fdWake, POLLIN, 0};
        const int r = ::poll(&pfd, 1, nTimeout);
        if (r < 0 && errno != EINTR)
            break;
        if (r > 0) {
            std::uint64_t n;
            (void)!::read(m_fdWake, &n, sizeof n);
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
        }
    }
}

void CCliLinkWindow::SetRange(int nLower, int nUpper)
{
    m_nLower = nLower;
    m_nUpper = std::max(nUpper, nLower + 1);
    m_nShown = m_bTerminal ? -1 : m_nLower;
}

void CCliLinkWindow::SetPos(int nPos)
{
    m_nPos = nPos;
    ShowProgress();
}

void CCliLinkWindow::ShowProgress()
{
    if (!m_bShowProgress)
        return;
    const int nPos = std::clamp(m_nPos, m_nLower, m_nUpper);
    const int nPercent = (nPos - m_nLower) * 100 / (m_nUpper - m_nLower);
    if (m_bTerminal) {
        const int nFill = nPercent * BAR_WIDTH / 100;
        if (nFill == m_nShown)
            return;
        m_nShown = nFill;
        m_err << "\r[" << std::string(static_cast<std::size_t>(nFill), '#')
              << std::string(static_cast<std::size_t>(BAR_WIDTH - nFill), ' ') << "] " << nPercent << "%" << std::flush;
        m_bBarOpen = true;
    } else if (nPos % PROGRESS_PER_BLOCK == 0 && nPos > m_nShown) {
        m_nShown = nPos;
        m_err << "progress " << nPercent << "%\n";
    }
}

void CCliLinkWindow::FinishProgress()
{
    m_bShowProgress = false;
    if (m_bBarOpen) {
        m_err << "\n";
        m_bBarOpen = false;
    }
    m_nShown = -1;
}
