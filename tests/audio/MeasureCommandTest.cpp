// vardenctl measure end to end: the real binary measuring the virtual
// processor's loudspeakers in a room through a private PipeWire (this
// program runs under with-pipewire.sh), against the truth written out: the
// channel's filter sections from the preset's own response code, evaluated
// at each measured frequency, times the room's taps, times the half-band
// resampler's delay.
#include <gtest/gtest.h>
#include <spa/param/audio/raw.h>

#include <atomic>
#include <cmath>
#include <complex>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <sstream>
#include <thread>

#include "Audio_OutData.h"
#include "ChannelDisplay.h"
#include "ChannelSection.h"
#include "ChildProcess.h"
#include "MeasurementFile.h"
#include "PresetAlignChannels.h"
#include "PresetFile.h"
#include "PwInputMeter.h"
#include "PwNodeList.h"
#include "PwStream.h"
#include "PwSweepTake.h"
#include "SimWavFile.h"
#include "TALVRoute.h"

namespace fs = std::filesystem;
using Complex = std::complex<double>;

namespace {
constexpr double RATE = 48000.0;
constexpr int ENGINE_LATENCY = 47;  // the virtual processor's half-band filters, in samples
constexpr double PI = std::numbers::pi;
// A crossover filter's alignment and slope as the preset keeps them.
constexpr BYTE LINKWITZ_RILEY = 0;
constexpr BYTE SLOPE_24_DB = 2;

// The room: each channel's loudspeaker as taps (sample, gain).
using Tap = std::pair<int, double>;
const std::vector<Tap> ROOM[4] = {
    {{100, 0.5}, {600, -0.02}},  // the woofer, with a reflection
    {{50, 4.0}},                 // so loud it clips the input
    {{140, -0.5}},               // the tweeter, further away and wired inverted
    {},
};

Complex RoomAt(int k, double f)
{
    Complex h = 0.0;
    for (const auto& [n, g] : ROOM[k])
        h += g * std::polar(1.0, -2 * PI * f * n / RATE);
    return h;
}

// The channel as the preset's own code has it, at any frequency: each
// element's sections (at the device's 96 kHz), gain, polarity and delay.
Complex ChannelAt(const CTALVData& channel, double f)
{
    CAudio_OutData display;
    LoadLevelsFromChannel(channel, display);
    const Complex z1 = std::polar(1.0, -2 * PI * f / 96000.0);
    Complex h = 1.0;
    for (int e = 0; e < display.GetEQ().GetSize(); ++e) {
        CrossoverSections sections;
        const int n = display.GetEQ().GetAt(e).GetSections(sections);
        for (int s = 0; s < n; ++s) {
            const BiquadSection& q = sections[static_cast<std::size_t>(s)];
            h *= (q.B0 + q.B1 * z1 + q.B2 * z1 * z1) / (1.0 + q.A1 * z1 + q.A2 * z1 * z1);
        }
    }
    const ChannelSetting setting = ChannelSettingOf(channel);
    h *= std::pow(10.0, ChannelGainDb(setting.nGain) / 20.0) * (setting.bInverted ? -1.0 : 1.0);
    return h * std::polar(1.0, -2 * PI * f * DelaySeconds(setting.nDelay));
}

double WrapDegrees(double d)
{
    return std::remainder(d, 360.0);
}

// Column nColumn (0: frequency) of each line of `vardenctl curve`'s output,
// NaN where it is empty.
std::vector<double> CurveColumn(const std::string& text, int nColumn)
{
    std::vector<double> ad;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        double adCell[4] = {NAN, NAN, NAN, NAN};
        std::sscanf(line.c_str(), "%lf,%lf,%lf,%lf", &adCell[0], &adCell[1], &adCell[2], &adCell[3]);
        ad.push_back(adCell[nColumn]);
    }
    return ad;
}

std::string ReadText(const std::string& strPath)
{
    std::ifstream f(strPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// A sim with the room, started once for the suite, and the factory presets
// it keeps as files.
class MeasureCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("varden-measure-" + std::to_string(getpid()));
        fs::create_directories(s_dir / "room");
        for (int k = 0; k < 4; ++k)
            if (!ROOM[k].empty()) {
                WavData wav{1, 48000, std::vector<float>(static_cast<std::size_t>(ROOM[k].back().first + 1), 0.0f)};
                for (const auto& [n, g] : ROOM[k])
                    wav.aSample[static_cast<std::size_t>(n)] = static_cast<float>(g);
                std::string error;
                ASSERT_TRUE(
                    WriteWavFile((s_dir / "room" / ("ch" + std::to_string(k + 1) + ".wav")).string(), wav, error));
            }
    }
    static void TearDownTestSuite()
    {
        StopSim();
        fs::remove_all(s_dir);
    }
    static void StopSim()
    {
        if (s_pSim)
            s_pSim->Finish(SIGINT);
        s_pSim.reset();
        s_port.clear();
    }
    // The virtual processor in the room, quiet or with noise at -50 dBFS at
    // the microphone, started when the last test wanted the other; with
    // nStalls, its sound stalls in the first nStalls sounds it hears.
    static void UseSim(bool bNoisy, int nStalls = 0)
    {
        if (s_pSim && s_bNoisy == bNoisy && nStalls == 0 && !s_bStalls)
            return;
        StopSim();
        std::vector<std::string> args = {VARDENCTL_PATH, "sim",    "--fast",
                                         "--audio",      "--room", (s_dir / "room").string()};
        if (bNoisy)
            args.insert(args.end(), {"--noise", "-50"});
        if (nStalls > 0)
            args.insert(args.end(), {"--stalls", std::to_string(nStalls)});
        s_pSim = std::make_unique<CChild>(args);
        s_bNoisy = bNoisy;
        s_bStalls = nStalls > 0;
        s_port = s_pSim->ReadLine();
        ASSERT_FALSE(s_port.empty()) << "the virtual processor did not start";
        // The factory's two-way preset and its flat one, to put live.
        for (const auto& [slot, name] : {std::pair{"1", "two-way.dia"}, {"2", "flat.dia"}}) {
            const Result r = Ctl({"read", "--port", s_port, "--slot", slot, Path(name)});
            ASSERT_EQ(r.code, 0) << r.err;
        }
    }

    static std::string Path(const std::string& name) { return (s_dir / name).string(); }
    static Result Ctl(std::vector<std::string> args)
    {
        args.insert(args.begin(), VARDENCTL_PATH);
        return CChild(args).Finish();
    }
    // A 1 s sweep unless extra gives another.
    static std::vector<std::string> MeasureArgs(int k, const std::string& out, std::vector<std::string> extra = {},
                                                bool bReference = true)
    {
        std::vector<std::string> args = {VARDENCTL_PATH,    "measure",  "--port",        s_port,    "--channel",
                                         std::to_string(k), "--output", "varden-sim-in", "--input", "varden-sim-mic:1"};
        if (std::find(extra.begin(), extra.end(), "--sweep") == extra.end())
            args.insert(args.end(), {"--sweep", "1"});
        if (bReference)
            args.insert(args.end(), {"--reference", "varden-sim-mic:2"});
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(Path(out));
        return args;
    }
    static Result Measure(int k, const std::string& out, std::vector<std::string> extra = {}, bool bReference = true)
    {
        return CChild(MeasureArgs(k, out, std::move(extra), bReference)).Finish();
    }
    static void PutLive(const std::string& preset)
    {
        const Result r = Ctl({"write", "--port", s_port, "--slot", "0", Path(preset)});
        ASSERT_EQ(r.code, 0) << r.err;
    }
    static std::string LiveBytes()
    {
        const Result r = Ctl({"read", "--port", s_port, "--slot", "0", Path("live-now.dia")});
        EXPECT_EQ(r.code, 0) << r.err;
        return ReadText(Path("live-now.dia"));
    }
    static MeasurementData Export(const std::string& name)
    {
        MeasurementData data;
        std::string error;
        EXPECT_TRUE(ReadMeasurementFile(Path(name), data, error)) << error;
        EXPECT_TRUE(data.HasPhase()) << name;
        return data;
    }
    static CTALVRoute& Preset(const std::string& name)
    {
        static CTALVRoute route;
        std::string error;
        EXPECT_TRUE(LoadPresetFile(Path(name), route, error)) << error;
        return route;
    }

    // The two-way woofer's measurement against the truth, 30 Hz to 18 kHz: the
    // worst level (dB) and phase (degrees, within 30 dB of the top) off.
    static std::pair<double, double> WorstOffTwoWayWoofer(const MeasurementData& m, bool bCalibrated)
    {
        const CTALVData& channel = Preset("two-way.dia").GetChannel(0);
        const double dTop = *std::max_element(m.adLevel.begin(), m.adLevel.end());
        int nChecked = 0;
        double dWorstLevel = 0.0, dWorstPhase = 0.0;
        for (std::size_t i = 0; i < m.adFreq.size(); ++i) {
            const double f = m.adFreq[i];
            if (f < 30.0 || f > 18000.0)
                continue;
            const Complex h =
                ChannelAt(channel, f) * RoomAt(0, f) * std::polar(1.0, -2 * PI * f * ENGINE_LATENCY / RATE);
            ++nChecked;
            const double dCalibration = bCalibrated ? 1.0 - 3.0 * std::log2(f / 20.0) / std::log2(1000.0) : 0.0;
            dWorstLevel =
                std::max(dWorstLevel, std::fabs(m.adLevel[i] - (20 * std::log10(std::abs(h)) - dCalibration)));
            if (m.adLevel[i] > dTop - 30.0)
                dWorstPhase = std::max(dWorstPhase, std::fabs(WrapDegrees(m.adPhase[i] - std::arg(h) * 180 / PI)));
        }
        EXPECT_GT(nChecked, 400);
        return {dWorstLevel, dWorstPhase};
    }

    static inline fs::path s_dir;
    static inline std::unique_ptr<CChild> s_pSim;
    static inline bool s_bNoisy = false;
    static inline bool s_bStalls = false;
    static inline std::string s_port;
};

// The two-way preset's woofer in the room with a reflection, two sweeps
// averaged, a calibration taken out: the level within 0.1 dB of the truth
// from 30 Hz to 18 kHz, the phase within 2 degrees wherever the level is
// within 30 dB of its top; the impulse response saved as float WAV.
TEST_F(MeasureCommand, KnownRoomWithCalibration)
{
    UseSim(false);
    PutLive("two-way.dia");
    // The microphone's calibration: +1 dB at 20 Hz to -2 dB at 20 kHz, straight
    // on a log frequency axis.
    std::ofstream(Path("mic.txt")) << "\"Sens Factor =-1.2dB, SERNO: 7001234\"\n20 1.0\n20000 -2.0\n";
    const Result r = Measure(1, "m.txt", {"--repeat", "2", "--calibration", Path("mic.txt"), "--ir", Path("ir.wav")});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto [dWorstLevel, dWorstPhase] = WorstOffTwoWayWoofer(Export("m.txt"), true);
    EXPECT_LT(dWorstLevel, 0.1);
    EXPECT_LT(dWorstPhase, 2.0);
    std::cout << "[ figure ] level off by at most " << dWorstLevel << " dB, phase by " << dWorstPhase << " degrees\n";

    // The impulse response: 32-bit float samples at 48 kHz, its peak at the arrival.
    WavData ir;
    std::string error;
    ASSERT_TRUE(ReadWavFile(Path("ir.wav"), ir, error)) << error;
    EXPECT_EQ(ReadText(Path("ir.wav"))[20], 3);  // IEEE float
    EXPECT_EQ(ir.nRate, 48000);
    const auto nPeak = std::max_element(ir.aSample.begin(), ir.aSample.end(),
                                        [](float a, float b) { return std::fabs(a) < std::fabs(b); }) -
                       ir.aSample.begin();
    const std::string text = ReadText(Path("m.txt"));
    const std::size_t at = text.find("* Arrival time: ");
    ASSERT_NE(at, std::string::npos) << text.substr(0, 800);
    EXPECT_NEAR(std::stod(text.substr(at + 16)) * RATE / 1000.0, static_cast<double>(nPeak), 1.0);
    EXPECT_NE(text.find("* Reference: varden-sim-mic:2"), std::string::npos);
    EXPECT_NE(text.find("* Calibration: " + Path("mic.txt")), std::string::npos);
}

// A processor that stalls in the first four sweeps it hears: three broken
// takes in a row are refused, writing nothing; one alone is taken again, said
// so, and the measurement holds. The device is put back either way.
TEST_F(MeasureCommand, TakesWithSkippedCyclesAreTakenAgain)
{
    UseSim(false, 4);
    PutLive("two-way.dia");
    const std::string before = LiveBytes();
    Result r = Measure(1, "broken.txt", {"--sweep", "0.5"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("the sound server skipped cycles in 3 takes in a row, so the recordings have gaps"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(Path("broken.txt")));
    EXPECT_EQ(LiveBytes(), before);

    r = Measure(1, "retaken.txt", {"--repeat", "2", "--sweep", "0.5"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("the sound server skipped cycles during sweep 1, so it was taken again"), std::string::npos)
        << r.err;
    const auto [dWorstLevel, dWorstPhase] = WorstOffTwoWayWoofer(Export("retaken.txt"), false);
    EXPECT_LT(dWorstLevel, 0.1);
    EXPECT_LT(dWorstPhase, 2.0);
    EXPECT_EQ(LiveBytes(), before);
}

// With the flat preset the arrival is the resampler's delay plus the room's,
// to the sample, for each channel against the loopback; without the
// loopback the output says what the arrival is worth, and the input meter
// on the loopback reads the sweep's level. The loopback's source is listed
// with its channels; a node or channel the server lacks is named.
TEST_F(MeasureCommand, ReferenceTiming)
{
    UseSim(false);
    PutLive("flat.dia");
    for (const auto& [k, nRoom] : {std::pair{1, 100}, {3, 140}}) {
        const Result r = Measure(k, "t.txt", {"--sweep", "0.5"});
        ASSERT_EQ(r.code, 0) << r.err;
        const std::size_t at = r.out.find("arrival ");
        ASSERT_NE(at, std::string::npos) << r.out;
        EXPECT_NEAR(std::stod(r.out.substr(at + 8)) * RATE / 1000.0, ENGINE_LATENCY + nRoom, 1.0) << r.out;
        EXPECT_NE(r.out.find("after the reference"), std::string::npos);
    }
    Result r = Ctl({"audio"});
    EXPECT_NE(r.out.find("varden-sim-mic  source  2         48000     varden virtual processor microphone"),
              std::string::npos)
        << r.out;
    // The input meter on the loopback meanwhile reads the sweep's level.
    CPipeWireSession sound;
    CPwInputMeter meter;
    std::string error;
    ASSERT_TRUE(sound.Connect(error) && meter.Start(sound, "varden-sim-mic", 1, error)) << error;
    // Streams take the node's own channel positions, so the server links
    // channel to channel: microphone and loopback never trade places.
    std::vector<PwNodeInfo> aNodes;
    ASSERT_TRUE(ListPwNodes(sound, aNodes, error)) << error;
    const PwNodeInfo* pMic = FindPwNode(aNodes, "varden-sim-mic");
    ASSERT_NE(pMic, nullptr);
    EXPECT_EQ(StreamSetupFor(*pMic, "r", "r", false).anPositions,
              (std::vector<std::uint32_t>{SPA_AUDIO_CHANNEL_FL, SPA_AUDIO_CHANNEL_FR}));
    int nSink = 0, nSource = 0;
    EXPECT_FALSE(CheckTakeNodes(sound, {"nosuch", -1, "varden-sim-mic", {0}, 0.5}, nSink, nSource, error));
    EXPECT_EQ(error, "the sound server has no sink named 'nosuch' (vardenctl audio lists them)");
    EXPECT_FALSE(CheckTakeNodes(sound, {"varden-sim-in", -1, "varden-sim-mic", {0, 4}, 0.5}, nSink, nSource, error));
    EXPECT_EQ(error, "varden-sim-mic has 2 channels, not a channel 5");
    std::atomic<bool> bMeasured{false};
    double dPeak = CPwInputMeter::PEAK_SILENT_DBFS;
    std::thread watch([&] {
        for (; !bMeasured; std::this_thread::sleep_for(std::chrono::milliseconds(20)))
            dPeak = std::max(dPeak, meter.PeakDbfs());
    });
    r = Measure(1, "u.txt", {"--sweep", "0.5"}, false);
    bMeasured = true;
    watch.join();
    EXPECT_NEAR(dPeak, -20.0, 0.2);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Without --reference the arrival time holds only within one run and may be off by the sound "
                         "server's latency."),
              std::string::npos)
        << r.out;
}

// With noise at the microphone: clipping and a sweep drowned in the noise
// are refused with the reason and
// write nothing; so is an interrupted sweep (exit 130). Each time the
// device's live setting afterwards is the one before, byte for byte.
TEST_F(MeasureCommand, RefusalsAndInterruptPutTheDeviceBack)
{
    UseSim(true);
    PutLive("two-way.dia");
    const std::string before = LiveBytes();
    Result r = Measure(2, "clip.txt", {"--level", "-3"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("input clipped: lower --level or the input gain"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("clip.txt")));
    EXPECT_EQ(LiveBytes(), before);

    r = Measure(1, "quiet.txt", {"--level", "-110"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("too quiet"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("quiet.txt")));
    EXPECT_EQ(LiveBytes(), before);

    CChild measure(MeasureArgs(1, "stopped.txt", {"--sweep", "4"}));
    ASSERT_TRUE(measure.WaitForErr("sweep 1 of 1"));
    // Stopped halfway, where the sweep is loud in every channel.
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    r = measure.Finish(SIGINT);
    EXPECT_EQ(r.code, 130) << r.err;
    EXPECT_NE(r.err.find("interrupted; the device's live setting was put back and checked"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(Path("stopped.txt")));
    EXPECT_EQ(LiveBytes(), before);

    // What the stopped sweep left in the processor and the room has died
    // away, as it would in a real one: a sweep 10 dB quieter peaks where it
    // alone peaks, not where the rest of the stopped one would.
    r = Measure(1, "after.txt", {"--level", "-30", "--sweep", "1"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::size_t at = r.out.find("input peak ");
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_LT(std::stod(r.out.substr(at + 11)), -29.0) << r.out;  // -31.5 here
}

// The loop closed on a plain two-way crossover (Linkwitz-Riley, 24 dB per
// octave at 2 kHz, nothing else) whose drivers play equally loud: the woofer
// measured, its equaliser fitted, sent, measured again: the second
// measurement is within 0.3 dB rms of what the fit predicted over its range.
// Then woofer and tweeter measured, aligned, sent: the alignment delays the
// woofer by the room's 40 samples more than the tweeter (within one) and
// inverts one of them, as the tweeter is wired inverted; measured again,
// the two meet in phase at the crossover.
TEST_F(MeasureCommand, ClosedLoop)
{
    UseSim(false);
    {
        CTALVRoute& route = Preset("flat.dia");
        route.GetChannel(0).SetLpfFreq(2000);
        route.GetChannel(2).SetHpfFreq(2000);
        for (CTALVData* ch : {&route.GetChannel(0), &route.GetChannel(2)}) {
            ch->SetLpfType(LINKWITZ_RILEY), ch->SetLpfSlope(SLOPE_24_DB);
            ch->SetHpfType(LINKWITZ_RILEY), ch->SetHpfSlope(SLOPE_24_DB);
        }
        std::string error;
        ASSERT_TRUE(SavePresetFile(Path("crossover.dia"), route, error)) << error;
    }
    PutLive("crossover.dia");
    Result r = Measure(1, "m1.txt");
    ASSERT_EQ(r.code, 0) << r.err;
    r = Ctl({"fit", Path("crossover.dia"), "--channel", "1", "--measurement", Path("m1.txt"), "--range", "60-1500",
             Path("fitted.dia")});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Ctl({"curve", Path("fitted.dia"), "--channel", "1", "--measurement", Path("m1.txt"), "--measured-with",
             Path("crossover.dia")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<double> adFreq = CurveColumn(r.out, 0), adPredicted = CurveColumn(r.out, 3);
    PutLive("fitted.dia");
    r = Measure(1, "m2.txt");
    ASSERT_EQ(r.code, 0) << r.err;
    r = Ctl({"curve", Path("fitted.dia"), "--channel", "1", "--measurement", Path("m2.txt")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<double> adAgain = CurveColumn(r.out, 2);
    double dSum = 0.0;
    int nPoints = 0;
    for (std::size_t i = 0; i < adFreq.size(); ++i) {
        if (adFreq[i] >= 60.0 && adFreq[i] <= 1500.0) {
            dSum += (adAgain[i] - adPredicted[i]) * (adAgain[i] - adPredicted[i]);
            ++nPoints;
        }
    }
    ASSERT_GT(nPoints, 100);
    const double dRms = std::sqrt(dSum / nPoints);
    EXPECT_LT(dRms, 0.3);
    std::cout << "[ figure ] measured again after the fit: " << dRms << " dB rms from the prediction\n";

    r = Measure(3, "m3.txt");
    ASSERT_EQ(r.code, 0) << r.err;
    r = Ctl({"align", Path("fitted.dia"), "--measurement", "1=" + Path("m2.txt"), "--measurement",
             "3=" + Path("m3.txt"), Path("aligned.dia")});
    ASSERT_EQ(r.code, 0) << r.err;
    const CTALVRoute& aligned = Preset("aligned.dia");
    const CTALVData &woofer = aligned.GetChannel(0), &tweeter = aligned.GetChannel(2);
    EXPECT_NEAR(woofer.GetDelay() - tweeter.GetDelay(), ROOM[2][0].first - ROOM[0][0].first, 1) << r.out;
    EXPECT_NE(woofer.GetPolarity() != 0, tweeter.GetPolarity() != 0) << r.out;
    PutLive("aligned.dia");
    for (const int k : {1, 3}) {
        r = Measure(k, "a" + std::to_string(k) + ".txt");
        ASSERT_EQ(r.code, 0) << r.err;
    }
    // Both on the same rows: the phase apart where the row nearest 2 kHz is.
    const MeasurementData a1 = Export("a1.txt"), a3 = Export("a3.txt");
    const auto i =
        static_cast<std::size_t>(std::lower_bound(a1.adFreq.begin(), a1.adFreq.end(), 2000.0) - a1.adFreq.begin());
    const double dApart = WrapDegrees(a1.adPhase[i] - a3.adPhase[i]);
    EXPECT_NEAR(dApart, 0.0, 10.0);
    std::cout << "[ figure ] aligned: woofer " << woofer.GetDelay() - tweeter.GetDelay()
              << " samples after the tweeter, polarities " << int{woofer.GetPolarity()} << "/"
              << int{tweeter.GetPolarity()} << ", " << dApart << " degrees apart at 2 kHz measured again\n";
}

}  // namespace
