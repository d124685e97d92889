// Tuning with a measurement: the graph's right-click menu, each channel's
// measurement for the session drawn over the graph, and the equaliser fitted
// to it, applied as one edit.
#include <QMenu>

#include "Audio_OutData.h"
#include "BitmapSlider.h"
#include "ChannelDisplay.h"
#include "ChannelTuning.h"
#include "ControlIds.h"
#include "DialogParts.h"
#include "FStatic.h"
#include "FileDialogST.h"
#include "FitEqDialog.h"
#include "MeasurementFile.h"
#include "MessageBox.h"
#include "NumEdit.h"
#include "TALVData.h"
#include "VardenDlg.h"

namespace {
// Several files at once: one per microphone position, averaged.
constexpr unsigned MEASUREMENT_DIALOG_FLAGS = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT;
constexpr const char* ALL_FILES_IN = "/*";
// Where the fit dialog opens: below the graph, over the faders, so the
// preview on the graph stays in sight.
constexpr int FIT_DIALOG_BELOW_GRAPH = 12;
}  // namespace

void CVardenDlg::InitTuning()
{
    for (int k = 0; k < NUM_CHANNELS; ++k)
        m_overlay.SetMeasurement(k, &m_aMeasurement[static_cast<std::size_t>(k)]);
    m_overlay.SetAlignPreview(&m_alignPreview);
    Graph()->SetOverlay(&m_overlay);
    Graph()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Graph(), &QWidget::customContextMenuRequested, this, [this](const QPoint& pt) { OnGraphMenu(pt); });
    m_szMeasurementDlgPath = m_szWorkDir + ALL_FILES_IN;
}

void CVardenDlg::RedrawGraph()
{
    Graph()->Redraw(Graph()->GetSelected());
}

void CVardenDlg::OnGraphMenu(const QPoint& pt)
{
    const bool bMeasured = m_aMeasurement[static_cast<std::size_t>(m_nCurChannel)].IsLoaded();
    QMenu menu(this);
    AddUndoActions(menu);
    menu.addSeparator();
    menu.addAction(QString::fromUtf8("Measure\u2026"), this, [this] { OnMeasure(); });
    menu.addAction(QStringLiteral("Load Measurement..."), this, [this] { OnLoadMeasurement(); });
    menu.addAction(QStringLiteral("Fit EQ to Measurement..."), this, [this] { OnFitMeasurement(); })
        ->setEnabled(bMeasured);
    menu.addAction(QStringLiteral("Clear Measurement"), this, [this] { OnClearMeasurement(); })->setEnabled(bMeasured);
    menu.addSeparator();
    menu.addAction(QString::fromUtf8("Align Channels\u2026"), this, [this] { OnAlignChannels(); });
    menu.addSeparator();
    menu.addAction(QStringLiteral("About VARDEN..."), this, [this] { OnAbout(); });
    menu.exec(Graph()->mapToGlobal(pt));
}

void CVardenDlg::OnLoadMeasurement()
{
    CFileDialogST dialog(true, std::string(), &m_szMeasurementDlgPath, MEASUREMENT_DIALOG_FLAGS, MEASUREMENT_FILTER,
                         this);
    if (dialog.DoModal() != CFileDialogST::IDOK)
        return;
    std::vector<std::string> paths;
    for (std::size_t nPos = dialog.GetStartPosition(); nPos != CFileDialogST::npos;)
        paths.push_back(dialog.GetNextPathName(nPos));
    // The next dialog opens where this one ended.
    m_szMeasurementDlgPath = paths.front();
    LoadMeasurementFiles(paths);
}

bool CVardenDlg::LoadMeasurementFile(const std::string& strPath)
{
    return LoadMeasurementFiles({strPath});
}

bool CVardenDlg::LoadMeasurementFiles(const std::vector<std::string>& paths)
{
    return LoadChannelMeasurementFiles(m_nCurChannel, paths);
}

bool CVardenDlg::LoadChannelMeasurementFiles(int k, const std::vector<std::string>& paths)
{
    if (k < 0 || k >= NUM_CHANNELS)
        return false;
    std::vector<MeasurementPosition> positions;
    std::string strNotes;
    for (const std::string& strPath : paths) {
        MeasurementData data;
        std::string strError;
        if (!ReadMeasurementFile(strPath, data, strError)) {
            ShowMessageBox(strError, MessageIcon::Error);
            return false;
        }
        for (const std::string& strNote : data.astrNote)
            strNotes += (strNotes.empty() ? "" : "\n") + strNote;
        positions.push_back({std::move(data), strPath});
    }
    // The loudspeaker was measured through the channel as it stands now.
    CAudio_OutData scratch;
    const CAudio_OutData& curves = ChannelCurves(k, scratch);
    std::string strError;
    if (!m_aMeasurement[static_cast<std::size_t>(k)].Load(std::move(positions), curves.GetEQ().m_dSum, strError)) {
        ShowMessageBox(strError, MessageIcon::Error);
        return false;
    }
    m_overlay.ClearCheck(k);
    m_aCheck[static_cast<std::size_t>(k)] = MeasurementCheck();
    RedrawGraph();
    if (!strNotes.empty())
        ShowMessageBox(strNotes, MessageIcon::None);
    return true;
}

const CAudio_OutData& CVardenDlg::ChannelCurves(int k, CAudio_OutData& scratch)
{
    if (k == m_nCurChannel) {
        m_pCurCurves->Recompute();
        return *m_pCurCurves;
    }
    LoadLevelsFromChannel(m_route.GetChannel(k), scratch);
    return scratch;
}

void CVardenDlg::OnClearMeasurement()
{
    m_aMeasurement[static_cast<std::size_t>(m_nCurChannel)].Clear();
    m_overlay.ClearPreview(m_nCurChannel);
    m_overlay.ClearCheck(m_nCurChannel);
    m_aCheck[static_cast<std::size_t>(m_nCurChannel)] = MeasurementCheck();
    RedrawGraph();
}

FitOutcome CVardenDlg::FitShownChannel(const FitSettings& settings)
{
    CChannelMeasurement& measurement = m_aMeasurement[static_cast<std::size_t>(m_nCurChannel)];
    measurement.SetSettings(settings);
    m_pCurCurves->Recompute();
    FitRequest request = measurement.MakeRequest(m_pCurCurves->GetEQ().m_dSum, HighPassCornerHz(*m_pCurCurves),
                                                 LowPassCornerHz(*m_pCurCurves));
    request.aBand = FitBandsOfChannel(*m_pCurData, *m_pCurCurves);
    return FitEq(request);
}

void CVardenDlg::OnFitMeasurement()
{
    const int k = m_nCurChannel;
    CChannelMeasurement& measurement = m_aMeasurement[static_cast<std::size_t>(k)];
    if (!measurement.IsLoaded())
        return;
    const FitSettings before = measurement.GetSettings();
    CFitEqDialog dialog(this, k, before, HighPassCornerHz(*m_pCurCurves), LowPassCornerHz(*m_pCurCurves), &measurement,
                        [this, k](const FitSettings& settings) {
                            const FitOutcome outcome = FitShownChannel(settings);
                            if (outcome.bOk)
                                m_overlay.SetPreview(k, outcome);
                            else
                                m_overlay.ClearPreview(k);
                            RedrawGraph();
                            return outcome;
                        });
    const QRect rcGraph = Graph()->geometry();
    dialog.move(
        mapToGlobal(QPoint(rcGraph.right() - dialog.sizeHint().width(), rcGraph.bottom() + FIT_DIALOG_BELOW_GRAPH)));
    const bool bApply =
        dialog.DoModal() == QDialog::Accepted && dialog.GetOutcome().bOk && dialog.GetOutcome().nBandsChanged > 0;
    m_overlay.ClearPreview(k);
    if (bApply) {
        // The channel keeps the settings it was fitted with; the gains are
        // one step to take back.
        BeginStep("fitted EQ");
        ApplyFittedGains(k, dialog.GetOutcome().anGain);
        EndStep();
    } else {
        measurement.SetSettings(before);
        RedrawGraph();
    }
}

void CVardenDlg::ApplyFittedGains(int nChannel, const std::array<int, NUM_BANDS>& anGain)
{
    if (nChannel < 0 || nChannel >= NUM_CHANNELS)
        return;
    CTALVData& channel = m_route.GetChannel(nChannel);
    const bool bShown = &channel == m_pCurData;
    bool bChanged = false;
    for (int b = 0; b < NUM_BANDS; ++b) {
        const auto g = static_cast<short>(anGain[static_cast<std::size_t>(b)]);
        // Bands the fit left alone (bypassed with a gain) come back as they are.
        if (g == channel.GetGain(b))
            continue;
        bChanged = true;
        SetBandGain(nChannel, b, g);
        if (bShown)
            ShowBandGain(b, g);
    }
    if (bShown) {
        RefreshEqAllSwitch();
        Graph()->Redraw(-1);
    }
    if (bChanged)
        m_deviceLink.SendEqChange(nChannel);
}
