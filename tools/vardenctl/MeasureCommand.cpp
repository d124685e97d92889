// vardenctl measure: one channel of the device measured through a sound
// card, alone: the other channels' outputs off over the link while the sweep
// plays, and the device's live setting given back and checked afterwards,
// whatever happened in between.
#include "MeasureCommand.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <ctime>
#include <thread>

#include "CliSession.h"
#include "MeasureTakes.h"
#include "MeasurementExport.h"
#include "MeasurementFile.h"
#include "MicCalibration.h"
#include "PresetDiff.h"
#include "PresetFile.h"
#include "PresetName.h"
#include "PwSweepTake.h"
#include "SlotVerify.h"
#include "SoloPlan.h"
#include "TuningOptions.h"

namespace {
constexpr int MAX_REPEATS = 16;
constexpr int MAX_NODE_CHANNEL = 64;
// Recorded after the sweep has come back: the highest frequencies' decay in
// a room is 40 dB down or more by then, and a channel is measured within the
// sweep and a second.
constexpr double TAIL_SECONDS = 0.3;

struct MeasureRequest {
    int nChannel = 0;  // 0-based
    NodeChannel output, input, reference;
    SweepSettings sweep;
    int nRepeats = 1;
    std::string strCalibration;
    MicCalibration calibration;
    std::string strIr;
    std::string strOut;
};

std::string Named(const NodeChannel& n)
{
    return n.nChannel < 0 ? n.strNode : n.strNode + ":" + std::to_string(n.nChannel + 1);
}

int ParseNodeOption(const CommandLine& cl, const char* pszOption, NodeChannel& out)
{
    if (!ParseNodeChannel(cl.Get(pszOption), out))
        return cl.Fail(EXIT_USAGE, std::string(pszOption) + " takes a node's name and perhaps :N, a channel from 1 (" +
                                       "vardenctl audio lists them), not '" + cl.Get(pszOption) + "'");
    return EXIT_OK;
}

int ParseMeasureOptions(const CommandLine& cl, MeasureRequest& r)
{
    const auto k = ParseInt(cl.Get("--channel"), 1, NUM_CHANNELS);
    if (!k)
        return cl.Fail(EXIT_USAGE, "--channel takes a channel from 1 to 4, not '" + cl.Get("--channel") + "'");
    r.nChannel = *k - 1;
    if (const int n = ParseNodeOption(cl, "--output", r.output))
        return n;
    if (const int n = ParseNodeOption(cl, "--input", r.input))
        return n;
    if (r.input.nChannel < 0)
        r.input.nChannel = 0;
    if (cl.Has("--reference")) {
        if (const int n = ParseNodeOption(cl, "--reference", r.reference))
            return n;
        // One stream records both, so their timing against each other holds.
        if (r.reference.strNode != r.input.strNode || r.reference.nChannel < 0)
            return cl.Fail(EXIT_USAGE, "--reference takes a channel of the input's source, " + r.input.strNode +
                                           ":N, not '" + cl.Get("--reference") + "'");
        if (r.reference.nChannel == r.input.nChannel)
            return cl.Fail(EXIT_USAGE, "--reference and --input name the same channel");
    }
    if (cl.Has("--level") && !ParseNumber(cl.Get("--level"), r.sweep.dLevelDbfs))
        return cl.Fail(EXIT_USAGE, "--level takes dBFS, not '" + cl.Get("--level") + "'");
    if (cl.Has("--sweep") && !ParseNumber(cl.Get("--sweep"), r.sweep.dSeconds))
        return cl.Fail(EXIT_USAGE, "--sweep takes seconds, not '" + cl.Get("--sweep") + "'");
    std::string error;
    if (!CheckSweepSettings(r.sweep, error))
        return cl.Fail(EXIT_USAGE, error);
    if (cl.Has("--repeat")) {
        const auto n = ParseInt(cl.Get("--repeat"), 1, MAX_REPEATS);
        if (!n)
            return cl.Fail(EXIT_USAGE, "--repeat takes 1 to 16 sweeps, not '" + cl.Get("--repeat") + "'");
        r.nRepeats = *n;
    }
    r.strOut = cl.args[0];
    r.strIr = cl.Get("--ir");
    for (const std::string& strPath : {r.strOut, r.strIr})
        if (!strPath.empty() && !CheckWritable(strPath, error))
            return cl.Fail(EXIT_IO, error);
    if (cl.Has("--calibration")) {
        r.strCalibration = cl.Get("--calibration");
        std::vector<std::uint8_t> bytes;
        if (!ReadFileBytes(r.strCalibration, bytes, error, MEASUREMENT_MAX_FILE_SIZE,
                           "too large for a microphone's calibration") ||
            !ParseMicCalibration(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                 r.strCalibration, r.calibration, error))
            return cl.Fail(EXIT_IO, error);
    }
    return EXIT_OK;
}

std::string ChannelList(const std::vector<int>& anChannels)
{
    std::string s;
    for (std::size_t i = 0; i < anChannels.size(); ++i)
        s += (i == 0 ? "" : i + 1 == anChannels.size() ? " and " : ", ") + std::to_string(anChannels[i] + 1);
    return (anChannels.size() == 1 ? "channel " : "channels ") + s;
}

using LiveBlocks = std::array<std::array<BYTE, BLOCK_FRAME_LEN>, NUM_CHANNELS>;

LiveBlocks BlocksRead(CCliSession& session)
{
    LiveBlocks a{};
    for (int c = 0; c < NUM_CHANNELS; ++c)
        std::copy_n(session.m_link.GetLink().GetBlock(c), BLOCK_FRAME_LEN, a[static_cast<std::size_t>(c)].begin());
    return a;
}

// The takes, each on a worker while the link goes on beside it. Empty
// strFailure and bInterrupted false: all were taken.
struct Takes {
    std::vector<std::vector<float>> aTakes, aReferences;
    std::string strFailure;
    bool bInterrupted = false;
};

Takes RunTakes(CCliSession& session, CPipeWireSession& sound, const PwTakeSetup& setup,
               const std::vector<float>& afSweep, int nRepeats, const std::string& strWhat)
{
    Takes t;
    CPwSweepTake take(sound);
    for (int i = 0; i < nRepeats; ++i) {
        session.m_cl.Note(strWhat + ": sweep " + std::to_string(i + 1) + " of " + std::to_string(nRepeats));
        std::atomic<bool> bStop{false}, bDone{false};
        std::vector<std::vector<float>> aRecorded;
        bool bOk = false;
        std::thread worker([&] {
            bOk = take.Run(setup, afSweep, aRecorded, bStop, t.strFailure);
            bDone.store(true);
        });
        const bool bWaited = session.Await([&] { return bDone.load(); });
        bStop.store(true);
        worker.join();
        if (!bWaited) {
            t.bInterrupted = session.IsConnected();
            if (!t.bInterrupted)
                t.strFailure = "the link to the device was lost during the sweep";
            return t;
        }
        if (!bOk)
            return t;
        if (const int nRetakes = take.GetRetakes())
            session.m_cl.Note(strWhat + ": the sound server skipped cycles during sweep " + std::to_string(i + 1) +
                              ", so it was taken again" +
                              (nRetakes > 1 ? " (" + std::to_string(nRetakes) + " times)" : ""));
        t.aTakes.push_back(std::move(aRecorded[0]));
        if (aRecorded.size() > 1)
            t.aReferences.push_back(std::move(aRecorded[1]));
    }
    // Every take as long as the shortest: the server's latency may differ.
    std::size_t nLength = SIZE_MAX;
    for (const auto& af : t.aTakes)
        nLength = std::min(nLength, af.size());
    for (auto* pSignals : {&t.aTakes, &t.aReferences})
        for (auto& af : *pSignals)
            af.resize(nLength);
    return t;
}

// Puts back what the solo frames changed and reads the live slot to check
// it; "" when the device holds exactly what it held before, else what is
// wrong, as a sentence.
std::string PutBack(CCliSession& session, std::vector<std::unique_ptr<CSendData>> restore,
                    const std::vector<int>& anMuted, const PresetData& before, const LiveBlocks& blocksBefore)
{
    session.AllowStep();
    const std::string strLeft = "the outputs of " + ChannelList(anMuted) + " may still be off";
    if (!anMuted.empty()) {
        // A link lost meanwhile gets one more try.
        if (!session.IsConnected() && !session.Connect())
            return "could not connect again to put the outputs back; " + strLeft;
        if (!session.SendFrames(std::move(restore), "putting the muted outputs back"))
            return "could not put the outputs back; " + strLeft;
        session.m_cl.Note("the outputs of " + ChannelList(anMuted) + " are on again");
    }
    PresetData after;
    if (!session.ReadSlot(0, after, "checking the live setting"))
        return std::string(anMuted.empty() ? "" : "the outputs were put back, but ") +
               "the live setting could not be read back to check it";
    if (BlocksRead(session) == blocksBefore && after.strName == before.strName)
        return {};
    std::string s = "the device's live setting differs from before the measurement (before -> now):";
    for (const std::string& line : DiffPresets(before, after, PresetFields::File))
        s += "\n  " + line;
    return s;
}

int WriteResults(const CommandLine& cl, const MeasureRequest& r, const MeasuredResponse& response,
                 const MeasurementHeader& header)
{
    std::string error;
    const std::string strText = FormatMeasurementExport(response, r.sweep, header);
    if (!r.strIr.empty()) {
        const std::string strWav = FormatFloatWav(response.afImpulse, r.sweep.nRate);
        if (!WriteFileAtomically(r.strIr, std::vector<std::uint8_t>(strWav.begin(), strWav.end()), error))
            return cl.Fail(EXIT_IO, error + "; nothing was written to " + r.strOut);
    }
    if (!WriteFileAtomically(r.strOut, std::vector<std::uint8_t>(strText.begin(), strText.end()), error))
        return cl.Fail(EXIT_IO, error);
    char sz[160];
    std::snprintf(sz, sizeof sz, "signal-to-noise %.1f dB, input peak %.1f dBFS, arrival %.3f ms",
                  response.dSignalToNoiseDb, response.dPeakDbfs, response.dArrivalMs);
    cl.out << "Measured channel " << r.nChannel + 1 << " into " << EscapeControls(r.strOut) << ": " << sz
           << (response.bReference ? " after the reference" : "") << "\n";
    if (!response.bReference)
        cl.out << "Without --reference the arrival time holds only within one run and may be off by the sound "
                  "server's latency.\n";
    return EXIT_OK;
}
}  // namespace

bool ConnectSoundServer(CPipeWireSession& session, std::string& strError)
{
    if (session.Connect(strError))
        return true;
    strError = "no sound server: a running PipeWire session is needed";
    return false;
}

bool ParseNodeChannel(const std::string& s, NodeChannel& out)
{
    NodeChannel n{s, -1};
    const std::size_t colon = s.rfind(':');
    if (colon != std::string::npos && colon + 1 < s.size() &&
        std::all_of(s.begin() + static_cast<long>(colon) + 1, s.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
        const auto nChannel = ParseInt(s.substr(colon + 1), 1, MAX_NODE_CHANNEL);
        if (!nChannel)
            return false;
        n = {s.substr(0, colon), *nChannel - 1};
    }
    if (n.strNode.empty())
        return false;
    out = n;
    return true;
}

int RunMeasure(const CommandLine& cl)
{
    MeasureRequest r;
    if (const int n = ParseMeasureOptions(cl, r))
        return n;
    const std::string strNothing = "nothing was written to " + r.strOut;

    // The session first: the sound server's threads must leave the signals to it.
    CCliSession session(cl);
    CPipeWireSession sound;
    PwTakeSetup setup{r.output.strNode, r.output.nChannel, r.input.strNode, {r.input.nChannel}, TAIL_SECONDS};
    if (r.reference.nChannel >= 0)
        setup.anSourceChannels.push_back(r.reference.nChannel);
    std::string error;
    int nSinkChannels = 0, nSourceChannels = 0;
    if (!ConnectSoundServer(sound, error) || !CheckTakeNodes(sound, setup, nSinkChannels, nSourceChannels, error))
        return cl.Fail(EXIT_IO, error);

    if (!session.Connect())
        return EXIT_IO;
    PresetData before;
    if (!session.ReadSlot(0, before, "reading the live setting"))
        return session.StepFailed("nothing was changed on the device; " + strNothing);
    const LiveBlocks blocksBefore = BlocksRead(session);
    if (session.IsStopRequested())
        return session.StoppedBefore("nothing was changed on the device; " + strNothing);
    const CTALVData& measured = session.m_route.GetChannel(r.nChannel);
    if (measured.GetOutputOn() == 0)
        return cl.Fail(EXIT_IO, "channel " + std::to_string(r.nChannel + 1) +
                                    "'s output is off on the device: switch it on to measure it; " + strNothing);

    std::vector<int> anMuted;
    for (int c = 0; c < NUM_CHANNELS; ++c)
        if (c != r.nChannel && session.m_route.GetChannel(c).GetOutputOn() != 0)
            anMuted.push_back(c);
    auto restore = MakeRestoreFrames(session.m_route, r.nChannel);
    Takes takes;
    if (!anMuted.empty())
        cl.Note("switching off the outputs of " + ChannelList(anMuted));
    if (!session.SendFrames(MakeSoloFrames(session.m_route, r.nChannel), "muting the other channels"))
        takes.strFailure = session.IsConnected() ? std::string() : "the link to the device was lost while muting";
    if (takes.strFailure.empty() && session.IsStopRequested())
        takes.bInterrupted = true;
    const std::vector<float> afSweep = MakeLogSweep(r.sweep);
    if (takes.strFailure.empty() && !takes.bInterrupted)
        takes = RunTakes(session, sound, setup, afSweep, r.nRepeats,
                         "channel " + std::to_string(r.nChannel + 1) + " alone" +
                             (anMuted.empty() ? std::string() : " (" + ChannelList(anMuted) + " off)"));

    const std::string strPutBack = PutBack(session, std::move(restore), anMuted, before, blocksBefore);
    const std::string strDevice =
        strPutBack.empty() ? "the device's live setting was put back and checked" : strPutBack;
    if (takes.bInterrupted || session.IsStopRequested())
        return cl.Fail(EXIT_INTERRUPTED, "interrupted; " + strDevice + "; " + strNothing);
    if (!takes.strFailure.empty())
        return cl.Fail(EXIT_IO, takes.strFailure + "; " + strDevice + "; " + strNothing);
    if (!strPutBack.empty())
        return cl.Fail(EXIT_IO, strPutBack + "; " + strNothing);

    MeasureSettings settings;
    settings.sweep = r.sweep;
    MeasuredResponse response = MeasureTakes(afSweep, settings, takes.aTakes, takes.aReferences);
    if (response.IsRefused())
        return cl.Fail(EXIT_IO, response.strRefused + "; " + strNothing);
    if (!r.strCalibration.empty())
        ApplyMicCalibration(r.calibration, response);
    MeasurementHeader header;
    header.tWhen = std::time(nullptr);
    header.nChannel = r.nChannel + 1;
    header.strPreset = before.strName;
    header.strOutput = Named(r.output);
    header.strInput = Named(r.input);
    header.strReference = r.reference.nChannel >= 0 ? Named(r.reference) : std::string();
    header.strCalibration = r.strCalibration;
    return WriteResults(cl, r, response, header);
}
