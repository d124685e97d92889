// The window's own costs, offscreen: building and initialising it, and one
// band-fader drag step from the fader's message through the preset, the
// curve and the graph's off-screen picture, without and with a measurement
// drawn over the graph.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "AppSettings.h"
#include "BitmapSlider.h"
#include "ControlIds.h"
#include "FStatic.h"
#include "SyntheticSpeaker.h"
#include "VardenDlg.h"
#include "WindowMessage.h"

namespace {

void BM_WindowStart(benchmark::State& state)
{
    for (auto _ : state) {
        CVardenDlg dlg;
        dlg.OnInitDialog();
        dlg.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(dlg.GetDlgItem(IDC_GRAPH));
    }
}
BENCHMARK(BM_WindowStart)->Unit(benchmark::kMillisecond);

// Band 13's fader moved a step at a time, each step reported as a drag
// reports it, until the graph has drawn the new curve.
void DragBandFader(benchmark::State& state, CVardenDlg& dlg)
{
    auto* pFader = dlg.Item<CBitmapSlider>(IDC_BAND_FADER + 12);
    int nValue = 200;
    for (auto _ : state) {
        nValue = nValue == 260 ? 140 : nValue + 1;
        pFader->SetInvertedPos(nValue);
        SendWindowMessage(&dlg, WM_SLIDER_MOVING, IDC_BAND_FADER + 12, pFader->GetPos());
        benchmark::DoNotOptimize(dlg.Item<CFStatic>(IDC_GRAPH)->GetImage().constBits());
    }
}

void BM_BandFaderDragStep(benchmark::State& state)
{
    CVardenDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    QApplication::processEvents();
    DragBandFader(state, dlg);
}
BENCHMARK(BM_BandFaderDragStep)->Unit(benchmark::kMicrosecond);

// The same step with a measurement on the graph: the overlay's smoothed
// measurement, target and prediction are drawn too.
void BM_BandFaderDragStepWithMeasurement(benchmark::State& state)
{
    CVardenDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    QApplication::processEvents();
    synthetic::Speaker s;
    s.aMode = {{48, 8, 5}, {96, -7, 5}, {190, 5, 4}, {900, -3, 2}};
    const QString strPath = QDir::current().filePath(QStringLiteral("bench-measurement.txt"));
    {
        QFile file(strPath);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray::fromStdString(synthetic::ExportText(synthetic::LogSweep(s, 20, 20000, 48))));
    }
    if (!dlg.LoadMeasurementFile(strPath.toStdString())) {
        state.SkipWithError("the measurement did not load");
        return;
    }
    DragBandFader(state, dlg);
}
BENCHMARK(BM_BandFaderDragStepWithMeasurement)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The window makes its MusicFile folder where it starts.
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    CAppSettings::KeepAsideIn(work.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
