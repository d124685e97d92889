// vardenctl measure end to end: the real binary measuring the virtual
// processor's loudspeakers in a room through a private PipeWire (this
// program runs under with-pipewire.sh), against the truth written out: the
// channel's filter sections from the preset's own response code, evaluated
// at each measured frequency, times the room's taps, times the half-band
// resampler's delay.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
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
#include "TALVRoute.h"

namespace fs = std::filesystem;
using Complex = std::complex<double>;

namespace {
constexpr double RATE = 48000.0;
constexpr int ENGINE_LATENCY = 47;  // the virtual processor's half-band filters, in samples
constexpr double PI = std::numbers::pi;

// The room: each channel's loudspeaker as taps (sample, gain).
struct Tap {
    int n;
    double g;
};
const std::vector<Tap> ROOM[4] = {
    {{100, 0.5}, {300, -0.2}},  // the woofer, with a reflection
    {{50, 4.0}},                // so loud it clips the input
    {{140, -0.4}},              // the tweeter, further away and wired inverted
    {},
};

void WriteFloatWav(const std::string& strPath, const std::vector<Tap>& taps)
{
    std::vector<float> af(static_cast<std::size_t>(taps.back().n + 1), 0.0f);
    for (const Tap& t : taps)
        af[static_cast<std::size_t>(t.n)] = static_cast<float>(t.g);
    const auto Put = [](std::ofstream& f, std::uint32_t n, int nBytes) {
        for (int i = 0; i < nBytes; ++i)
            f.put(static_cast<char>((n >> (8 * i)) & 0xff));
    };
    std::ofstream f(strPath, std::ios::binary);
    const auto nData = static_cast<std::uint32_t>(4 * af.size());
    f << "RIFF";
    Put(f, 36 + nData, 4);
    f << "WAVEfmt ";
    for (const auto& [n, b] : {std::pair{16u, 4}, {3u, 2}, {1u, 2}, {48000u, 4}, {192000u, 4}, {4u, 2}, {32u, 2}})
        Put(f, n, b);
    f << "data";
    Put(f, nData, 4);
    f.write(reinterpret_cast<const char*>(af.data()), static_cast<std::streamsize>(nData));
}

Complex RoomAt(int k, double f)
{
    Complex h = 0.0;
    for (const Tap& t : ROOM[k])
        h += t.g * std::polar(1.0, -2 * PI * f * t.n / RATE);
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

// A sim with the room, started once for the suite, and the factory presets
// it keeps as files.
class MeasureCommand : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = fs::temp_directory_path() / ("varden-measure-" + std::to_string(getpid()));
        fs::create_directories(s_dir / "room");
        for (int k = 0; k < 4; ++k)
            if (!ROOM[k].empty())
                WriteFloatWav((s_dir / "room" / ("ch" + std::to_string(k + 1) + ".wav")).string(), ROOM[k]);
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
    // the microphone, started when the last test wanted the other.
    static void UseSim(bool bNoisy)
    {
        if (s_pSim && s_bNoisy == bNoisy)
            return;
        StopSim();
        std::vector<std::string> args = {VARDENCTL_PATH, "sim",    "--fast",
                                         "--audio",      "--room", (s_dir / "room").string()};
        if (bNoisy)
            args.insert(args.end(), {"--noise", "-50"});
        s_pSim = std::make_unique<CChild>(args);
        s_bNoisy = bNoisy;
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
        const std::string path = Path("live-now.dia");
        const Result r = Ctl({"read", "--port", s_port, "--slot", "0", path});
        EXPECT_EQ(r.code, 0) << r.err;
        std::ifstream f(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
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

    static inline fs::path s_dir;
    static inline std::unique_ptr<CChild> s_pSim;
    static inline bool s_bNoisy = false;
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
    // The microphone's calibration: +1 dB at 20 Hz, 0 at 1 kHz, -2 dB at 20 kHz,
    // straight between on a log frequency axis.
    std::ofstream(Path("mic.txt")) << "\"Sens Factor =-1.2dB, SERNO: 7001234\"\n20 1.0\n1000 0\n20000 -2.0\n";
    const Result r = Measure(1, "m.txt", {"--repeat", "2", "--calibration", Path("mic.txt"), "--ir", Path("ir.wav")});
    ASSERT_EQ(r.code, 0) << r.err;
    const MeasurementData m = Export("m.txt");
    const CTALVData& channel = Preset("two-way.dia").GetChannel(0);
    const auto Calibration = [](double f) {
        const double x = std::log2(std::clamp(f, 20.0, 20000.0));
        return x < std::log2(1000.0) ? 1.0 - (x - std::log2(20.0)) / (std::log2(1000.0) - std::log2(20.0))
                                     : -2.0 * (x - std::log2(1000.0)) / (std::log2(20000.0) - std::log2(1000.0));
    };
    std::vector<Complex> truth;
    double dTop = -1e9;
    for (const double f : m.adFreq) {
        truth.push_back(ChannelAt(channel, f) * RoomAt(0, f) * std::polar(1.0, -2 * PI * f * ENGINE_LATENCY / RATE));
        dTop = std::max(dTop, 20 * std::log10(std::abs(truth.back())));
    }
    int nChecked = 0;
    double dWorstLevel = 0.0, dWorstPhase = 0.0;
    for (std::size_t i = 0; i < m.adFreq.size(); ++i) {
        const double f = m.adFreq[i], dTrue = 20 * std::log10(std::abs(truth[i]));
        if (f < 30.0 || f > 18000.0)
            continue;
        ++nChecked;
        const double dLevel = m.adLevel[i] - (dTrue - Calibration(f));
        dWorstLevel = std::max(dWorstLevel, std::fabs(dLevel));
        EXPECT_NEAR(dLevel, 0.0, 0.1) << f << " Hz";
        if (dTrue > dTop - 30.0) {
            const double dPhase = WrapDegrees(m.adPhase[i] - std::arg(truth[i]) * 180 / PI);
            dWorstPhase = std::max(dWorstPhase, std::fabs(dPhase));
            EXPECT_NEAR(dPhase, 0.0, 2.0) << f << " Hz";
        }
    }
    EXPECT_GT(nChecked, 400);
    std::cout << "[ figure ] level off by at most " << dWorstLevel << " dB, phase by " << dWorstPhase << " degrees\n";

    // The impulse response: float samples at 48 kHz, its peak at the arrival.
    std::ifstream f(Path("ir.wav"), std::ios::binary);
    const std::string wav{std::istreambuf_iterator<char>(f), {}};
    ASSERT_GT(wav.size(), 58u);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(static_cast<int>(wav[20]), 3);  // IEEE float
    const std::size_t nData = wav.find("data") + 8;
    std::vector<float> ir((wav.size() - nData) / 4);
    std::memcpy(ir.data(), wav.data() + nData, 4 * ir.size());
    const auto nPeak =
        std::max_element(ir.begin(), ir.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); }) -
        ir.begin();
    const std::string text = [&] {
        std::ifstream t(Path("m.txt"));
        return std::string{std::istreambuf_iterator<char>(t), {}};
    }();
    const std::size_t at = text.find("* Arrival time: ");
    ASSERT_NE(at, std::string::npos) << text.substr(0, 800);
    EXPECT_NEAR(std::stod(text.substr(at + 16)) * RATE / 1000.0, static_cast<double>(nPeak), 1.0);
    EXPECT_NE(text.find("* Reference: varden-sim-mic:2"), std::string::npos);
    EXPECT_NE(text.find("* Calibration: " + Path("mic.txt")), std::string::npos);
}

// With the flat preset the arrival is the resampler's delay plus the room's,
// to the sample, for each channel against the loopback; without the
// loopback the output says what the arrival is worth.
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
    const Result r = Measure(1, "u.txt", {"--sweep", "0.5"}, false);
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

    CChild measure(MeasureArgs(1, "stopped.txt", {"--sweep", "10"}));
    ASSERT_TRUE(measure.WaitForErr("sweep 1 of 1"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    r = measure.Finish(SIGINT);
    EXPECT_EQ(r.code, 130) << r.err;
    EXPECT_NE(r.err.find("interrupted; the device's live setting was put back and checked"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(Path("stopped.txt")));
    EXPECT_EQ(LiveBytes(), before);
}

}  // namespace
