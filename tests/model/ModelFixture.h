// Shared set-up for model tests: a fresh preset with every channel in its own
// link group, bass link off, and the link state cleaned up afterwards.
#pragma once

#include <gtest/gtest.h>

#include "FrameChecksum.h"
#include "LinkState.h"
#include "TALVRoute.h"

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_bBassLink = false;
        ResetLinkGroups(route);
    }
    void TearDown() override { g_bBassLink = false; }

    void Link(std::initializer_list<int> channels, int nGroup)
    {
        for (int k : channels)
            g_anLinkGroup[k] = nGroup;
    }

    // Every stored short frame of every channel carries its checksum.
    void ExpectAllChecksumsValid()
    {
        for (int k = 0; k < NUM_CHANNELS; ++k) {
            const CTALVData& ch = route.GetChannel(k);
            for (int b = 0; b < NUM_BANDS; ++b)
                EXPECT_TRUE(HasValidChecksum(ch.GetBandFrame(b), SHORT_FRAME_LEN)) << "channel " << k << " band " << b;
            EXPECT_TRUE(HasValidChecksum(ch.GetCrossoverFrame(), SHORT_FRAME_LEN)) << "channel " << k;
            EXPECT_TRUE(HasValidChecksum(ch.GetChannelFrame(), SHORT_FRAME_LEN)) << "channel " << k;
        }
    }

    CTALVRoute route;
};
