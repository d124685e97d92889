// A measuring run against a link and a sound of the test's own: the order of
// solo, take and restore per channel, and what a refusal, a failure of the
// sound, a stop and a lost link leave behind.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <array>
#include <atomic>
#include <cmath>
#include <thread>

#include "FakeRecording.h"
#include "Frame.h"
#include "MeasureRun.h"

namespace {
constexpr int DELAY = 100;  // samples from the sweep to the microphone

struct FakeDevice {
    std::string log;  // "solo 1,take 1,restore 1,..."
    std::atomic<bool> bUp{true};
    int nSoloed = -1;  // the channel playing alone on the device, or -1
    // What the sound does at channel k's take: 0 plays, 1 is silent, 2 fails,
    // 3 blocks until stopped, 4 loses the link while playing.
    std::array<int, NUM_CHANNELS> anSound{};

    MeasureLink Link()
    {
        return {[this] { return bUp.load(); }, [] { return true; },
                [this](int k) { log += "solo " + std::to_string(nSoloed = k) + ","; },
                [this](int k) {
                    log += "restore " + std::to_string(k) + ",";
                    nSoloed = -1;
                }};
    }

    MeasureJob Job(std::vector<int> anChannel)
    {
        MeasureJob job;
        job.anChannel = std::move(anChannel);
        job.settings.sweep.dSeconds = 0.5;
        job.bReference = true;
        job.fnPlayAndRecord = [this](const std::vector<float>& afSweep, const std::atomic<bool>& bStop,
                                     std::vector<std::vector<float>>& aRecorded, std::string& strError) {
            const int k = nSoloed;
            log += "take " + std::to_string(k) + ",";
            const int nSound = k >= 0 ? anSound[static_cast<std::size_t>(k)] : 2;
            if (nSound == 2) {
                strError = "the sink is gone";
                return false;
            }
            if (nSound >= 3) {
                if (nSound == 4)
                    bUp = false;
                while (!bStop)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                strError = "interrupted";
                return false;
            }
            aRecorded = FakeRecording(afSweep, DELAY, nSound == 1);
            return true;
        };
        return job;
    }
};
}  // namespace

TEST(MeasureRun, EachChannelAloneThenPutBackWhateverBecameOfIt)
{
    // Sound per channel: 0 plays, 1 is silent (refused, the run goes on),
    // 2 fails (no channel after it is tried), 3 plays until stopped, 4
    // loses the link (nothing can be put back, and the end says so).
    const struct {
        std::array<int, NUM_CHANNELS> anSound;
        std::vector<int> anChannel;
        std::string strLog, strEnd;
    } cases[] = {
        {{0, 1, 0, 0}, {0, 1, 3}, "solo 0,take 0,restore 0,solo 1,take 1,restore 1,solo 3,take 3,restore 3,", ""},
        {{2, 0, 0, 0}, {0, 1}, "solo 0,take 0,restore 0,", "the sink is gone"},
        {{3, 0, 0, 0}, {0, 1}, "solo 0,take 0,restore 0,", "stopped"},
        {{0, 4, 0, 0},
         {0, 1, 2},
         "solo 0,take 0,restore 0,solo 1,take 1,",
         "the link was lost while CH2 was measured: the outputs of the other channels may still be off on the "
         "device. Connecting again reads what it holds."},
    };
    for (const auto& c : cases) {
        FakeDevice device;
        device.anSound = c.anSound;
        CMeasureRun run(device.Link());
        std::vector<ChannelTake> aTake;
        std::string strEnd = "(not ended)";
        QObject::connect(&run, &CMeasureRun::ChannelDone, [&](const ChannelTake& take) { aTake.push_back(take); });
        QObject::connect(&run, &CMeasureRun::Finished, [&](const std::string& strError) { strEnd = strError; });
        run.Start(device.Job(c.anChannel));
        while (c.anSound[0] == 3 && run.GetStage() != CMeasureRun::Stage::Taking)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (c.anSound[0] == 3)
            run.Stop();
        run.WaitUntilDone();
        EXPECT_EQ(device.log, c.strLog);
        EXPECT_EQ(strEnd, c.strEnd);
        for (const ChannelTake& take : aTake) {
            const int nSound = c.anSound[static_cast<std::size_t>(take.nChannel)];
            EXPECT_EQ(take.header.nChannel, take.nChannel + 1);
            EXPECT_EQ(take.bTaken, nSound <= 1) << take.strError;
            EXPECT_EQ(take.response.IsRefused(), nSound == 1) << take.response.strRefused;
            EXPECT_TRUE(nSound != 0 || std::abs(take.response.dArrivalMs - DELAY * 1000.0 / 48000.0) < 0.03)
                << take.response.dArrivalMs << " ms";
        }
    }
}
