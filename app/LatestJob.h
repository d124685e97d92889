// Work too slow for the window's thread, asked for again at every change of
// a dialog's controls: it starts a short pause after the last change, on a
// worker, one at a time, and only the newest request's result is shown; an
// older one still running is left to finish and dropped. A job holds copies
// of all it needs, so nothing it touches is shared with the window.
#pragma once

#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

template <class TResult> class CLatestJob {
public:
    using Job = std::function<TResult()>;
    using ShowFunction = std::function<void(const TResult&)>;

    CLatestJob(int nPauseMs, ShowFunction fnShow) : m_fnShow(std::move(fnShow)), m_pShared(std::make_shared<Shared>())
    {
        m_pShared->pReceiver = &m_receiver;
        m_timer.setSingleShot(true);
        m_timer.setInterval(nPauseMs);
        QObject::connect(&m_timer, &QTimer::timeout, &m_receiver, [this] { StartNewest(); });
    }
    ~CLatestJob()
    {
        // A job still running finishes on its own and its result is dropped.
        const std::lock_guard<std::mutex> lock(m_pShared->mutex);
        m_pShared->pReceiver = nullptr;
    }
    CLatestJob(const CLatestJob&) = delete;
    CLatestJob& operator=(const CLatestJob&) = delete;

    // The newest request: starts after the pause, or once the running one is done.
    void Request(Job job)
    {
        m_pending = std::move(job);
        ++m_nRequested;
        m_timer.start();
    }
    // The newest request's result is not shown yet.
    bool IsBusy() const { return m_nShown != m_nRequested; }
    // Waits until the newest request's result is shown, without the pause:
    // for tests and pictures, which must not depend on timing.
    void Wait()
    {
        if (m_timer.isActive()) {
            m_timer.stop();
            StartNewest();
        }
        while (IsBusy()) {
            {
                std::unique_lock<std::mutex> lock(m_pShared->mutex);
                m_pShared->cv.wait(lock, [this] { return m_pShared->done.has_value(); });
            }
            Collect();
        }
    }

private:
    struct Shared {
        std::mutex mutex;
        std::condition_variable cv;
        QObject* pReceiver = nullptr;  // null once the owner is gone
        std::optional<std::pair<int, TResult>> done;
    };

    void StartNewest()
    {
        if (m_bRunning || !m_pending)
            return;
        m_bRunning = true;
        const int nRequest = m_nRequested;
        QThreadPool::globalInstance()->start([pShared = m_pShared, job = std::move(*m_pending), nRequest, this] {
            TResult result = job();
            const std::lock_guard<std::mutex> lock(pShared->mutex);
            pShared->done.emplace(nRequest, std::move(result));
            pShared->cv.notify_all();
            // Posted under the lock: the owner cannot go away meanwhile,
            // and the event goes with its receiver when it does.
            if (pShared->pReceiver)
                QMetaObject::invokeMethod(
                    pShared->pReceiver, [this] { Collect(); }, Qt::QueuedConnection);
        });
        m_pending.reset();
    }

    void Collect()
    {
        std::optional<std::pair<int, TResult>> done;
        {
            const std::lock_guard<std::mutex> lock(m_pShared->mutex);
            done.swap(m_pShared->done);
        }
        if (!done)
            return;  // Wait took it already
        m_bRunning = false;
        if (done->first == m_nRequested) {
            m_nShown = done->first;
            m_fnShow(done->second);
        } else if (!m_timer.isActive()) {
            StartNewest();  // its pause is over
        }
    }

    ShowFunction m_fnShow;
    std::shared_ptr<Shared> m_pShared;
    QObject m_receiver;
    QTimer m_timer;
    std::optional<Job> m_pending;
    int m_nRequested = 0;
    int m_nShown = 0;
    bool m_bRunning = false;
};
