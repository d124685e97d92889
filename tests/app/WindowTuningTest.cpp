// Tuning in the window: the graph's menu, a measurement drawn over the graph
// and following edits, and a fit applied as one edit (linked channels, bands
// left alone, the channels' blocks on the wire) or cancelled without a trace.
#include "WindowFixture.h"

#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <fstream>

#include <QCheckBox>
#include <QMimeData>
#include <QUrl>

#include "AlignDialog.h"
#include "FStatic.h"
#include "FitEqDialog.h"
#include "SyntheticDrivers.h"
#include "SyntheticSpeaker.h"

namespace {
const QRgb PREDICTED = qRgb(64, 224, 255);

// Pixels of the predicted response on the graph, as (x, y) pairs.
std::vector<std::pair<int, int>> PredictedPixels(const CFStatic& graph)
{
    std::vector<std::pair<int, int>> pixels;
    const QImage& image = graph.GetImage();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == PREDICTED)
                pixels.emplace_back(x, y);
    return pixels;
}
}  // namespace

class WindowTuningTest : public WindowTest {
protected:
    std::array<short, NUM_BANDS> Gains(int k)
    {
        std::array<short, NUM_BANDS> an{};
        for (int b = 0; b < NUM_BANDS; ++b)
            an[b] = Channel(k).GetGain(b);
        return an;
    }
};

TEST_F(WindowTuningTest, MeasurementOnTheGraphAndTheFitAppliedAsOneEdit)
{
    synthetic::Speaker s;
    s.aMode = {{48, 8, 5}, {96, -7, 5}, {190, 5, 4}, {900, -3, 2}};
    const std::string strGood = (m_dir / "left.txt").string();
    const std::string strBad = (m_dir / "bad.txt").string();
    std::ofstream(strGood) << synthetic::ExportText(synthetic::LogSweep(s, 20, 20000, 48));
    std::ofstream(strBad) << "* header\n20 80\n40 81\n30 82\n";
    CFStatic& graph = *Ctl<CFStatic>(IDC_GRAPH);

    // Before a measurement only loading, aligning (and About) is offered;
    // undo and redo come first, with nothing to act on yet.
    const std::vector<MenuItem> all = GraphMenu("");
    ASSERT_EQ(all.size(), 8u);
    EXPECT_EQ(all[0].strText, "Undo");
    EXPECT_FALSE(all[0].bEnabled);
    EXPECT_EQ(all[1].strText, "Redo");
    EXPECT_EQ(all[2].strText, "Measure\u2026");
    EXPECT_TRUE(all[2].bEnabled);
    const std::vector<MenuItem> items(all.begin() + 3, all.end());
    EXPECT_EQ(items[0].strText, "Load Measurement...");
    EXPECT_TRUE(items[0].bEnabled);
    EXPECT_EQ(items[1].strText, "Fit EQ to Measurement...");
    EXPECT_FALSE(items[1].bEnabled);
    EXPECT_EQ(items[2].strText, "Clear Measurement");
    EXPECT_FALSE(items[2].bEnabled);
    EXPECT_EQ(items[3].strText, "Align Channels\u2026");
    EXPECT_TRUE(items[3].bEnabled);
    EXPECT_EQ(items[4].strText, "About VARDEN...");

    // A file that cannot be read: a box with the reason, nothing else.
    const QImage before = graph.GetImage();
    m_strChosen = strBad;
    GraphMenu("Load Measurement...");
    EXPECT_EQ(BoxTexts(),
              std::vector<std::string>{strBad + ": line 4: frequency 30 Hz does not rise above 40 Hz of line 3"});
    EXPECT_FALSE(Dlg().GetMeasurement(0).IsLoaded());
    EXPECT_EQ(graph.GetImage(), before);

    // Loaded, it is drawn, and its prediction follows a fader at once.
    m_strChosen = strGood;
    GraphMenu("Load Measurement...");
    ASSERT_TRUE(Dlg().GetMeasurement(0).IsLoaded());
    const auto predicted = PredictedPixels(graph);
    EXPECT_GT(predicted.size(), 400u);
    DragFader(IDC_BAND_FADER + 10, -25);
    EXPECT_NE(PredictedPixels(graph), predicted);
    Type(IDC_BAND_GAIN + 10, "0");

    // Channel 2 follows channel 0; band 4 is bypassed while it carries +4 dB.
    Connect();
    Choose(IDC_LINK_LIST + 2, 0);
    Type(IDC_BAND_GAIN + 3, "4");
    Click(IDC_BAND_BYPASS + 3);
    ASSERT_EQ(Channel(0).GetGain(3), 200);
    ASSERT_TRUE(Drain());

    // Cancel leaves everything as it was, whatever the dialog showed.
    const auto gains = Gains(0);
    int nRuns = 0;
    CFitEqDialog::SetModalRunner([&](CFitEqDialog& dialog) {
        ++nRuns;
        dialog.SmoothingList()->setCurrentIndex(5);
        emit dialog.SmoothingList()->activated(5);
        dialog.BoostBox()->setValue(0.0);
        EXPECT_EQ(dialog.GetFiguresText().left(16), QStringLiteral("rms error before"));
        // A target file that cannot be read is reported and changes nothing.
        EXPECT_FALSE(dialog.LoadTargetFile(strBad));
        EXPECT_EQ(m_boxes.size(), 2u);
        EXPECT_EQ(dialog.TargetList()->currentIndex(), 0);
        dialog.LowBox()->setValue(5000);
        dialog.HighBox()->setValue(100);
        EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
        EXPECT_EQ(dialog.GetFiguresText(),
                  QString::fromUtf8("No fit: the range 5000\u2013100 Hz holds no frequencies"));
        return static_cast<int>(QDialog::Rejected);
    });
    GraphMenu("Fit EQ to Measurement...");
    EXPECT_EQ(nRuns, 1);
    EXPECT_EQ(Gains(0), gains);
    EXPECT_EQ(Dlg().GetMeasurement(0).GetSettings().nSmoothing, DEFAULT_SMOOTHING);
    EXPECT_EQ(Link().GetCount(), 0);

    // Apply: within the bounds, band 4 left alone, channel 2 alike, the
    // views showing the gains, and each channel's block on the wire.
    FitOutcome chosen;
    CFitEqDialog::SetModalRunner([&](CFitEqDialog& dialog) {
        dialog.BoostBox()->setValue(3.0);
        chosen = dialog.GetOutcome();
        return static_cast<int>(QDialog::Accepted);
    });
    GraphMenu("Fit EQ to Measurement...");
    CFitEqDialog::SetModalRunner({});
    ASSERT_TRUE(chosen.bOk);
    EXPECT_LT(chosen.dRmsAfter, chosen.dRmsBefore / 2);
    // What was previewed is what the channel now gives.
    const GridLevels now = Dlg().GetMeasurement(0).Predicted(Dlg().GetCurves().GetOutData(0).GetEQ().m_dSum);
    for (int i = 0; i < GRID_POINTS; ++i)
        ASSERT_NEAR(now.adLevel[i], chosen.after.adLevel[i], 1e-9) << i;
    EXPECT_EQ(Channel(0).GetGain(3), 200);
    EXPECT_TRUE(Channel(0).IsBandBypassed(3));
    EXPECT_EQ(Channel(0).GetSavedGain(3), 240);
    int nChanged = 0;
    for (int b = 0; b < NUM_BANDS; ++b) {
        const short g = Channel(0).GetGain(b);
        EXPECT_EQ(g, chosen.anGain[b]) << b;
        EXPECT_LE(g, 230) << b;
        EXPECT_GE(g, 80) << b;
        EXPECT_EQ(Channel(2).GetGain(b), g) << b;
        EXPECT_EQ(Ctl<CNumEdit>(IDC_BAND_GAIN + b)->GetValue(), g) << b;
        EXPECT_EQ(Ctl<CBitmapSlider>(IDC_BAND_FADER + b)->GetInvertedPos(), g) << b;
        EXPECT_EQ(Ctl<CBitButton>(IDC_BAND_BYPASS + b)->GetCheck() != 0, Channel(0).IsBandBypassed(b) != 0) << b;
        nChanged += g != gains[b];
    }
    EXPECT_GT(nChanged, 10);
    // Channel 0 and channel 2 go as their blocks, the outputs never muted.
    const CSendDataQueue& queue = Link().GetQueue();
    ASSERT_EQ(queue.GetCount(), 2);
    for (int i : {0, 1}) {
        EXPECT_EQ(queue.GetAt(i)->GetData()[FRAME_CMD], CMD_BLOCK_WRITE);
        EXPECT_EQ(queue.GetAt(i)->GetData()[FRAME_INDEX1], 2 * i);
        EXPECT_EQ(queue.GetAt(i)->GetData()[BLOCK_OUTPUT], Channel(2 * i).GetOutputOn());
    }
    ASSERT_TRUE(Drain());
    ExpectDeviceHolds(0, 0, "after the fit");
    ExpectDeviceHolds(0, 2, "after the fit, linked");

    // The fit is one step to take back, on the window and the device.
    EXPECT_EQ(Dlg().GetHistory().UndoLabel(), "fitted EQ");
    Dlg().Undo();
    for (int b = 0; b < NUM_BANDS; ++b)
        EXPECT_EQ(Channel(2).GetGain(b), gains[b]) << b;
    EXPECT_EQ(Channel(0).GetSavedGain(3), 240);
    ASSERT_TRUE(Drain());
    ExpectDeviceHolds(0, 0, "the fit taken back");
    ExpectDeviceHolds(0, 2, "the fit taken back, linked");
    Dlg().Redo();
    EXPECT_EQ(Channel(0).GetGain(5), chosen.anGain[5]);

    // Cleared, the overlay is gone.
    GraphMenu("Clear Measurement");
    EXPECT_FALSE(Dlg().GetMeasurement(0).IsLoaded());
    EXPECT_TRUE(PredictedPixels(graph).empty());
}

// A measurement the graph cannot show is refused at Load, with the reason.
TEST_F(WindowTuningTest, AMeasurementOutsideTheGraphIsRefusedAtLoad)
{
    const std::pair<const char*, const char*> files[] = {
        {"ultrasonic.txt", "25000 80\n30000 81\n40000 80.5\n"},
        {"infrasonic.txt", "1 80\n10 81\n18 80.5\n"},
        {"between.txt", "1001 80\n1010 81\n1020 80.5\n"},
    };
    for (const auto& [pszName, pszText] : files) {
        const std::string strPath = (m_dir / pszName).string();
        std::ofstream(strPath) << pszText;
        m_boxes.clear();
        m_strChosen = strPath;
        GraphMenu("Load Measurement...");
        EXPECT_FALSE(Dlg().GetMeasurement(0).IsLoaded()) << pszName;
        ASSERT_EQ(BoxTexts().size(), 1u) << pszName;
        EXPECT_EQ(BoxTexts()[0].rfind(strPath + ": the measurement (", 0), 0u) << BoxTexts()[0];
    }
    EXPECT_NE(BoxTexts()[0].find("falls between two points of the graph's grid, 1000 and 1030 Hz"), std::string::npos);
}

// The preview marks every band Apply changes, beyond the measured span too;
// with nothing to fit Apply is disabled and the dialog says why.
TEST_F(WindowTuningTest, ThePreviewShowsWhatApplyChangesAndNothingToFitDisablesApply)
{
    for (const auto& [b, pszGain] : {std::pair{0, "6"}, {1, "5.1"}, {2, "0.6"}, {3, "0.9"}, {4, "-0.5"}})
        Type(IDC_BAND_GAIN + b, pszGain);
    const auto before = Gains(0);
    synthetic::Speaker s;
    s.aMode = {{130, 6, 4}, {700, -5, 3}, {4000, 3, 2}};
    const std::string strMid = (m_dir / "mid.txt").string();
    const std::string strThree = (m_dir / "three.txt").string();
    std::ofstream(strMid) << synthetic::ExportText(synthetic::LogSweep(s, 100, 10000, 24));
    std::ofstream(strThree) << "990 80\n1000 81\n1010 80.5\n";
    m_strChosen = strMid;
    GraphMenu("Load Measurement...");
    ASSERT_TRUE(Dlg().GetMeasurement(0).IsLoaded());

    const QRgb CHANGE = qRgb(255, 176, 32);
    CFitEqDialog::SetModalRunner([&](CFitEqDialog& dialog) {
        const FitOutcome& outcome = dialog.GetOutcome();
        EXPECT_TRUE(dialog.ApplyButton()->isEnabled());
        EXPECT_GT(outcome.nBandsChanged, 5);
        const QImage& image = Ctl<CFStatic>(IDC_GRAPH)->GetImage();
        const CAudio_OutData& display = Dlg().GetCurves().GetOutData(0);
        for (int b = 0; b < NUM_BANDS; ++b) {
            // Bands an octave below 100 Hz keep their gains.
            if (b < 4) {
                EXPECT_EQ(outcome.anGain[b], before[b]) << b;
            }
            const int x = display.m_aptCurve[NearestGridIndex(g_nGraphicEqFreq[b])].x;
            bool bMarked = false;
            for (int y = 0; y < image.height(); ++y)
                bMarked = bMarked || image.pixel(x, y) == CHANGE;
            EXPECT_EQ(bMarked, outcome.anGain[b] != before[b]) << "band " << b + 1;
        }
        return static_cast<int>(QDialog::Rejected);
    });
    GraphMenu("Fit EQ to Measurement...");

    m_strChosen = strThree;
    GraphMenu("Load Measurement...");
    int nRuns = 0;
    CFitEqDialog::SetModalRunner([&](CFitEqDialog& dialog) {
        ++nRuns;
        EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
        EXPECT_EQ(dialog.GetFiguresText(),
                  QString::fromUtf8("Nothing to fit: only 1 point of the graph's grid in 990\u20131010 Hz"));
        return static_cast<int>(QDialog::Accepted);  // as Enter would, were Apply enabled
    });
    GraphMenu("Fit EQ to Measurement...");
    CFitEqDialog::SetModalRunner({});
    EXPECT_EQ(nRuns, 1);
    EXPECT_EQ(Gains(0), before);
}

TEST_F(WindowTuningTest, ChannelsAlignedFromTheirMeasurementsAsOneStepThatReachesTheDevice)
{
    // The two-way on channels 1 and 2 on the device; its drivers measured through it.
    Connect();
    ApplyChannelSetting(synthetic::WooferSetting(), Channel(0));
    ApplyChannelSetting(synthetic::TweeterSetting(), Channel(1));
    ASSERT_TRUE(Drain());
    const std::string strWoofer = (m_dir / "woofer.frd").string();
    const std::string strTweeter = (m_dir / "tweeter.txt").string();
    const std::string strPlain = (m_dir / "plain.txt").string();
    std::ofstream(strWoofer) << synthetic::FrdText(synthetic::Measure(synthetic::Woofer(), synthetic::WooferSetting()));
    std::ofstream(strTweeter) << synthetic::RewText(
        synthetic::Measure(synthetic::Tweeter(), synthetic::TweeterSetting()));
    std::ofstream(strPlain) << "20 80\n20000 80\n";
    const std::string strAlign = "Align Channels\u2026";

    // A file without phase is refused with a box; one dropped on a row is
    // that channel's. Cancel leaves everything as it was.
    CAlignDialog::SetModalRunner([&](CAlignDialog& dialog) {
        EXPECT_FALSE(dialog.LoadFile(1, strPlain));
        EXPECT_EQ(BoxTexts().back().rfind(strPlain + ": the file holds no phase", 0), 0u);
        EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
        EXPECT_TRUE(dialog.LoadFile(0, strWoofer));
        dialog.show();
        Pump();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(strTweeter))});
        const QPoint at = dialog.UseBox(1)->geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &drop);
        EXPECT_TRUE(dialog.UseBox(1)->isChecked());
        EXPECT_FALSE(dialog.ApplyButton()->isEnabled()) << "before the alignment is in";
        dialog.WaitForAlignment();
        EXPECT_TRUE(dialog.ApplyButton()->isEnabled());
        EXPECT_TRUE(dialog.GetFiguresText().startsWith(QStringLiteral("channel 1: delay 0.00 ms (0 samples)")));
        return static_cast<int>(QDialog::Rejected);
    });
    GraphMenu(strAlign);
    EXPECT_EQ(Channel(1).GetDelay(), 0);
    EXPECT_EQ(Dlg().GetAlignMeasurement(1).strPath, strTweeter);
    EXPECT_EQ(Link().GetCount(), 0);

    // Linked channels align as one: with nothing else, there is nothing to align.
    Choose(IDC_LINK_LIST + 1, 0);
    CAlignDialog::SetModalRunner([&](CAlignDialog& dialog) {
        dialog.WaitForAlignment();
        EXPECT_FALSE(dialog.ApplyButton()->isEnabled());
        EXPECT_TRUE(dialog.GetFiguresText().startsWith(
            QStringLiteral("No alignment: channels 1 and 2 are linked (Linking) and align as one")))
            << dialog.GetFiguresText().toStdString();
        return static_cast<int>(QDialog::Accepted);
    });
    GraphMenu(strAlign);
    Dlg().Undo();
    ASSERT_EQ(g_anLinkGroup[1], 1);
    ASSERT_TRUE(Drain());

    // Applied: one step, the views and the device follow, and back.
    AlignResult result;
    CAlignDialog::SetModalRunner([&](CAlignDialog& dialog) {
        dialog.WaitForAlignment();
        result = dialog.GetResult();
        return static_cast<int>(QDialog::Accepted);
    });
    GraphMenu(strAlign);
    CAlignDialog::SetModalRunner({});
    ASSERT_TRUE(result.outcome.bOk);
    EXPECT_EQ(result.anChannel, (std::vector<int>{0, 1}));
    const ChannelSetting& tweeter = result.outcome.aSetting[1];
    EXPECT_GT(tweeter.nDelay, 10);
    EXPECT_EQ(Channel(1).GetDelay(), tweeter.nDelay);
    EXPECT_EQ(Channel(1).GetChannelGain(), tweeter.nGain);
    EXPECT_EQ(Channel(0).GetDelay(), 0);
    EXPECT_EQ(Dlg().GetHistory().UndoLabel(), "alignment");
    ASSERT_TRUE(Drain());
    ExpectDeviceHolds(0, 1, "aligned");
    Click(IDC_CHANNEL_BUTTON + 1);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_DELAY_FIELD)->GetValue(), tweeter.nDelay);
    Dlg().Undo();
    EXPECT_EQ(Channel(1).GetDelay(), 0);
    ASSERT_TRUE(Drain());
    ExpectDeviceHolds(0, 1, "alignment taken back");

    // Channel 3 linked to the tweeter takes what is set on it; the greyed
    // range shows the octave the alignment judges.
    Choose(IDC_LINK_LIST + 2, 1);
    ASSERT_EQ(g_anLinkGroup[2], g_anLinkGroup[1]);
    CAlignDialog::SetModalRunner([&](CAlignDialog& dialog) {
        dialog.WaitForAlignment();
        EXPECT_FALSE(dialog.LowBox()->isEnabled());
        EXPECT_EQ(dialog.LowBox()->value(), 1414);
        EXPECT_EQ(dialog.HighBox()->value(), 2828);
        EXPECT_TRUE(dialog.GetFiguresText().contains(
            QStringLiteral("channel 3 (linked with 2, whose measurement stands for it): delay")))
            << dialog.GetFiguresText().toStdString();
        result = dialog.GetResult();
        return static_cast<int>(QDialog::Accepted);
    });
    GraphMenu(strAlign);
    CAlignDialog::SetModalRunner({});
    ASSERT_TRUE(result.outcome.bOk);
    EXPECT_EQ(Channel(2).GetDelay(), result.outcome.aSetting[1].nDelay);
    EXPECT_EQ(Channel(2).GetChannelGain(), result.outcome.aSetting[1].nGain);
    ASSERT_TRUE(Drain());
    ExpectDeviceHolds(0, 2, "aligned, linked");
}

// Several files dropped go to the channels without a measurement and never
// replace one; those left over are named.
TEST_F(WindowTuningTest, DroppedFilesFillTheChannelsWithoutAMeasurement)
{
    std::vector<std::string> astrFile;
    for (const char* pszName : {"a.frd", "b.frd", "c.frd", "d.frd", "e.frd"}) {
        astrFile.push_back((m_dir / pszName).string());
        std::ofstream(astrFile.back()) << synthetic::FrdText(
            synthetic::Measure(synthetic::Woofer(), synthetic::WooferSetting()));
    }
    ASSERT_TRUE(Dlg().LoadAlignFile(1, astrFile[0]));
    CAlignDialog::SetModalRunner([&](CAlignDialog& dialog) {
        dialog.show();
        Pump();
        const auto drop = [&](const std::vector<std::string>& files, QPoint at) {
            QMimeData data;
            QList<QUrl> urls;
            for (const std::string& strPath : files)
                urls.append(QUrl::fromLocalFile(QString::fromStdString(strPath)));
            data.setUrls(urls);
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&dialog, &enter);
            QDropEvent event(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&dialog, &event);
        };
        drop({astrFile[1], astrFile[2]}, dialog.UseBox(0)->geometry().center());
        drop({astrFile[3], astrFile[4]}, dialog.ApplyButton()->mapTo(&dialog, QPoint(2, 2)));
        dialog.WaitForAlignment();
        return static_cast<int>(QDialog::Rejected);
    });
    GraphMenu("Align Channels\u2026");
    CAlignDialog::SetModalRunner({});
    for (const auto& [k, n] : {std::pair{0, 1}, {1, 0}, {2, 2}, {3, 3}})
        EXPECT_EQ(Dlg().GetAlignMeasurement(k).strPath, astrFile[static_cast<std::size_t>(n)]) << "channel " << k + 1;
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Every channel has a measurement; not taken:\n" + astrFile[4]});
}
