// The solo plan against the virtual processor's own bytes: the solo frames
// leave exactly the measured channel sounding and change nothing else, and
// the restore frames give back every byte of the live slot.
#include <gtest/gtest.h>

#include "SoloPlan.h"
#include "VirtualProcessor.h"

namespace {

void Send(CVirtualProcessor& vp, const std::vector<std::unique_ptr<CSendData>>& frames)
{
    for (const auto& f : frames)
        vp.Receive(f->GetData(), static_cast<std::size_t>(f->GetLength()));
    vp.TakeOutput();
}

std::array<SimBlock, NUM_CHANNELS> Live(const CVirtualProcessor& vp)
{
    std::array<SimBlock, NUM_CHANNELS> a;
    for (int c = 0; c < NUM_CHANNELS; ++c)
        a[static_cast<std::size_t>(c)] = vp.GetBlock(0, c);
    return a;
}

TEST(SoloPlan, MutesTheOthersAndPutsBackEveryByte)
{
    CVirtualProcessor vp;
    CTALVRoute route;
    for (int c = 0; c < NUM_CHANNELS; ++c)
        route.GetChannel(c).LoadFromBlock(vp.GetBlock(0, c).data());
    // Channel 3 already off: it needs no frame either way.
    route.GetChannel(2).SetOutputOnSilent(0);
    vp.Receive(route.GetChannel(2).GetChannelFrame(), SHORT_FRAME_LEN);
    vp.TakeOutput();
    const auto before = Live(vp);
    ASSERT_EQ(before[2][BLOCK_OUTPUT], 0);

    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const auto solo = MakeSoloFrames(route, k);
        const auto restore = MakeRestoreFrames(route, k);
        EXPECT_EQ(solo.size(), k == 2 ? 3u : 2u) << k;
        ASSERT_EQ(restore.size(), solo.size());
        Send(vp, solo);
        const auto muted = Live(vp);
        for (int c = 0; c < NUM_CHANNELS; ++c) {
            SimBlock expected = before[static_cast<std::size_t>(c)];
            if (c != k)
                expected[BLOCK_OUTPUT] = 0;
            // Only the output byte and the checksum over it may differ.
            EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + BLOCK_CHECKSUM,
                                   muted[static_cast<std::size_t>(c)].begin()))
                << "solo " << k << ", channel " << c;
        }
        Send(vp, restore);
        EXPECT_EQ(Live(vp), before) << "solo " << k;
    }
}

}  // namespace
