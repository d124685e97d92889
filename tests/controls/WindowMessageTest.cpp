#include <gtest/gtest.h>

#include "MessageRecorder.h"

// Posted messages arrive in order with their parameters; a sent one at once.
TEST(WindowMessage, PostedInOrderSentAtOnceAndBoxesRecorded)
{
    CMessageRecorder parent;
    PostWindowMessage(&parent, 0x28D1, 2005, 120);
    PostWindowMessage(&parent, WM_COMMAND_EVENT, MakeWParam(1005, BN_CLICKED), 7);
    PostWindowMessage(nullptr, 0x28D1, 1, 1);  // dropped, not a crash
    EXPECT_TRUE(parent.m_messages.empty());
    parent.Pump();
    ASSERT_EQ(parent.m_messages.size(), 2u);
    EXPECT_EQ(parent.m_messages[0].nMsg, 0x28D1);
    EXPECT_EQ(parent.m_messages[0].wParam, 2005u);
    EXPECT_EQ(parent.m_messages[0].lParam, 120);
    EXPECT_EQ(parent.m_messages[1].wParam & 0xFFFF, 1005u);
    EXPECT_EQ(parent.m_messages[1].wParam >> 16, 0u);

    SendWindowMessage(&parent, 0x464, 31, 0);
    EXPECT_EQ(parent.Of(0x464).size(), 1u);
    EXPECT_EQ(SendWindowMessage(nullptr, 0x464, 31, 0), 0);

    EXPECT_EQ(ShowMessageBox("Out of Range"), MessageAnswer::Ok);
    ASSERT_EQ(parent.m_boxes.size(), 1u);
    EXPECT_EQ(parent.m_boxes[0], "Out of Range");
}
