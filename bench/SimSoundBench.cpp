// What the virtual processor's sound costs: four channels with all 31 bands
// and both crossovers at 48 dB per octave (39 sections each at 96 kHz), one
// PipeWire quantum at a time. Items per second are frames (each a sample of
// all four outputs) per second on one core; 48000 of them are real time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "SimSoundEngine.h"

namespace {
SimBlock BusyBlock()
{
    SimBlock b{};
    for (int i = 0; i < NUM_BANDS; ++i) {
        SetWord(&b[BlockBand(i) + BLOCK_BAND_FREQ], static_cast<std::int16_t>(20 + 650 * i));
        SetWord(&b[BlockBand(i) + BLOCK_BAND_GAIN], static_cast<std::int16_t>(i % 2 ? 260 : 150));
        SetWord(&b[BlockBand(i) + BLOCK_BAND_Q], static_cast<std::int16_t>((i * 7) % 60));
    }
    SetWord(&b[BLOCK_HPF_FREQ], 80);
    b[BLOCK_HPF_SLOPE] = 6;
    SetWord(&b[BLOCK_LPF_FREQ], 12000);
    b[BLOCK_LPF_SLOPE] = 6;
    b[BLOCK_OUTPUT] = 1;
    SetWord(&b[BLOCK_GAIN], 600);
    SetWord(&b[BLOCK_DELAY], 100);
    b[BLOCK_GATE] = 40;
    return b;
}

void BM_FourChannelsAllSections(benchmark::State& state)
{
    const int nQuantum = static_cast<int>(state.range(0));
    CSimSoundEngine engine;
    std::array<SimBlock, NUM_CHANNELS> blocks;
    blocks.fill(BusyBlock());
    engine.SetLive(blocks);
    std::vector<float> in(2 * static_cast<std::size_t>(nQuantum));
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<float>(0.1 * std::sin(0.01 * static_cast<double>(i)));
    std::vector<float> out(NUM_CHANNELS * static_cast<std::size_t>(nQuantum));
    for (auto _ : state) {
        engine.Process(in.data(), nQuantum, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * nQuantum);
}
BENCHMARK(BM_FourChannelsAllSections)->Arg(256)->Arg(1024);
}  // namespace
