// Measuring: one take of the default 2 s sweep (3 s recorded) deconvolved,
// against the sweep and against a reference, and a whole measurement of it
// (deconvolution, figures, window and the response on the fine grid).
#include <benchmark/benchmark.h>

#include "Deconvolver.h"
#include "MeasureTakes.h"

namespace {
struct Take {
    MeasureSettings settings;
    std::vector<float> sweep = MakeLogSweep(settings.sweep);
    std::vector<float> recording;

    Take()
    {
        // A delayed, quieter copy stands in for a loudspeaker in a room.
        recording.assign(sweep.size() + static_cast<std::size_t>(settings.sweep.nRate), 0.0f);
        for (std::size_t n = 0; n < sweep.size(); ++n)
            recording[n + 200] = 0.5f * sweep[n];
    }
};

const Take& TheTake()
{
    static const Take s_take;
    return s_take;
}

void BM_Deconvolve(benchmark::State& state)
{
    const Take& t = TheTake();
    CDeconvolver deconvolver(t.sweep, t.settings.sweep, t.recording.size());
    std::vector<float> reference(t.recording.size(), 0.0f);
    std::copy(t.sweep.begin(), t.sweep.end(), reference.begin());
    std::vector<double> ir;
    for (auto _ : state) {
        deconvolver.Deconvolve(t.recording.data(), state.range(0) ? reference.data() : nullptr, ir);
        benchmark::DoNotOptimize(ir.data());
    }
}
BENCHMARK(BM_Deconvolve)->ArgName("reference")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// With the planning of the transforms and the sweep's inverse filter.
void BM_DeconvolverFromScratch(benchmark::State& state)
{
    const Take& t = TheTake();
    std::vector<double> ir;
    for (auto _ : state) {
        CDeconvolver deconvolver(t.sweep, t.settings.sweep, t.recording.size());
        deconvolver.Deconvolve(t.recording.data(), nullptr, ir);
        benchmark::DoNotOptimize(ir.data());
    }
}
BENCHMARK(BM_DeconvolverFromScratch)->Unit(benchmark::kMillisecond);

void BM_MeasureTakes(benchmark::State& state)
{
    const Take& t = TheTake();
    std::vector<std::vector<float>> aReferences;
    if (state.range(0)) {
        // A loopback: the sweep as it was played, checked whole before the
        // take is divided by it.
        aReferences.emplace_back(t.recording.size(), 0.0f);
        std::copy(t.sweep.begin(), t.sweep.end(), aReferences.front().begin());
    }
    for (auto _ : state) {
        const MeasuredResponse r = MeasureTakes(t.sweep, t.settings, {t.recording}, aReferences);
        benchmark::DoNotOptimize(r.adLevel.data());
    }
}
BENCHMARK(BM_MeasureTakes)->ArgName("reference")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}  // namespace

BENCHMARK_MAIN();
