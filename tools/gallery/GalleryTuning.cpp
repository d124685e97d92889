// Gallery page "tuning": the graph with a channel's measurement (smoothed
// measurement, dashed target, predicted response), the same while a fit is
// previewed and once it is applied, a tilted target, the fit dialog, and the
// real window with a measurement loaded and the fit dialog open over it. The
// loudspeaker is one of the tests' synthetic ones.
#include <QApplication>
#include <QDir>
#include <QFont>

#include "Audio_Data.h"
#include "ChannelTuning.h"
#include "ControlIds.h"
#include "FStatic.h"
#include "FitEqDialog.h"
#include "Gallery.h"
#include "GraphOverlay.h"
#include "PresetFile.h"
#include "SyntheticSpeaker.h"
#include "TALVRoute.h"
#include "VardenDlg.h"

namespace {
// The window's graph: 569 x 155 dialog units.
constexpr int GRAPH_WIDTH = 854;
constexpr int GRAPH_HEIGHT = 252;
constexpr int THIRD_OCTAVE_Q = 28;  // the Q a graphic equaliser's bands have

MeasurementData Loudspeaker()
{
    synthetic::Speaker s;
    s.dHighPassHz = 50.0;
    s.aMode = {{42, 7, 5}, {85, -9, 6}, {160, 4, 4}, {310, -3, 3}, {2600, 2, 2}};
    s.dNoiseDb = 0.6;
    return synthetic::LogSweep(s, 15.0, 22000.0, 48);
}

// The bands of a display record as the fit takes them: all free.
FitBands BandsOf(const CAudio_OutData& display)
{
    FitBands bands;
    for (int b = 0; b < EQ_BANDS; ++b) {
        const CFilter& band = display.GetFilter(b);
        bands[b] = {band.GetFrequency(), band.GetQIndex(), band.GetGainIndex(), true};
    }
    return bands;
}

void RenderGraph(CGalleryWriter& writer)
{
    CAudio_Data data;
    CAudio_OutData& display = data.GetOutData(0);
    display.SetABFlag(1);
    for (int b = 0; b < EQ_BANDS; ++b)
        display.GetFilter(b).SetQIndex(THIRD_OCTAVE_Q);
    CFStatic graph;
    graph.setFont(QFont(QStringLiteral("Arial"), 8));  // the window's font
    graph.resize(GRAPH_WIDTH, GRAPH_HEIGHT);
    graph.InitLayout();
    graph.SetChannelArray(&data);
    graph.ShowChannel(0);

    CChannelMeasurement measurement;
    display.Recompute();
    measurement.Load(Loudspeaker(), "loudspeaker.txt", display.GetEQ().m_dSum);
    CGraphOverlay overlay;
    overlay.SetMeasurement(0, &measurement);
    graph.SetOverlay(&overlay);
    graph.Redraw(-1);
    writer.SaveWidget("tuning-graph-measured", graph);

    const auto fit = [&](const FitSettings& settings) {
        measurement.SetSettings(settings);
        display.Recompute();
        FitRequest request =
            measurement.MakeRequest(display.GetEQ().m_dSum, HighPassCornerHz(display), LowPassCornerHz(display));
        request.aBand = BandsOf(display);
        const FitOutcome outcome = FitEq(request);
        overlay.SetPreview(0, outcome);
        graph.Redraw(-1);
        return outcome;
    };
    const FitOutcome outcome = fit(measurement.GetSettings());
    writer.SaveWidget("tuning-graph-preview", graph);

    CFitEqDialog dialog(nullptr, 0, measurement.GetSettings(), HighPassCornerHz(display), LowPassCornerHz(display),
                        &measurement, fit);
    writer.SaveWidget("tuning-fit-dialog", dialog);
    dialog.hide();

    overlay.ClearPreview(0);
    for (int b = 0; b < EQ_BANDS; ++b)
        display.GetFilter(b).SetGainIndex(outcome.anGain[b]);
    graph.Redraw(-1);
    writer.SaveWidget("tuning-graph-fitted", graph);

    FitSettings tilted = measurement.GetSettings();
    tilted.target.eKind = TargetKind::Tilt;
    tilted.target.dTiltDbPerOctave = -1.0;
    tilted.nSmoothing = 3;
    measurement.SetSettings(tilted);
    graph.Redraw(-1);
    writer.SaveWidget("tuning-graph-tilted-target", graph);
    graph.SetOverlay(nullptr);
}

void RenderWindow(CGalleryWriter& writer)
{
    const CGalleryWorkFolder work;
    {
        // A preset with third-octave bands, and the loudspeaker measured through it.
        CTALVRoute route;
        for (int b = 0; b < NUM_BANDS; ++b)
            route.GetChannel(0).SetQ(THIRD_OCTAVE_Q, b);
        route.SetName("ROOM");
        std::string strError;
        const std::string strPreset = work.FilePath(QStringLiteral("room.dia")).toStdString();
        const QString strMeasurement = work.FilePath(QStringLiteral("left.txt"));
        SavePresetFile(strPreset, route, strError);
        WriteTextFile(strMeasurement, synthetic::ExportText(Loudspeaker()));

        CVardenDlg dlg;
        dlg.OnInitDialog();
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        dlg.OpenPresetFile(strPreset);
        dlg.LoadMeasurementFile(strMeasurement.toStdString());
        writer.SaveWidget(QStringLiteral("tuning-window-measured"), dlg);

        // The fit dialog where it opens, over the window as a person sees it.
        CFitEqDialog::Runner previousRunner = CFitEqDialog::SetModalRunner([&](CFitEqDialog& dialog) {
            writer.Save(QStringLiteral("tuning-window-fit-dialog"), WindowWithDialog(dlg, dialog));
            return static_cast<int>(QDialog::Accepted);
        });
        ChooseFromGraphMenu(*dlg.GetDlgItem(IDC_GRAPH), QStringLiteral("Fit EQ to Measurement..."));
        CFitEqDialog::SetModalRunner(std::move(previousRunner));
        writer.SaveWidget(QStringLiteral("tuning-window-fitted"), dlg);
    }
}

void RenderTuning(CGalleryWriter& writer)
{
    RenderGraph(writer);
    RenderWindow(writer);
}

const bool s_registered = RegisterGalleryPage("tuning", RenderTuning);
}  // namespace
