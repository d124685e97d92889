// A time-out in milliseconds (INFINITE for none) turned into what is left of
// it for each poll() call, so that retries after EINTR or partial transfers
// never stretch the caller's limit.
#pragma once

#include <algorithm>
#include <chrono>

#include "SerialTypes.h"

class CPollDeadline {
public:
    explicit CPollDeadline(DWORD dwTimeout)
        : m_bInfinite(dwTimeout == INFINITE),
          m_end(std::chrono::steady_clock::now() + std::chrono::milliseconds(m_bInfinite ? 0 : dwTimeout))
    {
    }

    // Milliseconds for poll(): -1 without limit, 0 once expired.
    int Remaining() const
    {
        if (m_bInfinite)
            return -1;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_end - std::chrono::steady_clock::now());
        return static_cast<int>(std::clamp<long long>(left.count(), 0, 0x7FFFFFFF));
    }

    // The smaller of what is left and nSliceMs.
    int Slice(int nSliceMs) const
    {
        const int nLeft = Remaining();
        return nLeft < 0 ? nSliceMs : std::min(nLeft, nSliceMs);
    }

    bool Expired() const { return !m_bInfinite && std::chrono::steady_clock::now() >= m_end; }

private:
    bool m_bInfinite;
    std::chrono::steady_clock::time_point m_end;
};
