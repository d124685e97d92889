// How fast the response graph can follow the user: a whole channel computed
// from scratch, one drag step, and the literal per-point formulas the fast
// path replaces.
#include <benchmark/benchmark.h>

#include "Audio_OutData.h"
#include "LiteralResponse.h"

namespace {
const CRect PLOT{35, 10, 845, 232};  // the window's plot area

// Every element shaped: 31 bands at alternating gains and widths, both
// crossovers at 48 dB per octave.
void ShapeChannel(CAudio_OutData& out)
{
    for (int b = 0; b < EQ_BANDS; ++b) {
        CFilter& band = out.GetFilter(b);
        band.SetQIndex((b * 7) % 60);
        band.SetGainIndex(b % 2 ? 260 : 150);
    }
    for (CFilter* pFilter : {&out.GetHighPass(), &out.GetLowPass()}) {
        pFilter->SetAlignment(0);
        pFilter->SetSlope(6);
    }
    out.GetHighPass().SetFrequency(80);
    out.GetLowPass().SetFrequency(12000);
}

void BM_WholeChannelFromScratch(benchmark::State& state)
{
    CAudio_OutData out;
    out.SetArea(PLOT);
    ShapeChannel(out);
    CEQ& eq = out.GetEQ();
    for (auto _ : state) {
        for (int i = 0; i < eq.GetSize(); ++i)
            eq.GetAt(i).CalcCurve();
        out.Recompute();
        benchmark::DoNotOptimize(out.m_aptCurve);
    }
}
BENCHMARK(BM_WholeChannelFromScratch);

void BM_DragStep(benchmark::State& state)
{
    CAudio_OutData out;
    out.SetArea(PLOT);
    ShapeChannel(out);
    CFilter& band = out.GetFilter(17);
    band.GrabAt(band.m_rcHandle.CenterPoint());
    int y = 40;
    for (auto _ : state) {
        y = y < 200 ? y + 3 : 40;  // the pointer moving down the plot
        benchmark::DoNotOptimize(band.DragGain({400, y}));
        out.Recompute();
        benchmark::DoNotOptimize(out.m_aptCurve);
    }
}
BENCHMARK(BM_DragStep);

// The same channel with every point evaluated by the formulas as written.
void BM_WholeChannelLiteral(benchmark::State& state)
{
    CAudio_OutData out;
    out.SetArea(PLOT);
    ShapeChannel(out);
    double sum[GRID_POINTS];
    for (auto _ : state) {
        for (int i = 0; i < GRID_POINTS; ++i) {
            double s = 0.0;
            for (int b = 0; b < EQ_BANDS; ++b) {
                const CFilter& band = out.GetFilter(b);
                s += literal::PeakingAt(i, band.GetFrequency(), band.GetGain(), band.GetQIndex() * 0.01 + 0.05);
            }
            s += literal::HighPassAt(i, 80, 0, 6);
            s += literal::LowPassAt(i, 12000, 0, 6);
            sum[i] = s;
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_WholeChannelLiteral);
}  // namespace
