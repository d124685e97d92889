// Hands the newest value from one thread to another without either ever
// waiting: three copies, of which the writer fills one, the reader reads one
// and the third holds the newest finished value. The real-time side takes
// the newest when it likes and the writer may publish as often as it likes.
#pragma once

#include <array>
#include <atomic>

template <class T> class CLatestValue {
public:
    // Writer: the copy to fill, then Publish() it.
    T& Back() { return m_aValue[m_nBack]; }
    void Publish() { m_nBack = m_nMiddle.exchange(m_nBack | FRESH, std::memory_order_acq_rel) & INDEX; }

    // Reader: true when a newer value was published since the last call;
    // Front() is then that value, and stays it until the next fresh one.
    bool TakeNewest()
    {
        if (!(m_nMiddle.load(std::memory_order_relaxed) & FRESH))
            return false;
        m_nFront = m_nMiddle.exchange(m_nFront, std::memory_order_acq_rel) & INDEX;
        return true;
    }
    const T& Front() const { return m_aValue[m_nFront]; }

private:
    static constexpr unsigned INDEX = 3;
    static constexpr unsigned FRESH = 4;
    std::array<T, 3> m_aValue{};
    unsigned m_nFront = 0;
    unsigned m_nBack = 2;
    std::atomic<unsigned> m_nMiddle{1};
};
