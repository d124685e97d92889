// "Measure…" against the virtual processor's room (a direct sound and one
// reflection) through a private PipeWire, short sweeps with the loopback:
// the measurement on the graph, positions averaged, a refusal, a stop, Check
// against the prediction, and the device put back byte for byte each time.
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <cmath>
#include <complex>
#include <numbers>

#include "Audio_OutData.h"
#include "FitEqDialog.h"
#include "MeasureDialog.h"
#include "MeasurementSmoothing.h"
#include "SimAudioServer.h"
#include "SimRoom.h"
#include "WindowFixture.h"

namespace {
constexpr int DIRECT = 48;      // samples from the loudspeaker to the microphone
constexpr int REFLECTED = 144;  // and by the wall, half as loud
constexpr double REFLECTION = 0.5;
constexpr int RATE = 48000;

// The room's level at f: the direct sound and the reflection summed.
double RoomDb(double f)
{
    const std::complex<double> h = std::polar(1.0, -2.0 * std::numbers::pi * f * DIRECT / RATE) +
                                   std::polar(REFLECTION, -2.0 * std::numbers::pi * f * REFLECTED / RATE);
    return 20.0 * std::log10(std::abs(h));
}

std::array<SimBlock, NUM_CHANNELS> LiveBlocks(CSimPtyServer& sim)
{
    return sim.WithProcessor([](CVirtualProcessor& p) {
        std::array<SimBlock, NUM_CHANNELS> blocks;
        for (int k = 0; k < NUM_CHANNELS; ++k)
            blocks[static_cast<std::size_t>(k)] = p.GetBlock(0, k);
        return blocks;
    });
}
}  // namespace

class WindowMeasureTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        std::array<std::vector<float>, NUM_CHANNELS> room;
        room[0].assign(REFLECTED + 1, 0.0f);
        room[0][DIRECT] = 1.0f;
        room[0][REFLECTED] = static_cast<float>(REFLECTION);
        std::string strError;
        ASSERT_TRUE(m_sound.Start(strError, std::make_unique<CSimRoom>(room, std::nullopt))) << strError;
        m_pSim->WithProcessor([&](CVirtualProcessor& p) { p.SetLiveListener(m_sound.MakeLiveListener()); });
        Connect();
        // The window's own tick drives the link while the dialog measures.
        m_pDlg->StartLinkTimer();
    }
    void TearDown() override
    {
        m_pSim->WithProcessor([](CVirtualProcessor& p) { p.SetLiveListener({}); });
        CMeasureDialog::SetModalRunner({});
        CFitEqDialog::SetModalRunner({});
        WindowTest::TearDown();
    }

    // Opens "Measure…" on channel 1 with short sweeps and the loopback, and
    // runs fn in it.
    void InDialog(const std::function<void(CMeasureDialog&)>& fn)
    {
        CMeasureDialog::SetModalRunner([&](CMeasureDialog& dialog) {
            EXPECT_TRUE(dialog.SelectOutput(SIM_SINK_NAME, -1));
            EXPECT_TRUE(dialog.SelectInput(SIM_MIC_NAME, 0, 1));
            dialog.SweepBox()->setValue(0.5);
            dialog.LevelBox()->setValue(-20.0);
            dialog.ChannelBox(0)->setChecked(true);
            fn(dialog);
            return static_cast<int>(QDialog::Rejected);
        });
        GraphMenu("Measure\u2026");
    }

    CSimAudioServer m_sound;
};

TEST_F(WindowMeasureTest, MeasuredAveragedStoppedAndCheckedWithTheDevicePutBackEachTime)
{
    const auto before = LiveBlocks(*m_pSim);
    InDialog([&](CMeasureDialog& dialog) {
        EXPECT_FALSE(dialog.NextButton()->isEnabled());
        ASSERT_TRUE(dialog.Run(MeasureMode::Measure));
        dialog.WaitUntilDone();
        EXPECT_TRUE(dialog.GetRowText(0).startsWith("measured at 1 position")) << dialog.GetRowText(0).toStdString();
        ASSERT_TRUE(dialog.NextButton()->isEnabled());
        ASSERT_TRUE(dialog.Run(MeasureMode::NextPosition));
        dialog.WaitUntilDone();
        EXPECT_TRUE(dialog.GetRowText(0).startsWith("measured at 2 positions")) << dialog.GetRowText(0).toStdString();
    });
    EXPECT_EQ(LiveBlocks(*m_pSim), before);
    const CChannelMeasurement& measurement = Dlg().GetMeasurement(0);
    ASSERT_EQ(measurement.GetCount(), 2);
    EXPECT_TRUE(Dlg().GetAlignMeasurement(0).bLoaded);

    // The measurement is the channel's curve times the room, at a level of
    // its own: its rows, unsmoothed, against the graph's curve and the
    // room's formula where the channel plays.
    CAudio_OutData& curves = Dlg().GetCurves().GetOutData(0);
    curves.Recompute();
    const GridLevels raw = MeasurementOnGrid(measurement.GetPositions()[0].data, SMOOTHING_NONE);
    const double dPeak = *std::max_element(std::begin(curves.GetEQ().m_dSum), std::end(curves.GetEQ().m_dSum));
    std::vector<double> adDiff;
    for (int i = 0; i < GRID_POINTS; ++i)
        if (g_dFreqGrid[i] >= 30.0 && g_dFreqGrid[i] <= 18000.0 && curves.GetEQ().m_dSum[i] > dPeak - 30.0 &&
            raw.abValid[i])
            adDiff.push_back(raw.adLevel[i] - curves.GetEQ().m_dSum[i] - RoomDb(g_dFreqGrid[i]));
    ASSERT_GT(adDiff.size(), 150u);
    const auto [pLow, pHigh] = std::minmax_element(adDiff.begin(), adDiff.end());
    EXPECT_LT(*pHigh - *pLow, 0.5) << "the measurement strays from the true response";

    // Refused (at -3 dBFS the reflection adds up past full scale) or stopped
    // in the middle of the sweep: nothing new taken in, the device put back.
    for (const bool bStop : {false, true}) {
        InDialog([&](CMeasureDialog& dialog) {
            dialog.LevelBox()->setValue(bStop ? -20.0 : -3.0);
            ASSERT_TRUE(dialog.Run(MeasureMode::Measure));
            while (bStop && dialog.GetStage() != CMeasureRun::Stage::Taking && dialog.IsRunning())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (bStop)
                dialog.Stop();
            dialog.WaitUntilDone();
            EXPECT_TRUE(dialog.GetRowText(0).startsWith(bStop ? "stopped" : "refused: input clipped"))
                << dialog.GetRowText(0).toStdString();
        });
        EXPECT_EQ(LiveBlocks(*m_pSim), before);
        EXPECT_EQ(Dlg().GetMeasurement(0).GetCount(), 2);
    }

    // Fit, Apply, Check: the new measurement is what the fit predicted.
    CFitEqDialog::SetModalRunner([&](CFitEqDialog& dialog) {
        EXPECT_TRUE(dialog.GetOutcome().bOk) << dialog.GetOutcome().strError;
        return static_cast<int>(QDialog::Accepted);
    });
    GraphMenu("Fit EQ to Measurement...");
    InDialog([&](CMeasureDialog& dialog) {
        ASSERT_TRUE(dialog.CheckButton()->isEnabled());
        ASSERT_TRUE(dialog.Run(MeasureMode::Check));
        dialog.WaitUntilDone();
        EXPECT_TRUE(dialog.GetRowText(0).startsWith("checked: ")) << dialog.GetRowText(0).toStdString();
    });
    const MeasurementCheck& check = Dlg().GetCheck(0);
    ASSERT_TRUE(check.bOk) << check.strError;
    EXPECT_LT(check.dRmsDb, 0.3);
    EXPECT_NE(LiveBlocks(*m_pSim)[0], before[0]) << "the fit reached the device";
    for (int k = 0; k < NUM_CHANNELS; ++k)
        ExpectDeviceHolds(0, k, "after the check");
    EXPECT_TRUE(m_boxes.empty()) << m_boxes.front().strText;
}
