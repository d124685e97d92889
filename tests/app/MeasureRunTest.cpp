// A measuring run against a link and a sound of the test's own: the order of
// solo, take and restore per channel, and what a refusal, a failure of the
// sound, a stop and a lost link leave behind.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <atomic>
#include <thread>

#include "FakeRecording.h"
#include "Frame.h"
#include "MeasureRun.h"

namespace {
constexpr int DELAY = 100;  // samples from the sweep to the microphone

struct FakeDevice {
    std::vector<std::string> log;  // "solo 1", "take 1", "restore 1", ...
    std::atomic<bool> bUp{true};
    int nSoloed = -1;  // the channel playing alone on the device, or -1
    // What the sound does at channel k's take: 0 plays, 1 is silent, 2 fails,
    // 3 blocks until stopped, 4 loses the link while playing.
    std::array<int, NUM_CHANNELS> anSound{};

    MeasureLink Link()
    {
        return {[this] { return bUp.load(); }, [] { return true; },
                [this](int k) {
                    log.push_back("solo " + std::to_string(k));
                    nSoloed = k;
                },
                [this](int k) {
                    log.push_back("restore " + std::to_string(k));
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
            log.push_back("take " + std::to_string(k));
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

struct Outcome {
    std::vector<ChannelTake> aTake;
    std::string strEnd;
};

Outcome RunToEnd(CMeasureRun& run, MeasureJob job, const std::function<void()>& fnMeanwhile = {})
{
    Outcome outcome;
    QObject::connect(&run, &CMeasureRun::ChannelDone, [&](const ChannelTake& take) { outcome.aTake.push_back(take); });
    QObject::connect(&run, &CMeasureRun::Finished, [&](const std::string& strError) { outcome.strEnd = strError; });
    run.Start(std::move(job));
    if (fnMeanwhile)
        fnMeanwhile();
    run.WaitUntilDone();
    return outcome;
}
}  // namespace

TEST(MeasureRun, EachChannelAloneThenPutBackWhateverBecameOfIt)
{
    // Measured, refused (silent) and measured: each between its solo and its
    // restore, and the run goes on after a refusal.
    {
        FakeDevice device;
        device.anSound = {0, 1, 0, 0};
        CMeasureRun run(device.Link());
        const Outcome outcome = RunToEnd(run, device.Job({0, 1, 3}));
        EXPECT_EQ(device.log, (std::vector<std::string>{"solo 0", "take 0", "restore 0", "solo 1", "take 1",
                                                        "restore 1", "solo 3", "take 3", "restore 3"}));
        ASSERT_EQ(outcome.aTake.size(), 3u);
        EXPECT_TRUE(outcome.aTake[0].bTaken && !outcome.aTake[0].response.IsRefused())
            << outcome.aTake[0].strError << outcome.aTake[0].response.strRefused;
        EXPECT_NEAR(outcome.aTake[0].response.dArrivalMs, DELAY * 1000.0 / 48000.0, 0.03);
        EXPECT_EQ(outcome.aTake[0].header.nChannel, 1);
        EXPECT_EQ(outcome.aTake[1].response.strRefused.rfind("too quiet", 0), 0u)
            << outcome.aTake[1].response.strRefused;
        EXPECT_TRUE(outcome.aTake[2].bTaken);
        EXPECT_EQ(outcome.strEnd, "");
        EXPECT_EQ(device.nSoloed, -1);
    }
    // The sound fails: put back, and no channel after it is tried.
    {
        FakeDevice device;
        device.anSound = {2, 0, 0, 0};
        CMeasureRun run(device.Link());
        const Outcome outcome = RunToEnd(run, device.Job({0, 1}));
        EXPECT_EQ(device.log, (std::vector<std::string>{"solo 0", "take 0", "restore 0"}));
        EXPECT_EQ(outcome.strEnd, "the sink is gone");
    }
    // A stop in the middle of the sweep: put back, said, nothing more.
    {
        FakeDevice device;
        device.anSound = {3, 0, 0, 0};
        CMeasureRun run(device.Link());
        const Outcome outcome = RunToEnd(run, device.Job({0, 1}), [&] {
            while (run.GetStage() != CMeasureRun::Stage::Taking)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            run.Stop();
        });
        EXPECT_EQ(device.log, (std::vector<std::string>{"solo 0", "take 0", "restore 0"}));
        ASSERT_EQ(outcome.aTake.size(), 1u);
        EXPECT_EQ(outcome.aTake[0].strError, "stopped");
        EXPECT_EQ(outcome.strEnd, "stopped");
    }
    // The link lost while the sweep plays: nothing can be put back, and the
    // end says what may be left off.
    {
        FakeDevice device;
        device.anSound = {0, 4, 0, 0};
        CMeasureRun run(device.Link());
        const Outcome outcome = RunToEnd(run, device.Job({0, 1, 2}));
        EXPECT_EQ(device.log, (std::vector<std::string>{"solo 0", "take 0", "restore 0", "solo 1", "take 1"}));
        EXPECT_EQ(outcome.strEnd.rfind("the link was lost while CH2 was measured: the outputs of the other channels "
                                       "may still be off on the device",
                                       0),
                  0u)
            << outcome.strEnd;
    }
}
