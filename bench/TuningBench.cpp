// Tuning with measurements: the fit of one channel on each loudspeaker-like
// case, with its error figures beside those of the slow, plainly correct
// solver and of the centre-deviation baseline; and reading and smoothing a
// long FFT export.
#include <benchmark/benchmark.h>

#include "FitReport.h"
#include "MeasurementReader.h"
#include "SlowFit.h"
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
}  // namespace
