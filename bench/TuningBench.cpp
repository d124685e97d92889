// Tuning with measurements: the fit of one channel on each loudspeaker-like
// case, with its error beside the least error the same rules allow (the
// slow, plainly correct solver) and the centre-deviation baseline; an edge
// of the range moved by 1 Hz; a fit on four microphone positions against a
// fit on one, judged at a fifth position neither saw; reading and smoothing
// a long FFT export; and aligning channels from their measurements with
// phase, two of them beside the brute-force search's flatness, and four.
#include <benchmark/benchmark.h>

#include "BandCurve.h"
#include "BruteAlign.h"
#include "ChannelMeasurement.h"
#include "FitReport.h"
#include "MeasurementReader.h"
#include "SlowFit.h"
#include "SyntheticDrivers.h"
#include "SyntheticSpeaker.h"

namespace {
const std::vector<synthetic::Case>& Cases()
{
    static const std::vector<synthetic::Case> s_cases = [] {
        std::vector<synthetic::Case> cases = synthetic::Cases();
        // A real export form: tab-separated, thousands separators, the FFT's
        // 0 Hz row, through the reader.
        synthetic::Speaker s;
        s.aMode = {{58, 6, 5}, {104, -11, 7}, {230, 4, 3}, {1400, -3, 2}};
        s.dNoiseDb = 1.0;
        std::string text = "Frequency\tSPL\n0.00\t60.00\n";
        const MeasurementData fft = synthetic::FftBins(s, 48000.0 / 16384.0, 20000.0);
        char buf[64];
        for (std::size_t k = 0; k < fft.adFreq.size(); ++k) {
            const double f = fft.adFreq[k];
            if (f >= 1000.0)
                std::snprintf(buf, sizeof buf, "%d,%06.2f\t%.2f\n", static_cast<int>(f / 1000.0),
                              f - 1000.0 * static_cast<int>(f / 1000.0), fft.adLevel[k]);
            else
                std::snprintf(buf, sizeof buf, "%.2f\t%.2f\n", f, fft.adLevel[k]);
            text += buf;
        }
        MeasurementData data;
        std::string error;
        ParseMeasurement(text, "export", data, error);
        cases.push_back(
            {"tab export, thousands separators, third-octave", data, synthetic::FlatChannelRequest(data, 28)});
        return cases;
    }();
    return s_cases;
}

void BM_FitChannel(benchmark::State& state)
{
    const synthetic::Case& c = Cases()[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(c.pszName);
    FitOutcome outcome;
    for (auto _ : state) {
        outcome = FitEq(c.request);
        benchmark::DoNotOptimize(outcome.anGain);
    }
    // The figures, once: ours, the least error the rules allow, the baseline
    // (which ignores the limits of the whole equaliser).
    FitProblem problem;
    if (!reference::ProblemOf(c.request, problem)) {
        state.SkipWithError("nothing to fit");
        return;
    }
    const double dSlow = reference::SlowBestRms(problem);
    state.counters["rms_before_dB"] = outcome.dRmsBefore;
    state.counters["rms_after_dB"] = outcome.dRmsAfter;
    state.counters["rms_slow_dB"] = dSlow;
    state.counters["ratio_to_slow"] = outcome.dRmsAfter / dSlow;
    state.counters["rms_baseline_dB"] = reference::RmsOfIndices(problem, reference::BaselineGains(c.request, outcome));
    state.counters["bands_changed"] = outcome.nBandsChanged;
    state.counters["points"] = outcome.range.nPoints;
}
BENCHMARK(BM_FitChannel)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(50);

// Each case fitted over a range, then with its low edge 1 Hz higher and its
// high edge 1 Hz lower: how far the error after (over the points both ranges
// share, each against its own target) and the equaliser move. The cases,
// and in-room positions of speakers rolling off at 38 and 55 Hz fitted over
// 40-16000 Hz, where the move takes a grid point out of the range.
void BM_EdgeMovedByOneHz(benchmark::State& state)
{
    using Ranges = std::vector<std::pair<double, double>>;
    std::vector<std::pair<FitRequest, Ranges>> requests;
    for (const synthetic::Case& c : Cases())
        requests.push_back({c.request, {{40.0, 10000.0}, {100.0, 10000.0}}});
    for (std::uint32_t nRoom = 1; nRoom <= 12; ++nRoom) {
        for (const double dRollOffHz : {38.0, 55.0}) {
            synthetic::Speaker s;
            s.dHighPassHz = dRollOffHz;
            s.dNoiseDb = 0.5;
            const MeasurementData data = synthetic::LogSweep(synthetic::InRoom(s, nRoom, 0), 15, 22000, 48);
            requests.push_back({synthetic::FlatChannelRequest(data, 28), {{40.0, 16000.0}}});
        }
    }
    const auto rmsShared = [](const FitOutcome& out, const FitOutcome& other) {
        double ss = 0.0;
        int n = 0;
        for (int i = 0; i < GRID_POINTS; ++i) {
            if (out.range.abIn[i] && other.range.abIn[i]) {
                ss += std::pow(out.after.adLevel[i] - out.target.adLevel[i], 2);
                ++n;
            }
        }
        return n > 0 ? std::sqrt(ss / n) : 0.0;
    };
    double dRms = 0.0, dEq = 0.0;
    for (auto _ : state) {
        for (const auto& [base, ranges] : requests) {
            for (const auto& [dLow, dHigh] : ranges) {
                FitRequest request = base;
                request.settings.dLowHz = dLow;
                request.settings.dHighHz = dHigh;
                const FitOutcome a = FitEq(request);
                for (const auto& [dMoveLow, dMoveHigh] : {std::pair{1.0, 0.0}, std::pair{0.0, -1.0}}) {
                    FitRequest moved = request;
                    moved.settings.dLowHz += dMoveLow;
                    moved.settings.dHighHz += dMoveHigh;
                    const FitOutcome b = FitEq(moved);
                    dRms = std::max(dRms, std::fabs(rmsShared(a, b) - rmsShared(b, a)));
                    for (int i = 0; i < GRID_POINTS; ++i)
                        dEq = std::max(dEq, std::fabs(a.adEqAfter[i] - b.adEqAfter[i]));
                }
            }
        }
    }
    state.counters["max_rms_change_dB"] = dRms;
    state.counters["max_eq_change_dB"] = dEq;
}
BENCHMARK(BM_EdgeMovedByOneHz)->Unit(benchmark::kMillisecond)->Iterations(1);

// Rooms with modes that move between positions: a fit on position 0 alone
// and one on positions 0-3 averaged, each judged at position 4, which
// neither saw (RMS against a flat target at that position's own mean over
// 40 Hz-16 kHz).
void BM_HeldOutPosition(benchmark::State& state)
{
    constexpr int ROOMS = 12;
    double dOne = 0.0, dFour = 0.0, dNone = 0.0;
    int nFourBetter = 0;
    for (auto _ : state) {
        dOne = dFour = dNone = 0.0;
        nFourBetter = 0;
        for (std::uint32_t nRoom = 1; nRoom <= ROOMS; ++nRoom) {
            synthetic::Speaker s;
            s.dHighPassHz = 38.0;
            s.dNoiseDb = 0.5;
            std::vector<MeasurementPosition> positions;
            for (int p = 0; p < 5; ++p)
                positions.push_back({synthetic::LogSweep(synthetic::InRoom(s, nRoom, p), 15, 22000, 48),
                                     "position " + std::to_string(p)});
            const double adFlat[GRID_POINTS] = {};
            FitSettings settings;
            settings.dLowHz = 40.0;
            settings.dHighHz = 16000.0;
            const auto fitOn = [&](std::size_t nCount) {
                CChannelMeasurement m;
                m.SetSettings(settings);
                std::string error;
                m.Load(std::vector<MeasurementPosition>(positions.begin(), positions.begin() + nCount), adFlat, error);
                FitRequest request = m.MakeRequest(adFlat, HIGH_PASS_OFF_HZ, LOW_PASS_OFF_HZ);
                for (int b = 0; b < EQ_BANDS; ++b)
                    request.aBand[b] = {g_nGraphicEqFreq[b], 28, GAIN_INDEX_FLAT, true};
                return FitEq(request);
            };
            const auto unseen = [&](const double(&adEq)[GRID_POINTS]) {
                const GridLevels heard = MeasurementOnGrid(positions[4].data, DEFAULT_SMOOTHING);
                double dSum = 0.0, dSquares = 0.0;
                int n = 0;
                for (int i = 0; i < GRID_POINTS; ++i) {
                    if (g_dFreqGrid[i] < 40.0 || g_dFreqGrid[i] > 16000.0)
                        continue;
                    const double d = heard.adLevel[i] + adEq[i];
                    dSum += d;
                    dSquares += d * d;
                    ++n;
                }
                return std::sqrt(dSquares / n - (dSum / n) * (dSum / n));
            };
            const FitOutcome one = fitOn(1);
            const FitOutcome four = fitOn(4);
            const double dOneRms = unseen(one.adEqAfter);
            const double dFourRms = unseen(four.adEqAfter);
            dOne += dOneRms / ROOMS;
            dFour += dFourRms / ROOMS;
            dNone += unseen(adFlat) / ROOMS;
            nFourBetter += dFourRms < dOneRms ? 1 : 0;
        }
    }
    state.counters["unseen_rms_no_eq_dB"] = dNone;
    state.counters["unseen_rms_fit_on_1_dB"] = dOne;
    state.counters["unseen_rms_fit_on_4_dB"] = dFour;
    state.counters["rooms_where_4_beat_1"] = nFourBetter;
    state.counters["rooms"] = ROOMS;
}
BENCHMARK(BM_HeldOutPosition)->Unit(benchmark::kMillisecond)->Iterations(1);

// A 32768-row FFT export, read and smoothed onto the grid at 1/6 octave.
void BM_ReadAndSmoothFftExport(benchmark::State& state)
{
    synthetic::Speaker s;
    s.dNoiseDb = 2.0;
    const std::string text = synthetic::ExportText(synthetic::FftBins(s, 48000.0 / 65536.0, 24000.0));
    for (auto _ : state) {
        MeasurementData data;
        std::string error;
        ParseMeasurement(text, "bench", data, error);
        const GridLevels grid = MeasurementOnGrid(data, DEFAULT_SMOOTHING);
        benchmark::DoNotOptimize(grid.adLevel);
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_ReadAndSmoothFftExport)->Unit(benchmark::kMillisecond);

// Cases 0..2 are the two-channel ones, 3 the four channels; range(1) lets
// the crossovers move.
void BM_AlignChannels(benchmark::State& state)
{
    static const std::vector<synthetic::AlignCase> s_cases = [] {
        std::vector<synthetic::AlignCase> cases = synthetic::AlignCases();
        cases.push_back({"sub, woofer, midrange, tweeter", synthetic::FourChannels()});
        return cases;
    }();
    const synthetic::AlignCase& c = s_cases[static_cast<std::size_t>(state.range(0))];
    AlignRequest request = c.request;
    request.bMoveCrossovers = state.range(1) != 0;
    state.SetLabel(std::string(c.pszName) + (request.bMoveCrossovers ? ", crossovers free" : ""));
    AlignOutcome outcome;
    for (auto _ : state) {
        outcome = AlignChannels(request);
        benchmark::DoNotOptimize(outcome.aSetting);
    }
    state.counters["flat_before_dB"] = outcome.before.dFlatDb;
    state.counters["flat_after_dB"] = outcome.after.dFlatDb;
    state.counters["notch_after_dB"] = outcome.after.dNotchDb;
    if (request.aChannel.size() == 2 && !request.bMoveCrossovers)
        state.counters["flat_brute_force_dB"] = reference::BruteForceFlatness(request);
}
BENCHMARK(BM_AlignChannels)->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(3);
}  // namespace
