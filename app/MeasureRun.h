// One press of "Measure", "Next position" or "Check": each chosen channel in
// turn played alone through the device and recorded. On the window's thread
// it waits until the device holds every change sent before, turns every
// other channel's output off over the link and waits for the
// acknowledgements; a worker plays the sweep and records it and works out
// the response; then what the device held is put back, and acknowledged,
// before the next channel. A stop, an error or a refusal still puts the
// device back; a lost link cannot, and the run says what may be left off.
#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "MeasureTakes.h"
#include "MeasurementExport.h"
#include "MicCalibration.h"

// What a press of the measure dialog measures for: a new measurement, one
// more microphone position, or a check against the prediction.
enum class MeasureMode { Measure, NextPosition, Check };

// What a run needs of the device's link: whether it is up, whether every
// change sent has been acknowledged, and channel k soloed or everything put
// back (frames queued, not yet acknowledged).
struct MeasureLink {
    std::function<bool()> fnUp;
    std::function<bool()> fnSettled;
    std::function<void(int k)> fnSolo;
    std::function<void(int k)> fnRestore;
};

// Plays the sweep and returns the recordings (the input, then the reference
// when there is one), each starting where the sweep did; blocking, on the
// worker; false with the reason. Stops soon after bStop is set.
using PlayAndRecord = std::function<bool(const std::vector<float>& afSweep, const std::atomic<bool>& bStop,
                                         std::vector<std::vector<float>>& aRecorded, std::string& strError)>;

struct MeasureJob {
    std::vector<int> anChannel;  // 0..3, in order
    MeasureSettings settings;
    bool bReference = false;
    std::optional<MicCalibration> calibration;
    PlayAndRecord fnPlayAndRecord;
    // The sound devices and calibration as the export names them.
    MeasurementHeader header;
};

// What became of one channel: a response (possibly refused, with the reason)
// or the error that left it unmeasured.
struct ChannelTake {
    int nChannel = 0;
    bool bTaken = false;
    std::string strError;
    MeasuredResponse response;
    // What the export says of it: the job's, with the channel and time.
    MeasurementHeader header;
    SweepSettings sweep;
};

class CMeasureRun : public QObject {
    Q_OBJECT

public:
    enum class Stage { Idle, Settling, Soloing, Taking, Restoring };

    explicit CMeasureRun(MeasureLink link);
    ~CMeasureRun() override;
    CMeasureRun(const CMeasureRun&) = delete;
    CMeasureRun& operator=(const CMeasureRun&) = delete;

    void Start(MeasureJob job);
    // The sweep stops, and the device is put back before the run ends.
    void Stop();
    bool IsRunning() const { return m_eStage != Stage::Idle; }
    Stage GetStage() const { return m_eStage; }
    int GetChannel() const { return m_nChannel; }
    // How far the sweep of the channel being measured is, 0 to 1.
    double GetSweepProgress() const;
    // For tests: waits (the events going on) until the run has ended.
    void WaitUntilDone();

signals:
    void Progress();
    void ChannelDone(const ChannelTake& take);
    // strError: empty, or why the run ended early (a stop says so too).
    void Finished(const std::string& strError);

private:
    void OnTick();
    void NextChannel();
    void Finish(const std::string& strError);
    void StartTake();
    void CollectTake();

    MeasureLink m_link;
    MeasureJob m_job;
    QTimer m_timer;
    Stage m_eStage = Stage::Idle;
    std::size_t m_nNext = 0;
    int m_nChannel = -1;
    std::string m_strStopped;  // why the channels after this one are not measured
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bTaken{false};
    std::thread m_worker;
    ChannelTake m_take;
    std::chrono::steady_clock::time_point m_tSweepStart;
};
