// Aligning channels on generated drivers with phase, held against the
// brute-force search over the device's own steps.
#include <gtest/gtest.h>

#include "BruteAlign.h"
#include "SyntheticDrivers.h"

TEST(ChannelAlignment, ComesWithinFivePercentOfTheBruteForceBestInTheDevicesSteps)
{
    for (const synthetic::AlignCase& c : synthetic::AlignCases()) {
        const AlignOutcome outcome = AlignChannels(c.request);
        ASSERT_TRUE(outcome.bOk) << c.pszName << ": " << outcome.strError;
        const double dBest = reference::BruteForceFlatness(c.request);
        EXPECT_LE(outcome.after.dFlatDb, dBest * 1.05 + 0.1) << c.pszName << ", brute force " << dBest;
        EXPECT_LT(outcome.after.dFlatDb, outcome.before.dFlatDb / 5) << c.pszName;
        int nLeast = DELAY_WORD_MAX;
        for (std::size_t n = 0; n < outcome.aSetting.size(); ++n) {
            const ChannelSetting& now = c.request.aChannel[n].now;
            const ChannelSetting& set = outcome.aSetting[n];
            EXPECT_GE(set.nDelay, 0);
            EXPECT_LE(set.nDelay, DELAY_WORD_MAX);
            EXPECT_LE(std::abs(set.nGain - now.nGain), ALIGN_GAIN_REACH) << c.pszName;
            EXPECT_EQ(set.hpf, now.hpf);  // the crossovers stay unless asked
            EXPECT_EQ(set.lpf, now.lpf);
            nLeast = std::min(nLeast, set.nDelay);
        }
        EXPECT_EQ(nLeast, 0) << c.pszName;  // no delay both channels carry
    }
    // The tweeter wired reversed is the channel turned back; the woofer stays.
    const AlignOutcome reversed = AlignChannels(synthetic::AlignCases()[1].request);
    EXPECT_FALSE(reversed.aSetting[0].bInverted);
    EXPECT_TRUE(reversed.aSetting[1].bInverted);
}
