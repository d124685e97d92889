// A window that records what is posted to it, for tests on any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "WindowTarget.h"

class CWindowRecorder : public CWindowTarget {
public:
    struct Message {
        UINT nMsg;
        WPARAM wParam;
        LPARAM lParam;
    };

    bool PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_aPosted.push_back({nMsg, wParam, lParam});
        m_cv.notify_all();
        return true;
    }
    LRESULT SendMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_aSent.push_back({nMsg, wParam, lParam});
        return 0;
    }
    void EnableWindow(bool bEnable) override { m_bEnabled = bEnable; }

    // Waits (as a failure guard only) until at least n messages were posted.
    bool WaitForPosted(std::size_t n, std::chrono::milliseconds guard = std::chrono::seconds(5))
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, guard, [&] { return m_aPosted.size() >= n; });
    }
    std::vector<Message> Posted()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_aPosted;
    }
    std::vector<Message> Sent()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_aSent;
    }
    bool m_bEnabled = true;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<Message> m_aPosted;
    std::vector<Message> m_aSent;
};
