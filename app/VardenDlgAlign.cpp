// Aligning channels: "Align Channels…" from the graph's menu, each channel's
// measurement with phase for the session, the alignment previewed on the
// graph while the dialog is open, and applied as one edit.
#include "AlignReport.h"
#include "Audio_OutData.h"
#include "FStatic.h"
#include "LinkState.h"
#include "MessageBox.h"
#include "QtColor.h"
#include "TALVData.h"
#include "VardenDlg.h"

namespace {
// Where the dialog opens: below the graph, so the preview stays in sight.
constexpr int ALIGN_DIALOG_BELOW_GRAPH = 12;
}  // namespace

bool CVardenDlg::LoadAlignFile(int k, const std::string& strPath)
{
    if (k < 0 || k >= NUM_CHANNELS)
        return false;
    // The channel was measured as it stands now.
    std::string strError;
    if (!LoadAlignMeasurement(strPath, m_route.GetChannel(k), m_aAlignMeasurement[static_cast<std::size_t>(k)],
                              strError)) {
        ShowMessageBox(strError, MessageIcon::Error);
        return false;
    }
    return true;
}

std::function<AlignResult()> CVardenDlg::PrepareAlignment(const AlignChoice& choice) const
{
    AlignResult result;
    AlignRequest request;
    std::vector<int> anChosen;
    std::vector<std::pair<int, std::string>> aFile;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const AlignMeasurement& measurement = m_aAlignMeasurement[static_cast<std::size_t>(k)];
        if (!choice.abUse[static_cast<std::size_t>(k)] || !measurement.bLoaded)
            continue;
        anChosen.push_back(k);
        aFile.emplace_back(k, measurement.strPath);
    }
    // A linked group aligns as one, on its first chosen channel's measurement.
    const std::vector<AlignGroup> groups = AlignGroups(anChosen, g_anLinkGroup);
    for (const AlignGroup& group : groups) {
        result.anChannel.push_back(group.nChannel);
        request.aChannel.push_back(
            AlignGroupChannel(group, m_aAlignMeasurement[static_cast<std::size_t>(group.nChannel)], m_route));
        std::string strName = "CH" + std::to_string(group.nChannel + 1);
        for (const auto& member : request.aChannel.back().aLinked)
            strName += "+CH" + std::to_string(member.first + 1);
        result.astrName.push_back(strName);
    }
    if (!choice.bAboutCrossovers) {
        request.dLowHz = choice.nLowHz;
        request.dHighHz = choice.nHighHz;
    }
    request.bMoveCrossovers = choice.bMoveCrossovers;
    std::string& strError = result.outcome.strError;
    if (anChosen.size() < ALIGN_MIN_CHANNELS)
        strError = "choose two to four channels, each with a measurement with phase";
    const bool bAlign = strError.empty() && CheckAlignFiles(aFile, strError) &&
                        CheckAlignGroups(groups, anChosen, g_bBassLink, strError);
    // Only copies go to the worker.
    return [result = std::move(result), request = std::move(request), bAlign]() mutable {
        if (bAlign)
            result.outcome = AlignChannels(request);
        if (result.outcome.bOk) {
            result.aApply = SettingsToApply(request, result.outcome);
            result.strReport = FormatAlignChannels(request, result.outcome) + FormatAlignSummary(result.outcome);
        }
        return std::move(result);
    };
}

void CVardenDlg::PreviewAlignment(const AlignResult& result)
{
    if (result.outcome.bOk) {
        std::vector<CAlignPreview::Curve> curves;
        for (std::size_t n = 0; n < result.anChannel.size(); ++n)
            curves.push_back({result.outcome.aAfter[n],
                              ToQColor(m_curves.GetOutData(result.anChannel[n]).GetCurveColor()),
                              QString::fromStdString(result.astrName[n])});
        m_alignPreview.Set(std::move(curves), result.outcome.sumBefore, result.outcome.sumAfter,
                           result.outcome.range.abIn);
    } else {
        m_alignPreview.Clear();
    }
    RedrawGraph();
}

void CVardenDlg::OnAlignChannels()
{
    std::array<std::string, NUM_CHANNELS> astrLoaded;
    for (int k = 0; k < NUM_CHANNELS; ++k)
        astrLoaded[static_cast<std::size_t>(k)] = m_aAlignMeasurement[static_cast<std::size_t>(k)].strPath;
    CAlignDialog dialog(
        this, astrLoaded, [this](int k, const std::string& strPath) { return LoadAlignFile(k, strPath); },
        [this](const AlignChoice& choice) { return PrepareAlignment(choice); },
        [this](const AlignResult& result) { PreviewAlignment(result); });
    const QRect rcGraph = Graph()->geometry();
    dialog.move(
        mapToGlobal(QPoint(rcGraph.right() - dialog.sizeHint().width(), rcGraph.bottom() + ALIGN_DIALOG_BELOW_GRAPH)));
    const bool bApply = dialog.DoModal() == QDialog::Accepted && dialog.GetResult().outcome.bOk;
    m_alignPreview.Clear();
    if (bApply) {
        BeginStep("alignment");
        ApplyAlignment(dialog.GetResult().aApply);
        EndStep();
    }
    RedrawGraph();
}

void CVardenDlg::ApplyAlignment(const std::vector<std::pair<int, ChannelSetting>>& aSetting)
{
    // A linked channel takes most of it from its group's setters already.
    for (const auto& [k, setting] : aSetting) {
        if (k >= 0 && k < NUM_CHANNELS)
            ApplyChannelSetting(setting, m_route.GetChannel(k));
    }
    RefreshGainDelayView();
    RefreshCrossoverView();
    RefreshOutputsView();
}
