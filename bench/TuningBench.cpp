// Tuning with measurements: the fit of one channel on each loudspeaker-like
// case, with its error figures beside those of the slow, plainly correct
// solver and of the centre-deviation baseline; and reading and smoothing a
// long FFT export; and aligning channels from their measurements with phase,
// two of them beside the brute-force search's flatness, and four.
#include <benchmark/benchmark.h>

#include "BruteAlign.h"
#include "FitReport.h"
#include "MeasurementReader.h"
#include "SlowFit.h"
#include "SyntheticDrivers.h"
#include "SyntheticSpeaker.h"

namespace {
const std::vector<synthetic::Case>& Cases()
{
    static const std::vector<synthetic::Case> s_cases = synthetic::Cases();
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
    // The figures, once: ours, the best bounded gains, the baseline.
    const reference::Problem problem(c.request, outcome);
    state.counters["rms_before_dB"] = outcome.dRmsBefore;
    state.counters["rms_after_dB"] = outcome.dRmsAfter;
    state.counters["rms_slow_dB"] = reference::SlowBestRms(problem, outcome);
    state.counters["rms_baseline_dB"] = reference::RmsOfIndices(problem, reference::BaselineGains(c.request, outcome));
    state.counters["points"] = outcome.range.nPoints;
}
BENCHMARK(BM_FitChannel)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(50);

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
    request.bCrossover = state.range(1) != 0;
    state.SetLabel(std::string(c.pszName) + (request.bCrossover ? ", crossovers free" : ""));
    AlignOutcome outcome;
    for (auto _ : state) {
        outcome = AlignChannels(request);
        benchmark::DoNotOptimize(outcome.aSetting);
    }
    state.counters["flat_before_dB"] = outcome.before.dFlatDb;
    state.counters["flat_after_dB"] = outcome.after.dFlatDb;
    state.counters["notch_after_dB"] = outcome.after.dNotchDb;
    if (request.aChannel.size() == 2 && !request.bCrossover)
        state.counters["flat_brute_force_dB"] = reference::BruteForceFlatness(request);
}
BENCHMARK(BM_AlignChannels)->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(3);
}  // namespace
