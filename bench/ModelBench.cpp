// How long the link-facing model work takes: picking the next frame on an
// idle link tick, building a block write, saving and loading a preset.
#include <benchmark/benchmark.h>

#include "Archive.h"
#include "PresetFile.h"
#include "TALVRoute.h"

static void BM_GetNextFrameIdle(benchmark::State& state)
{
    CTALVRoute route;
    for (auto _ : state)
        benchmark::DoNotOptimize(route.GetNextFrame());
}
BENCHMARK(BM_GetNextFrameIdle);

static void BM_GetNextFrameAfterEdit(benchmark::State& state)
{
    CTALVRoute route;
    for (auto _ : state) {
        route.GetChannel(3).SetGain(250, 30);
        benchmark::DoNotOptimize(route.GetNextFrame());
    }
}
BENCHMARK(BM_GetNextFrameAfterEdit);

static void BM_BuildBlockWrite(benchmark::State& state)
{
    CTALVRoute route;
    for (auto _ : state)
        benchmark::DoNotOptimize(route.GetChannel(2).BuildBlockWrite(0));
}
BENCHMARK(BM_BuildBlockWrite);

static void BM_SavePresetBytes(benchmark::State& state)
{
    CTALVRoute route;
    for (auto _ : state)
        benchmark::DoNotOptimize(StorePresetBytes(route));
}
BENCHMARK(BM_SavePresetBytes);

static void BM_LoadPresetBytes(benchmark::State& state)
{
    CTALVRoute route;
    const auto bytes = StorePresetBytes(route);
    for (auto _ : state) {
        CArchive ar(bytes.data(), bytes.size());
        route.Serialize(ar);
    }
}
BENCHMARK(BM_LoadPresetBytes);
