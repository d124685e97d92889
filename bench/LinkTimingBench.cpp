// How much the link adds to the line: the connect sequence (six names and
// the live preset), a whole-preset write (name frame and four blocks), a
// whole-preset change of the live slot (as undo of Open leaves it) and a
// fitted EQ applied to one channel (28 of its bands changed),
// run against the virtual processor pacing at 9600 baud, with the real 30 ms
// tick loop, compared with the time their bytes alone need on the wire.
#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "CliLinkWindow.h"
#include "DeviceLink.h"
#include "LinkMessages.h"
#include "LinkState.h"
#include "MessageBox.h"
#include "SimPtyServer.h"
#include "TALVRoute.h"

namespace {
using Clock = std::chrono::steady_clock;

// 8N1: a start bit, eight data bits, a stop bit.
constexpr double BYTE_SECONDS = 10.0 / 9600.0;

double WireSeconds(int nBytesOut, int nBytesIn)
{
    // Stop-and-wait: a frame and its answer never overlap on the line.
    return (nBytesOut + nBytesIn) * BYTE_SECONDS;
}

struct Sample {
    double dConnect = 0;
    double dWrite = 0;      // from the call, including the wait for the first tick
    double dWriteLine = 0;  // from the first frame on the line
    double dChange = 0;     // from the change to the last answer
    double dFit = 0;        // from Apply of a fit until the device holds it
};

bool RunOnce(const std::string& strPort, int nRun, Sample& sample)
{
    std::ostringstream sink;
    CTALVRoute route;
    CCliLinkWindow wnd(sink, false);
    CDeviceLink link(route, wnd, wnd);
    wnd.SetLink(&link);
    bool bNames = false;
    bool bRead = false;
    wnd.m_onNamesReceived = [&] {
        link.OnPresetNamesReceived();
        bNames = true;
    };
    wnd.m_onReadComplete = [&] {
        link.LoadReceivedBlocks();
        bRead = true;
    };

    const auto t0 = Clock::now();
    if (!link.Connect(strPort))
        return false;
    wnd.Run([&] { return bNames && bRead; });
    const auto t1 = Clock::now();
    if (!bRead)
        return false;

    link.SetPresetName(1, "BENCH");
    link.WriteToDevice(1);
    wnd.Run([&] { return link.GetLink().GetCount() > 0 && link.GetLink().GetHead()->m_bUnsent == 0; });
    const auto tFirst = Clock::now();
    wnd.Run([&] { return !link.IsWritePending(); });
    const auto t2 = Clock::now();

    // Every value of every channel differs, as after undo of Open (and from
    // what the run before left on the device).
    CTALVRoute other;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        CTALVData& ch = other.GetChannel(k);
        for (int b = 0; b < NUM_BANDS; ++b)
            ch.SetGain(static_cast<short>(150 + 3 * b + k + 7 * (nRun % 2)), b);
        ch.SetDelay(static_cast<short>(40 * (k + 1) + nRun % 2));
        ch.SetLpfFreq(static_cast<short>(8000 - 1000 * k));
        route.GetChannel(k).RestoreSetting(ch.GetSetting());
    }
    const auto t3 = Clock::now();
    wnd.Run([&] { return !link.HasPendingChanges(); });
    const auto t4 = Clock::now();

    // A fitted EQ applied as the window applies it: 28 bands of channel 0.
    ResetLinkGroups(route);
    CTALVData& ch = route.GetChannel(0);
    for (int b = 0; b < 28; ++b)
        ch.SetGain(static_cast<short>(ch.GetGain(b) == 190 ? 210 : 190), b);
    const auto t5 = Clock::now();
    link.SendEqChange(0);
    wnd.Run([&] { return !link.HasPendingChanges(); });
    const auto t6 = Clock::now();
    const bool bOk = link.IsConnected();
    link.Disconnect();
    sample.dChange = std::chrono::duration<double>(t4 - t3).count();
    sample.dFit = std::chrono::duration<double>(t6 - t5).count();
    sample.dConnect = std::chrono::duration<double>(t1 - t0).count();
    sample.dWrite = std::chrono::duration<double>(t2 - t1).count();
    sample.dWriteLine = std::chrono::duration<double>(t2 - tFirst).count();
    return bOk;
}
}  // namespace

int main(int argc, char** argv)
{
    const int nRuns = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    SetMessageBoxHandler([](const std::string& text, MessageIcon, MessageButtons) {
        std::cerr << text << "\n";
        return MessageAnswer::Ok;
    });

    SimServerOptions options;
    options.bPaced = true;
    CSimPtyServer server(options);
    std::string error;
    if (!server.Start(error)) {
        std::cerr << error << "\n";
        return 1;
    }

    // Connect: six name queries, the name frame and four block requests out;
    // six name replies, one acknowledgement and four blocks back.
    const double dConnectWire = WireSeconds(6 * SHORT_FRAME_LEN + SHORT_FRAME_LEN + 4 * SHORT_FRAME_LEN,
                                            6 * SHORT_FRAME_LEN + SHORT_FRAME_LEN + 4 * BLOCK_FRAME_LEN);
    // Write: the name frame and four blocks out, five acknowledgements back.
    const double dWriteWire = WireSeconds(SHORT_FRAME_LEN + 4 * BLOCK_FRAME_LEN, 5 * SHORT_FRAME_LEN);

    // A whole-preset change: four blocks out, four acknowledgements back.
    const double dChangeWire = WireSeconds(4 * BLOCK_FRAME_LEN, 4 * SHORT_FRAME_LEN);

    std::vector<Sample> samples;
    for (int i = 0; i < nRuns; ++i) {
        Sample s;
        if (!RunOnce(server.GetPortPath(), i, s)) {
            std::cerr << "run " << i << " failed\n";
            return 1;
        }
        samples.push_back(s);
        std::printf("run %d: connect %.3f s, write %.3f s (%.3f s from its first frame), change %.3f s, fit %.3f s\n",
                    i + 1, s.dConnect, s.dWrite, s.dWriteLine, s.dChange, s.dFit);
    }
    double dConnect = 0, dWrite = 0, dWriteLine = 0, dChange = 0, dFit = 0;
    for (const Sample& s : samples) {
        dConnect += s.dConnect;
        dWrite += s.dWrite;
        dWriteLine += s.dWriteLine;
        dChange += s.dChange;
        dFit += s.dFit;
    }
    const auto nRunsDone = static_cast<double>(samples.size());
    dConnect /= nRunsDone;
    dWrite /= nRunsDone;
    dWriteLine /= nRunsDone;
    dChange /= nRunsDone;
    dFit /= nRunsDone;
    std::printf("connect: %.3f s measured, %.3f s on the wire, ratio %.3f\n", dConnect, dConnectWire,
                dConnect / dConnectWire);
    std::printf("write:   %.3f s measured, %.3f s on the wire, ratio %.3f (goal <= 1.10)\n", dWrite, dWriteWire,
                dWrite / dWriteWire);
    std::printf("write from its first frame: %.3f s, ratio %.3f\n", dWriteLine, dWriteLine / dWriteWire);
    std::printf("whole-preset change: %.3f s measured, %.3f s on the wire, ratio %.3f (goal <= 1.15)\n", dChange,
                dChangeWire, dChange / dChangeWire);
    std::printf("fitted EQ applied (28 bands of one channel): %.3f s until the device holds it\n", dFit);
    server.Stop();
    return 0;
}
