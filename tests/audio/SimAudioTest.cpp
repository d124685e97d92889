// The virtual processor heard through a real (private) PipeWire: a sweep
// played into varden-sim-in with pw-play, varden-sim-out recorded with
// pw-record, each channel deconvolved with FFTW. Runs under
// with-pipewire.sh, which provides the server.
#include <fftw3.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <thread>

#include "SimAudioServer.h"
#include "SimWavFile.h"
#include "SoundCases.h"

namespace {

using namespace std::chrono_literals;
constexpr int RATE = SOUND_RATE;

pid_t Spawn(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0) << argv[0];
    return pid;
}

int Wait(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<BYTE> ParameterFrame(int nChannel, int nIndex, const std::vector<int>& aWord)
{
    std::vector<BYTE> f(SHORT_FRAME_LEN, 0);
    SetFrameEnds(f.data(), SHORT_FRAME_LEN, CMD_PARAMETER);
    f[FRAME_INDEX1] = f[SHORT_INDEX1_COPY] = static_cast<BYTE>(nChannel);
    f[FRAME_INDEX2] = f[SHORT_INDEX2_COPY] = static_cast<BYTE>(nIndex);
    for (std::size_t i = 0; i < aWord.size(); ++i)
        SetWord(&f[FRAME_PAYLOAD + 2 * i], static_cast<std::int16_t>(aWord[i]));
    SetFrameChecksum(f.data(), SHORT_FRAME_LEN);
    return f;
}

class SimAudio : public ::testing::Test {
protected:
    void SetUp() override
    {
        char templ[] = "/tmp/varden-sim-audio.XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        m_dir = templ;
        std::string error;
        // A room where only channel 1 is heard: a reflection 100 samples
        // after the sound, another inverted 200 samples later.
        std::array<std::vector<float>, NUM_CHANNELS> room;
        room[0].assign(301, 0.0f);
        room[0][100] = 0.5f;
        room[0][300] = -0.25f;
        ASSERT_TRUE(m_server.Start(error, std::make_unique<CSimRoom>(room, std::nullopt))) << error;
        m_vp.SetLiveListener(m_server.MakeLiveListener());
    }
    void TearDown() override
    {
        m_vp.SetLiveListener({});
        std::filesystem::remove_all(m_dir);
    }

    // Plays the stereo frames into the sink and records the four outputs and
    // the microphone meanwhile; during() runs on this thread while the sound
    // plays.
    WavData PlayAndRecord(const WavData& play, const std::function<void()>& during = {})
    {
        std::string error;
        const std::string in = m_dir + "/play.wav", out = m_dir + "/rec.wav", mic = m_dir + "/mic.wav";
        EXPECT_TRUE(WriteWavFile(in, play, error)) << error;
        const pid_t rec = Spawn({"pw-record", "--target", SIM_SOURCE_NAME, "--rate", "48000", "--channels", "4",
                                 "--channel-map", "AUX0,AUX1,AUX2,AUX3", "--format", "f32", out});
        const pid_t recMic = Spawn({"pw-record", "--target", SIM_MIC_NAME, "--rate", "48000", "--channels", "2",
                                    "--channel-map", "FL,FR", "--format", "f32", mic});
        std::this_thread::sleep_for(700ms);
        const pid_t player = Spawn({"pw-play", "--target", SIM_SINK_NAME, in});
        if (during)
            during();
        EXPECT_EQ(Wait(player), 0);
        std::this_thread::sleep_for(700ms);
        kill(rec, SIGINT);
        kill(recMic, SIGINT);
        Wait(rec);
        Wait(recMic);
        EXPECT_TRUE(ReadWavFile(mic, m_mic, error) && m_mic.nChannels == 2) << error;
        EXPECT_EQ(m_server.GetUnderruns(), 0);
        WavData wav;
        EXPECT_TRUE(ReadWavFile(out, wav, error)) << error;
        EXPECT_EQ(wav.nChannels, NUM_CHANNELS);
        return wav;
    }

    void Write(const ChannelShape& wanted, int c)
    {
        const SimBlock b = MakeBlock(wanted, c);
        m_vp.Receive(b.data(), b.size());
    }

    CVirtualProcessor m_vp;
    CSimAudioServer m_server;
    std::string m_dir;
    WavData m_mic;
};

std::vector<double> Channel(const WavData& wav, int c)
{
    std::vector<double> v(static_cast<std::size_t>(wav.Frames()));
    for (std::size_t n = 0; n < v.size(); ++n)
        v[n] = wav.aSample[n * wav.nChannels + c];
    return v;
}

// h from y = h * x: the spectra divided, wherever the sweep has energy.
std::vector<double> Deconvolve(const std::vector<double>& x, const std::vector<double>& y)
{
    std::size_t N = 1;
    while (N < x.size() + y.size())
        N *= 2;
    std::vector<double> a(N), b(N), h(N);
    std::vector<fftw_complex> X(N / 2 + 1), Y(N / 2 + 1);
    fftw_plan px = fftw_plan_dft_r2c_1d(static_cast<int>(N), a.data(), X.data(), FFTW_ESTIMATE);
    fftw_plan py = fftw_plan_dft_r2c_1d(static_cast<int>(N), b.data(), Y.data(), FFTW_ESTIMATE);
    fftw_plan ph = fftw_plan_dft_c2r_1d(static_cast<int>(N), Y.data(), h.data(), FFTW_ESTIMATE);
    std::copy(x.begin(), x.end(), a.begin());
    std::copy(y.begin(), y.end(), b.begin());
    fftw_execute(px);
    fftw_execute(py);
    double dMax = 0;
    for (const auto& v : X)
        dMax = std::max(dMax, v[0] * v[0] + v[1] * v[1]);
    for (std::size_t k = 0; k < X.size(); ++k) {
        const std::complex<double> xk(X[k][0], X[k][1]), yk(Y[k][0], Y[k][1]);
        const std::complex<double> hk = yk * std::conj(xk) / (std::norm(xk) + 1e-12 * dMax) / static_cast<double>(N);
        Y[k][0] = hk.real();
        Y[k][1] = hk.imag();
    }
    fftw_execute(ph);
    fftw_destroy_plan(px);
    fftw_destroy_plan(py);
    fftw_destroy_plan(ph);
    return h;
}

std::size_t Peak(const std::vector<double>& h)
{
    return static_cast<std::size_t>(
        std::max_element(h.begin(), h.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); }) -
        h.begin());
}

// The sweep through the four channels: channel 1 shaped by bands and both
// crossovers, 2 the same inverted from the right input, 3 the same delayed
// by 37 samples, 4 off. Level within 0.05 dB of the graph's curve, delay to
// the sample, polarity, off as silence; the room's microphone within 0.1 dB
// of channel 1 through the room, the loopback the input itself.
TEST_F(SimAudio, SweepThroughEveryChannel)
{
    const ChannelShape shape{{{5, 63, 260, 20}, {17, 1000, 140, 30}, {26, 8000, 290, 40}}, 60, 0, 2, 12000, 2, 1};
    for (int c = 0; c < NUM_CHANNELS; ++c) {
        ChannelShape wanted = shape;
        wanted.nOn = c != 3;
        wanted.nInvert = c == 1;
        wanted.nDelay = c == 2 ? 37 : 0;
        Write(wanted, c);
    }
    ASSERT_EQ(m_vp.GetRejectedCount(), 0);
    const std::vector<double> curve = GraphCurve(shape);

    // A logarithmic sweep 10 Hz .. 23 kHz in 4 s at -12 dBFS, 10 ms fades,
    // a second of silence after it.
    const double T = 4.0, f1 = 10.0, f2 = 23000.0, L = T / std::log(f2 / f1);
    std::vector<double> sweep(T * RATE);
    for (std::size_t n = 0; n < sweep.size(); ++n) {
        const double t = static_cast<double>(n) / RATE;
        const double fade = std::min({1.0, t / 0.01, (T - t) / 0.01});
        sweep[n] = 0.25 * fade * std::sin(2 * std::numbers::pi * f1 * L * (std::exp(t / L) - 1.0));
    }
    WavData play{2, RATE, {}};
    for (double v : sweep)
        play.aSample.insert(play.aSample.end(), 2, static_cast<float>(v));
    play.aSample.resize(play.aSample.size() + 2 * RATE, 0.0f);
    const WavData rec = PlayAndRecord(play);

    std::array<std::vector<double>, NUM_CHANNELS> h;
    for (int c = 0; c < NUM_CHANNELS; ++c)
        h[c] = Deconvolve(sweep, Channel(rec, c));
    const std::size_t n1 = Peak(h[0]);
    EXPECT_EQ(Peak(h[2]), n1 + 37);
    EXPECT_EQ(Peak(h[1]), n1);
    EXPECT_LT(h[1][n1] * h[0][n1], 0.0);
    const std::vector<double> out4 = Channel(rec, 3);
    EXPECT_TRUE(std::all_of(out4.begin(), out4.end(), [](double v) { return v == 0.0; }));

    const std::size_t n0 = n1 - 2000, nLen = RATE;
    for (int i = 0; i < GRID_POINTS; ++i) {
        if (g_dFreqGrid[i] < 20.0 || curve[i] < -40.0)
            continue;
        for (int c : {0, 1})
            EXPECT_NEAR(LevelAt(h[c], g_dFreqGrid[i], n0, nLen), curve[i], 0.05)
                << "channel " << c + 1 << " at " << g_dFreqGrid[i] << " Hz";
    }

    // The microphone against the loopback: channel 1's curve times the room's.
    const std::vector<double> loop = Channel(m_mic, 1);
    const std::vector<double> hLoop = Deconvolve(sweep, loop);
    const std::size_t nLoop = Peak(hLoop);
    for (std::size_t n = 0; n < sweep.size(); ++n)
        ASSERT_EQ(loop[nLoop + n], static_cast<float>(sweep[n])) << n;
    const std::vector<double> hRoom = Deconvolve(loop, Channel(m_mic, 0));
    // The microphone lags the loopback by the engine's latency and the room.
    const std::size_t nRoom = 0;
    for (int i = 0; i < GRID_POINTS; ++i) {
        const double w = 2 * std::numbers::pi * g_dFreqGrid[i] / RATE;
        const double dRoom =
            20 * std::log10(std::abs(0.5 * std::polar(1.0, -100 * w) - 0.25 * std::polar(1.0, -300 * w)));
        if (g_dFreqGrid[i] < 20.0 || curve[i] < -40.0)
            continue;
        EXPECT_NEAR(LevelAt(hRoom, g_dFreqGrid[i], nRoom, nLen), curve[i] + dRoom, 0.1)
            << "microphone at " << g_dFreqGrid[i] << " Hz";
    }
}

// A band raised by 6 dB while a 1 kHz tone plays: the tone goes from the old
// level to the new within 20 ms and no sample steps further than the louder
// tone's own steepest step.
TEST_F(SimAudio, BandChangeWhilePlaying)
{
    Write({}, 0);
    constexpr double A = 0.1;
    WavData play{2, RATE, {}};
    for (int n = 0; n < 3 * RATE; ++n) {
        const double fade = std::min({1.0, n / 480.0, (3.0 * RATE - n) / 480.0});
        const auto v = static_cast<float>(A * fade * std::sin(2 * std::numbers::pi * n / 48.0));
        play.aSample.insert(play.aSample.end(), {v, v});
    }
    const WavData rec = PlayAndRecord(play, [&] {
        std::this_thread::sleep_for(1500ms);
        m_vp.Receive(ParameterFrame(0, 17, {1000, 260, 24, 0}));
    });
    const std::vector<double> y = Channel(rec, 0);
    // The tone's level over each period.
    std::vector<double> level(y.size(), 0.0);
    for (std::size_t n = 48; n < y.size(); ++n)
        level[n] = ToneLevel([&](int k) { return y[k]; }, static_cast<int>(n) - 48);
    const double dNew = A * 2.0;  // +6 dB at the band's centre
    const auto left = std::find_if(level.begin() + RATE / 2, level.end(), [&](double v) { return v > A * 1.01; });
    ASSERT_NE(left, level.end());
    const auto reached = std::find_if(left, level.end(), [&](double v) { return v > dNew * 0.99; });
    ASSERT_NE(reached, level.end());
    EXPECT_LE(reached - left, 20 * RATE / 1000);
    const double dMaxStep = 2.0 * std::sin(std::numbers::pi / 48.0) * dNew * 1.01;
    const auto nLeft = static_cast<std::size_t>(left - level.begin());
    for (std::size_t n = nLeft - RATE / 10; n < nLeft + RATE / 10; ++n)
        ASSERT_LE(std::fabs(y[n] - y[n - 1]), dMaxStep) << n;
}

}  // namespace
