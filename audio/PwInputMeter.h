// The level coming in on one channel of a source, for a meter beside the
// level control: the peak over the last cycle of the sound server (about
// 100 ms at most of it), read from any thread.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "PipeWireSession.h"
#include "PwStream.h"

class CPwInputMeter {
public:
    CPwInputMeter() = default;
    ~CPwInputMeter();
    CPwInputMeter(const CPwInputMeter&) = delete;
    CPwInputMeter& operator=(const CPwInputMeter&) = delete;

    // Records channel nChannel (0-based) of the source; false with the
    // reason (the source or channel named) when it cannot.
    bool Start(CPipeWireSession& session, const std::string& strSource, int nChannel, std::string& strError);
    // dBFS; PEAK_SILENT_DBFS for silence or before the first sound.
    double PeakDbfs() const;
    void Stop();

    static constexpr double PEAK_SILENT_DBFS = -120.0;

private:
    static void OnCapture(void* pUser, float* pFrames, int nFrames);

    std::unique_ptr<CPwStream> m_pStream;
    int m_nChannels = 0;
    int m_nChannel = 0;
    std::atomic<float> m_fPeak{0.0f};
};
