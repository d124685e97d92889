// The device equals the window at every edge of the link: changes on their
// way go out before a disconnect or a close, a stop still brings muted
// outputs back and says what did not arrive, a reconnect to the same preset
// changes nothing, and undo sends whole channels and the name.
#include "WindowFixture.h"

#include <QDialogButtonBox>
#include <QPushButton>

#include "GradientProgressCtrl.h"
#include "PresetFile.h"
#include "SendingBox.h"

namespace {
std::array<int, NUM_BANDS> Gains(int nGain)
{
    std::array<int, NUM_BANDS> an{};
    an.fill(nGain);
    return an;
}
}  // namespace

class WindowSendingTest : public WindowTest {
protected:
    void Reconnect()
    {
        Click(IDC_LINK);
        ASSERT_TRUE(Dlg().IsConnected());
        Dlg().StopLinkTimer();
        ASSERT_TRUE(Drain());
    }
    bool AwaitDisconnect()
    {
        return RunLink([&] { return !Dlg().IsConnected(); }, "the link to close");
    }
    void ExpectDeviceEqualsWindow(const std::string& strWhen)
    {
        EXPECT_TRUE(DeviceDiffers().empty()) << strWhen;
        EXPECT_EQ(DeviceName(0), Dlg().GetPresetName(0).substr(0, PRESET_NAME_LEN)) << strWhen;
    }
};

TEST_F(WindowSendingTest, DisconnectAndCloseSendWhatIsOnItsWayFirst)
{
    Connect();
    if (!Channel(0).GetOutputOn())
        Click(IDC_OUTPUT_SWITCH);
    Type(IDC_BAND_GAIN + 2, "4");
    Click(IDC_BAND_BYPASS + 2);
    ASSERT_TRUE(Drain());

    // Connecting to a device that holds what the window shows changes
    // nothing: no step, and the bypassed band keeps the gain it returns to.
    const std::size_t nSteps = Dlg().GetHistory().GetUndoCount();
    Click(IDC_LINK);
    ASSERT_FALSE(Dlg().IsConnected());
    Reconnect();
    EXPECT_EQ(Dlg().GetHistory().GetUndoCount(), nSteps);
    Click(IDC_BAND_BYPASS + 2);
    EXPECT_EQ(Channel(0).GetGain(2), 240);

    // A fitted EQ and CONNECT at once: the bar counts the changes out, then
    // the link closes with the device holding all of them.
    ASSERT_TRUE(Drain());
    Dlg().ApplyFittedGains(0, Gains(230));
    Click(IDC_LINK);
    EXPECT_TRUE(Dlg().IsConnected());
    Tick();
    EXPECT_TRUE(Ctl<CGradientProgressCtrl>(IDC_PROGRESS)->GetText().startsWith(QStringLiteral("sending ")));
    ASSERT_TRUE(AwaitDisconnect());
    EXPECT_TRUE(m_boxes.empty());
    ExpectDeviceEqualsWindow("after the disconnect");
    EXPECT_TRUE(Ctl<CGradientProgressCtrl>(IDC_PROGRESS)->GetText().isEmpty());

    // Closing: a box counts them down and the window closes once they are in.
    Reconnect();
    Dlg().ApplyFittedGains(0, Gains(190));
    EXPECT_FALSE(Dlg().close());
    ASSERT_NE(Dlg().GetSendingBox(), nullptr);
    ASSERT_TRUE(RunLink([&] { return !Dlg().isVisible(); }, "the window to close"));
    EXPECT_TRUE(m_boxes.empty());
    ExpectDeviceEqualsWindow("after closing");
}

TEST_F(WindowSendingTest, AStopBringsMutedOutputsBackAndSaysWhatDidNotArrive)
{
    Connect();
    if (!Channel(0).GetOutputOn())
        Click(IDC_OUTPUT_SWITCH);
    ASSERT_TRUE(Drain());
    std::array<int, NUM_BANDS> anFew{};
    for (int b = 0; b < NUM_BANDS; ++b)
        anFew[static_cast<std::size_t>(b)] = b < 3 ? 231 + b : Channel(0).GetGain(b);
    Dlg().ApplyFittedGains(0, anFew);
    for (int i = 0; i < 2; ++i)
        Tick();  // the mute and one band
    Click(IDC_LINK);
    Click(IDC_LINK);
    ASSERT_TRUE(AwaitDisconnect());
    EXPECT_EQ(m_pSim->WithProcessor([](CVirtualProcessor& p) { return p.GetBlock(0, 0)[BLOCK_OUTPUT]; }), 1);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].strText.rfind("Not every change reached the device", 0), 0u) << m_boxes[0].strText;
    EXPECT_NE(m_boxes[0].strText.find("CH1: bands 2-3\n"), std::string::npos) << m_boxes[0].strText;
    const CUndelivered& undelivered = Dlg().GetDeviceLink().GetUndelivered();
    const auto differ = DeviceDiffers();
    EXPECT_FALSE(differ.empty());
    for (const auto& [k, nFrame] : differ)
        EXPECT_TRUE(undelivered.Covers(k, nFrame)) << "channel " << k << " frame " << nFrame << " differs unsaid";

    // Cancel in the closing box: the same words, then the question any
    // unsaved preset gets.
    Reconnect();
    Dlg().ApplyFittedGains(0, Gains(250));
    m_boxes.clear();
    m_answer = MessageAnswer::Discard;
    EXPECT_FALSE(Dlg().close());
    ASSERT_NE(Dlg().GetSendingBox(), nullptr);
    QTest::mouseClick(Dlg().GetSendingBox()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                      Qt::LeftButton);
    ASSERT_TRUE(RunLink([&] { return !Dlg().isVisible(); }, "the window to close"));
    ASSERT_EQ(m_boxes.size(), 2u);
    EXPECT_EQ(m_boxes[0].strText.rfind("Not every change reached the device", 0), 0u);
    EXPECT_EQ(m_boxes[1].strText, "Save changes to the preset?");
}

// Escape stops as a second CONNECT does; a stop awaits the answer to the
// frame on the line, so what the device took is never said to be missing.
// A crossover change goes once.
TEST_F(WindowSendingTest, EscapeStopsAndTheFrameOnTheLineIsAwaited)
{
    KeyboardFilter keys(Dlg());
    Connect();
    Type(IDC_LPF_FIELD, "20000");
    Type(IDC_HPF_FIELD, "100");
    ASSERT_TRUE(Drain());
    const int nFrames = Accepted(CMD_PARAMETER);
    Type(IDC_HPF_FIELD, "150");  // within an octave: one step
    ASSERT_TRUE(Drain());
    Choose(IDC_LPF_SLOPE, (Ctl<QComboBox>(IDC_LPF_SLOPE)->currentIndex() + 1) % 7);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(Accepted(CMD_PARAMETER) - nFrames, 2);

    Dlg().ApplyFittedGains(0, Gains(215));
    Type(IDC_GATE_FIELD + 1, Channel(1).GetGateThreshold() == 20 ? "-95" : "-100");
    m_pSim->WithProcessor([](CVirtualProcessor& p) { p.SetLateDelay(400); });
    m_pSim->SetFault(SimFault::Late, 1);
    Tick(false);  // channel 1's block on the line, its answer late
    Click(IDC_LINK);
    Key(QApplication::focusWidget() ? QApplication::focusWidget() : &Dlg(), Qt::Key_Escape);
    ASSERT_TRUE(AwaitDisconnect());
    ExpectDeviceHolds(0, 0, "the block on the line arrived");
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].strText.find("CH1"), std::string::npos) << m_boxes[0].strText;
    EXPECT_NE(m_boxes[0].strText.find("CH2: output, polarity, gain, delay and noise gate"), std::string::npos)
        << m_boxes[0].strText;
}

TEST_F(WindowSendingTest, UndoAndRedoOfAWholePresetGoAsBlocksNameIncluded)
{
    CTALVRoute file;
    file.SetName("OPENME");
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        for (int b = 0; b < NUM_BANDS; b += 3)
            file.GetChannel(k).SetGain(static_cast<short>(120 + 10 * k + b), b);
        file.GetChannel(k).SetDelay(static_cast<short>(100 * k));
    }
    std::string strError;
    ASSERT_TRUE(SavePresetFile((m_dir / "openme.dia").string(), file, strError)) << strError;
    Connect();
    const std::string strOldName = DeviceName(0);
    m_strChosen = (m_dir / "openme.dia").string();
    Click(IDC_OPEN);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(DeviceName(0), "OPENME");

    for (const bool bUndo : {true, false}) {
        const int nBlocks = Accepted(CMD_BLOCK_WRITE);
        const int nParameters = Accepted(CMD_PARAMETER);
        bUndo ? Dlg().Undo() : Dlg().Redo();
        Tick();
        EXPECT_TRUE(Ctl<CGradientProgressCtrl>(IDC_PROGRESS)->GetText().startsWith(QStringLiteral("sending ")));
        ASSERT_TRUE(Drain());
        EXPECT_EQ(Accepted(CMD_BLOCK_WRITE) - nBlocks, NUM_CHANNELS);
        EXPECT_EQ(Accepted(CMD_PARAMETER), nParameters);
        EXPECT_EQ(DeviceName(0), bUndo ? strOldName : "OPENME");
        ExpectDeviceEqualsWindow(bUndo ? "after undo" : "after redo");
    }
}
