// Measuring through the sound card: "Measure…" from the graph's menu. Each
// channel is measured alone: the other channels' outputs go off over the
// link and come back as the device held them. A measurement lands as a
// loaded file does (its positions averaged, with phase for the alignment);
// a check after Apply is drawn beside the prediction.
#include <QTemporaryDir>
#include <fstream>

#include "Audio_OutData.h"
#include "ChannelTuning.h"
#include "DbText.h"
#include "FStatic.h"
#include "HzText.h"
#include "MeasureDialog.h"
#include "MeasurementFile.h"
#include "MeasurementReader.h"
#include "SoloPlan.h"
#include "VardenDlg.h"

namespace {
constexpr const char* MSG_MEASURE_NEEDS_LINK =
    "connect to the device first: each channel is measured alone, the others turned off over the link";
// Where the dialog opens: below the graph, so the measurement stays in sight.
constexpr int MEASURE_DIALOG_BELOW_GRAPH = 12;
}  // namespace

void CVardenDlg::OnMeasure()
{
    MeasureLink link;
    link.fnUp = [this] { return IsConnected(); };
    link.fnSettled = [this] { return !m_deviceLink.HasPendingChanges(); };
    link.fnSolo = [this](int k) {
        // The device holds what the window shows once everything sent
        // before is acknowledged; the way back is made from that now.
        m_aRestoreFrames = MakeRestoreFrames(m_route, k);
        for (auto& pFrame : MakeSoloFrames(m_route, k))
            m_deviceLink.GetLink().Enqueue(std::move(pFrame));
    };
    link.fnRestore = [this](int) {
        for (auto& pFrame : m_aRestoreFrames)
            m_deviceLink.GetLink().Enqueue(std::move(pFrame));
        m_aRestoreFrames.clear();
    };
    // Positions are added to those measured while the dialog is open.
    for (std::vector<std::string>& files : m_aMeasuredFiles)
        files.clear();
    CMeasureDialog dialog(
        this, std::move(link), IsConnected() ? std::string() : MSG_MEASURE_NEEDS_LINK,
        [this](int k) { return m_aMeasurement[static_cast<std::size_t>(k)].IsLoaded(); },
        [this](MeasureMode mode, const ChannelTake& take) { return TakeMeasured(mode, take); });
    const QRect rcGraph = Graph()->geometry();
    dialog.move(mapToGlobal(
        QPoint(rcGraph.right() - dialog.sizeHint().width(), rcGraph.bottom() + MEASURE_DIALOG_BELOW_GRAPH)));
    dialog.DoModal();
    // Left only by a link lost before they could go.
    m_aRestoreFrames.clear();
    RedrawGraph();
}

std::string CVardenDlg::TakeMeasured(MeasureMode mode, const ChannelTake& take)
{
    const int k = take.nChannel;
    const auto i = static_cast<std::size_t>(k);
    MeasurementHeader header = take.header;
    header.strPreset = m_route.GetName();
    const std::string strText = FormatMeasurementExport(take.response, take.sweep, header);
    const std::string strFigures = "S/N " + FormatDb(take.response.dSignalToNoiseDb) + ", peak " +
                                   FormatDb(take.response.dPeakDbfs) + "FS, arrival " +
                                   FormatFixed(take.response.dArrivalMs, 2) + " ms";
    if (mode == MeasureMode::Check) {
        MeasurementData data;
        std::string strError;
        if (!ParseMeasurement(strText, "check", data, strError))
            return "no check: " + strError;
        CAudio_OutData scratch;
        const CAudio_OutData& curves = ChannelCurves(k, scratch);
        MeasurementCheck& check = m_aCheck[i];
        check = CheckMeasurement(m_aMeasurement[i], data, curves.GetEQ().m_dSum, HighPassCornerHz(curves),
                                 LowPassCornerHz(curves));
        if (!check.bOk)
            return "no check: " + check.strError;
        m_overlay.SetCheck(k, check.measured);
        RedrawGraph();
        return "checked: " + FormatFixed(check.dRmsDb, 2) + " dB rms from the prediction over " +
               FormatHzRange(check.range.dLowHz, check.range.dHighHz) + "; " + strFigures;
    }
    if (!m_pMeasureDir) {
        m_pMeasureDir = std::make_unique<QTemporaryDir>();
        if (!m_pMeasureDir->isValid()) {
            const std::string strError = m_pMeasureDir->errorString().toStdString();
            m_pMeasureDir.reset();
            return "not kept: no folder for the measurements: " + strError;
        }
    }
    std::vector<std::string>& files = m_aMeasuredFiles[i];
    if (mode == MeasureMode::Measure || files.size() >= static_cast<std::size_t>(MAX_MEASUREMENT_POSITIONS))
        files.clear();
    const std::string strPath = m_pMeasureDir->path().toStdString() + "/CH" + std::to_string(k + 1) + "-position-" +
                                std::to_string(files.size() + 1) + ".txt";
    std::ofstream out(strPath, std::ios::binary);
    out << strText;
    out.close();
    if (!out)
        return "not kept: " + strPath + " could not be written";
    files.push_back(strPath);
    // As Load takes files: every position averaged; the alignment takes
    // the first, where the listener sits.
    if (!LoadChannelMeasurementFiles(k, files) || !LoadAlignFile(k, files.front())) {
        files.pop_back();
        return "not taken in";
    }
    return "measured at " + std::to_string(files.size()) + (files.size() == 1 ? " position: " : " positions: ") +
           strFigures;
}
