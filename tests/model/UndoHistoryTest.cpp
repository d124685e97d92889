#include <gtest/gtest.h>

#include "UndoHistory.h"

TEST(UndoHistory, KeepsTheNewestStepsAndANewStepEndsTheRedoList)
{
    CUndoHistory history;
    const std::size_t nPushed = CUndoHistory::MAX_STEPS + 10;
    for (std::size_t i = 1; i <= nPushed; ++i)
        history.Push("step " + std::to_string(i), {});
    EXPECT_EQ(history.GetUndoCount(), CUndoHistory::MAX_STEPS);
    EXPECT_EQ(history.UndoLabel(), "step " + std::to_string(nPushed));
    std::string strLast;
    while (history.CanUndo()) {
        strLast = history.UndoLabel();
        history.Undo({});
    }
    EXPECT_EQ(strLast, "step 11") << "the oldest go first";
    history.Push("new", {});
    EXPECT_FALSE(history.CanRedo());
}
