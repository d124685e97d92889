// The outgoing frames waiting for the line, head first. It owns them.
#pragma once

#include <algorithm>
#include <deque>
#include <memory>

#include "SendData.h"

class CSendDataQueue {
public:
    void Add(std::unique_ptr<CSendData> pData) { m_items.push_back(std::move(pData)); }
    int GetCount() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    CSendData* GetHead() const { return m_items.empty() ? nullptr : m_items.front().get(); }
    CSendData* GetAt(int i) const { return m_items.at(static_cast<std::size_t>(i)).get(); }
    void RemoveHead()
    {
        if (!m_items.empty())
            m_items.pop_front();
    }
    void RemoveAll() { m_items.clear(); }
    // Whether any frame queued, the head included, is one for which bIs holds.
    template <typename Pred> bool Any(Pred bIs) const
    {
        return std::any_of(m_items.begin(), m_items.end(),
                           [&](const std::unique_ptr<CSendData>& p) { return bIs(*p); });
    }
    // Takes out every frame after the head for which bDrop holds; the head,
    // which may be on the line, stays.
    template <typename Pred> void RemoveBehindHead(Pred bDrop)
    {
        if (m_items.size() > 1)
            m_items.erase(std::remove_if(m_items.begin() + 1, m_items.end(),
                                         [&](const std::unique_ptr<CSendData>& p) { return bDrop(*p); }),
                          m_items.end());
    }

private:
    std::deque<std::unique_ptr<CSendData>> m_items;
};
