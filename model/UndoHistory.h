// The steps the user can take back and do again. A step is the preset as it
// was before one user action (a compact copy, not the frames) with the words
// that name the action ("band 5 gain"); undoing it keeps the preset as it was
// after, so the step can be done again.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "PresetSnapshot.h"

class CUndoHistory {
public:
    // What a step brings back: the preset and the caption that went with it.
    struct State {
        CPresetSnapshot preset;
        std::string strCaption;  // UTF-8
    };
    // The oldest steps go beyond this many.
    static constexpr std::size_t MAX_STEPS = 250;

    // A new step; the steps that could be done again are gone.
    void Push(const std::string& strLabel, State before);
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }
    const std::string& UndoLabel() const;
    const std::string& RedoLabel() const;
    // Takes a step back (or forward): returns the state to show, and keeps
    // current so the same step can go the other way.
    State Undo(State current);
    State Redo(State current);
    void Clear();

    std::size_t GetUndoCount() const { return m_undo.size(); }
    // The memory the steps hold, for the figures.
    std::size_t GetMemoryBytes() const;

private:
    struct Step {
        std::string strLabel;
        State state;
    };
    static std::size_t BytesOf(const Step& step);

    std::deque<Step> m_undo;
    std::deque<Step> m_redo;
};
