#include "UndoHistory.h"

namespace {
const std::string NO_LABEL;
}  // namespace

void CUndoHistory::Push(const std::string& strLabel, State before)
{
    m_redo.clear();
    m_undo.push_back({strLabel, std::move(before)});
    while (m_undo.size() > MAX_STEPS)
        m_undo.pop_front();
}

const std::string& CUndoHistory::UndoLabel() const
{
    return m_undo.empty() ? NO_LABEL : m_undo.back().strLabel;
}

const std::string& CUndoHistory::RedoLabel() const
{
    return m_redo.empty() ? NO_LABEL : m_redo.back().strLabel;
}

CUndoHistory::State CUndoHistory::Undo(State current)
{
    if (m_undo.empty())
        return current;
    Step step = std::move(m_undo.back());
    m_undo.pop_back();
    m_redo.push_back({step.strLabel, std::move(current)});
    return std::move(step.state);
}

CUndoHistory::State CUndoHistory::Redo(State current)
{
    if (m_redo.empty())
        return current;
    Step step = std::move(m_redo.back());
    m_redo.pop_back();
    m_undo.push_back({step.strLabel, std::move(current)});
    return std::move(step.state);
}

void CUndoHistory::Clear()
{
    m_undo.clear();
    m_redo.clear();
}

std::size_t CUndoHistory::BytesOf(const Step& step)
{
    return sizeof(Step) + step.strLabel.capacity() + step.state.strCaption.capacity() +
           step.state.preset.strName.capacity();
}

std::size_t CUndoHistory::GetMemoryBytes() const
{
    std::size_t n = 0;
    for (const Step& step : m_undo)
        n += BytesOf(step);
    for (const Step& step : m_redo)
        n += BytesOf(step);
    return n;
}
