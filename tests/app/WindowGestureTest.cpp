// A seeded run of random gestures on the real window while it is connected to
// the virtual processor. After every gesture: one that moved nothing and typed
// no valid number has left the preset and the frames waiting for the device
// as they were; every fader and field shows what the preset holds; and once
// the link has drained, the device's live preset equals the window's byte for
// byte, name included, and its slots carry the names the window shows; after
// CONNECT or closing the window (while changes or a WRITE are on their way,
// stopped or not) the same, but for what the window said did not arrive, and
// a reconnect that finds the window's preset changes nothing, links included.
// Connecting again goes now and then through ser2net, to a typed address.
// "Measure…" runs with a made-up sound (the real one is the end-to-end
// test's): the device holds the preset again after it, stopped or not.
// A second run takes every step back and does it again, and
// checks the same. VARDEN_GESTURES=N runs N gestures (2000 by default); the
// seed is fixed and printed, VARDEN_GESTURE_SEED=S replays another and
// VARDEN_GESTURE_SEED=random draws a new one.
#include "WindowFixture.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QWheelEvent>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

#include "FStatic.h"
#include "FakeRecording.h"
#include "FitEqDialog.h"
#include "MeasureDialog.h"
#include "PresetFile.h"
#include "PresetSnapshot.h"
#include "SendingBox.h"
#include "Ser2net.h"
#include "SyntheticSpeaker.h"
#include "TALVRoute.h"
#include "WindowMessage.h"

namespace {

struct Snapshot {
    std::array<CTALVData::State, NUM_CHANNELS> aChannel;
    std::array<int, NUM_CHANNELS> anGroup{};
    bool bBassLink = false;
    std::vector<std::vector<BYTE>> queue;
    bool operator==(const Snapshot&) const = default;
};

struct Gesture {
    std::string strWhat;
    bool bInert = false;  // moved nothing and typed no valid number
};

unsigned long EnvNumber(const char* pszName, unsigned long nDefault)
{
    const char* psz = std::getenv(pszName);
    return psz && *psz ? std::strtoul(psz, nullptr, 10) : nDefault;
}

// The same gestures on every ordinary run, so CI is repeatable.
constexpr unsigned long DEFAULT_SEED = 20261210;

unsigned long GestureSeed()
{
    const char* psz = std::getenv("VARDEN_GESTURE_SEED");
    const unsigned long nSeed =
        psz && std::string(psz) == "random" ? std::random_device{}() : EnvNumber("VARDEN_GESTURE_SEED", DEFAULT_SEED);
    std::printf("gesture seed %lu (VARDEN_GESTURE_SEED=%lu replays it)\n", nSeed, nSeed);
    return nSeed;
}

std::string Trimmed(const std::string& str)
{
    return str.substr(0, str.find_last_not_of(' ') + 1);
}

const int kChannelFaders[] = {IDC_GAIN_FADER, IDC_HPF_FADER, IDC_LPF_FADER, IDC_DELAY_FADER};
const int kLists[] = {IDC_HPF_TYPE, IDC_HPF_SLOPE, IDC_LPF_TYPE, IDC_LPF_SLOPE};
const int kSwitches[] = {IDC_EQ_BYPASS_ALL, IDC_INPUT_HIGH, IDC_INPUT_LOW, IDC_DELAY_OFF, IDC_BASS_LINK};

}  // namespace

class WindowGestureTest : public WindowTest {
protected:
    void TearDown() override
    {
        m_pFilter.reset();
        WindowTest::TearDown();
        m_pSer2net.reset();
    }

    Snapshot Take()
    {
        Snapshot s;
        for (int k = 0; k < NUM_CHANNELS; ++k) {
            s.aChannel[static_cast<std::size_t>(k)] = Channel(k).GetState();
            s.anGroup[static_cast<std::size_t>(k)] = g_anLinkGroup[k];
        }
        s.bBassLink = g_bBassLink;
        const CSendDataQueue& queue = Link().GetQueue();
        for (int i = 0; i < queue.GetCount(); ++i) {
            const CSendData* p = queue.GetAt(i);
            s.queue.emplace_back(p->GetData(), p->GetData() + p->GetLength());
        }
        return s;
    }

    // A frame on its way takes its answer off the queue whenever it comes;
    // the comparison of a gesture's before and after waits for it first.
    void AwaitAnswer()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (Link().GetCount() > 0 && !Link().GetHead()->m_bUnsent && Dlg().IsConnected() &&
               std::chrono::steady_clock::now() < end) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    int Rand(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool Chance(int nPercent) { return Rand(100) < nPercent; }

    // ---- the gestures -----------------------------------------------------

    int AnyFader() { return Chance(70) ? IDC_BAND_FADER + Rand(NUM_BANDS) : kChannelFaders[Rand(4)]; }

    Gesture FaderGesture()
    {
        const int nId = AnyFader();
        auto* pFader = Ctl<CBitmapSlider>(nId);
        const QPoint thumb(pFader->width() / 2, pFader->GetThumbPixel());
        const std::string strFader = "fader " + std::to_string(nId);
        switch (Rand(5)) {
        case 0:
            QTest::mousePress(pFader, Qt::LeftButton, Qt::NoModifier, thumb);
            QTest::mouseRelease(pFader, Qt::LeftButton, Qt::NoModifier, thumb);
            Pump();
            return {"click on the thumb of " + strFader, true};
        case 1:
            PostWindowMessage(pFader, WM_SLIDER_TAKEFOCUS, 0, 0);
            Pump();
            return {"focus to " + strFader, true};
        case 2: {
            const int nDy = Rand(161) - 80;
            DragFader(nId, nDy);
            return {"drag " + strFader + " by " + std::to_string(nDy), false};
        }
        case 3: {
            const QPoint at(pFader->width() / 2, Rand(pFader->height()));
            QTest::mousePress(pFader, Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseRelease(pFader, Qt::LeftButton, Qt::NoModifier, at);
            Pump();
            return {"click " + strFader + " at y " + std::to_string(at.y()), false};
        }
        default: {
            static const int kKeys[] = {Qt::Key_Left,   Qt::Key_Right,    Qt::Key_Up,   Qt::Key_Down,
                                        Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End};
            const int nKey = kKeys[Rand(8)];
            PostWindowMessage(pFader, WM_SLIDER_TAKEFOCUS, 0, 0);
            Pump();
            const bool bWalk = nKey == Qt::Key_Left || nKey == Qt::Key_Right;
            Key(QApplication::focusWidget() ? QApplication::focusWidget() : pFader, nKey);
            return {"key " + std::to_string(nKey) + " on " + strFader, bWalk};
        }
        }
    }

    // A field that takes typing now.
    int AnyField()
    {
        for (;;) {
            if (Dlg().IsBusy())
                return IDC_GAIN_FIELD;  // the gesture finds it closed, as a user would
            int nId = 0;
            switch (Rand(5)) {
            case 0:
                nId = (Dlg().IsQMode() ? IDC_BAND_Q : IDC_BAND_GAIN) + Rand(NUM_BANDS);
                break;
            case 1:
                nId = IDC_GATE_FIELD + Rand(NUM_CHANNELS);
                break;
            case 2:
                nId = Chance(50) ? IDC_HPF_FIELD : IDC_LPF_FIELD;
                break;
            case 3:
                nId = IDC_GAIN_FIELD;
                break;
            default:
                nId = IDC_DELAY_FIELD;
                break;
            }
            if (Ctl<CNumEdit>(nId)->isEnabled() || Dlg().IsBusy())
                return nId;
        }
    }

    Gesture TypeGesture()
    {
        const int nId = AnyField();
        auto* pField = Ctl<CNumEdit>(nId);
        const CNumEditFormat& format = pField->Format();
        std::string strText;
        bool bGarbage = false;
        switch (Rand(4)) {
        case 0:
        case 1: {
            // A value the field can hold, as it would show it, sometimes with
            // a unit or blanks after it.
            const int v = format.GetMin() + Rand(format.GetMax() - format.GetMin() + 1);
            strText = format.Text(v);
            if (Chance(30))
                strText += Chance(50) ? "dB" : " ";
            break;
        }
        case 2:
            strText = Chance(50) ? "99999" : "-99999";
            break;
        default: {
            static const char* const kGarbage[] = {"abc", "#",   "",   " ",   "-",   ".",  "x5",
                                                   "OFF", "--3", "e5", "+-1", "nan", "inf"};
            strText = kGarbage[Rand(static_cast<int>(std::size(kGarbage)))];
            bGarbage = true;
            break;
        }
        }
        pField->setFocus();
        pField->selectAll();
        QTest::keyClicks(pField, QString::fromLatin1(strText.c_str()));
        const int nEnd = Rand(3);
        if (nEnd == 0)
            Key(pField, Qt::Key_Return);
        else if (nEnd == 1)
            Key(pField, Qt::Key_Escape);
        else
            Dlg().setFocus();
        Pump();
        static const char* const kEnds[] = {"Enter", "Escape", "leaving"};
        return {"'" + strText + "' into field " + std::to_string(nId) + ", " + kEnds[nEnd], bGarbage || nEnd == 1};
    }

    Gesture WheelGesture()
    {
        const int nId = AnyField();
        QWidget* pField = Dlg().GetDlgItem(nId);
        const int nDelta = (Chance(50) ? 1 : -1) * (Chance(50) ? 60 : 120);
        const QPointF at(pField->rect().center());
        QWheelEvent wheel(at, pField->mapToGlobal(at), QPoint(), QPoint(0, nDelta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(pField, &wheel);
        Pump();
        return {"wheel " + std::to_string(nDelta) + " on field " + std::to_string(nId), false};
    }

    Gesture KeyOrSwitchGesture()
    {
        switch (Rand(9)) {
        case 0: {
            const int nId = IDC_CHANNEL_BUTTON + Rand(NUM_CHANNELS);
            Click(nId);
            return {"channel key " + std::to_string(nId), true};
        }
        case 1: {
            const int nId = Chance(50) ? IDC_EQ_GAIN_MODE : IDC_EQ_Q_MODE;
            Click(nId);
            return {"fader mode key " + std::to_string(nId), true};
        }
        case 2: {
            const int nId = IDC_BAND_BYPASS + Rand(NUM_BANDS);
            Click(nId);
            return {"bypass " + std::to_string(nId), false};
        }
        case 3: {
            const int nId = Chance(50) ? IDC_OUTPUT_SWITCH + Rand(NUM_CHANNELS) : IDC_POLARITY + Rand(NUM_CHANNELS);
            Click(nId);
            return {"switch " + std::to_string(nId), false};
        }
        case 4: {
            const int nId = kSwitches[Rand(static_cast<int>(std::size(kSwitches)))];
            Click(nId);
            return {"key " + std::to_string(nId), false};
        }
        case 5: {
            const int nId = kLists[Rand(4)];
            const int nItem = Rand(Ctl<QComboBox>(nId)->count());
            Choose(nId, nItem);
            return {"list " + std::to_string(nId) + " item " + std::to_string(nItem), false};
        }
        case 6: {
            const int nId = IDC_LINK_LIST + Rand(NUM_CHANNELS);
            if (!Ctl<QComboBox>(nId)->isEnabled())
                return {"nothing (Linking locked)", true};
            const int nItem = Rand(NUM_CHANNELS);
            Choose(nId, nItem);
            return {"Linking " + std::to_string(nId) + " item " + std::to_string(nItem), false};
        }
        case 7:
            return ReadGesture();
        default: {
            const int nItem = Rand(3);
            Choose(IDC_DELAY_UNIT, nItem);
            return {"delay unit " + std::to_string(nItem), true};
        }
        }
    }

    // READ of a slot: the window and the device's live setting both take it,
    // as one step once the read is in.
    Gesture ReadGesture()
    {
        const int r = Rand(NUM_SLOT_ROWS);
        Click(IDC_SLOT_RADIO + r);
        Click(IDC_READ);
        EXPECT_TRUE(RunLink([&] { return !Dlg().IsBusy(); }, "the read"));
        return {"READ of PreS" + std::to_string(r + 1), false};
    }

    // WRITE to a slot under a new name, up to the first block stored, when
    // the window takes clicks again.
    std::string StartWrite()
    {
        EXPECT_TRUE(RunLink([&] { return !Dlg().IsBusy(); }, "the window to take clicks"));
        const int r = Rand(NUM_SLOT_ROWS);
        const std::string strName = "W" + std::to_string(Rand(10000));
        Click(IDC_SLOT_RADIO + r);
        Ctl<QLineEdit>(IDC_SLOT_NAME + r)->setText(QString::fromStdString(strName));
        Click(IDC_WRITE);
        EXPECT_TRUE(RunLink([&] { return !Dlg().IsBusy(); }, "the write's first block"));
        return "WRITE of " + strName + " to PreS" + std::to_string(r + 1) + ", ";
    }

    Gesture OpenGesture()
    {
        const bool bGood = Chance(50);
        m_strChosen = (m_dir / (bGood ? "good.dia" : "damaged.dia")).string();
        Click(IDC_OPEN);
        m_strChosen.clear();
        return {bGood ? "Open of a preset" : "Open of a damaged file", !bGood};
    }

    Gesture FittedEqGesture()
    {
        const int k = Dlg().GetCurChannel();
        std::array<int, NUM_BANDS> anGain{};
        for (int b = 0; b < NUM_BANDS; ++b)
            anGain[static_cast<std::size_t>(b)] = Chance(40) ? Channel(k).GetGain(b) : 140 + Rand(121);
        Dlg().ApplyFittedGains(k, anGain);
        Pump();
        return {"a fitted EQ on channel " + std::to_string(k), false};
    }

    // A measurement of the shown channel loaded, "Fit EQ…" chosen with a
    // boost limit of the moment, and applied or cancelled; once applied,
    // the device holds what the window shows.
    Gesture FitDialogGesture()
    {
        if (Dlg().IsBusy())
            return {"nothing (no menu while busy)", true};
        const int k = Dlg().GetCurChannel();
        if (!Dlg().GetMeasurement(k).IsLoaded()) {
            synthetic::Speaker speaker;
            speaker.aMode = {{40.0 + Rand(80), 6, 4}, {150.0 + Rand(200), -7, 5}, {1000.0 + Rand(3000), 4, 2}};
            m_strChosen = (m_dir / "measured.txt").string();
            std::ofstream(m_strChosen) << synthetic::ExportText(synthetic::LogSweep(speaker, 20, 20000, 24));
            GraphMenu("Load Measurement...");
            m_strChosen.clear();
            EXPECT_TRUE(Dlg().GetMeasurement(k).IsLoaded());
        }
        const bool bApply = Chance(80);
        const int nBoost = Rand(7);
        CFitEqDialog::SetModalRunner([&](CFitEqDialog& dialog) {
            dialog.BoostBox()->setValue(nBoost);
            return static_cast<int>(bApply ? QDialog::Accepted : QDialog::Rejected);
        });
        GraphMenu("Fit EQ to Measurement...");
        CFitEqDialog::SetModalRunner({});
        const std::string strWhat = "Fit EQ with boost " + std::to_string(nBoost) + " dB on channel " +
                                    std::to_string(k) + (bApply ? ", applied" : ", cancelled");
        if (bApply && Chance(50))
            ExpectDeviceEqualsThePreset("after " + strWhat + ", seed " + std::to_string(m_nSeed));
        return {strWhat, !bApply};
    }

    // "Measure…" of some channels with a sound of the test's own, now and
    // then stopped at once or in the middle of a sweep: a channel measured
    // has its measurement, and the device holds the preset again.
    Gesture MeasureGesture()
    {
        if (Dlg().IsBusy())
            return {"nothing (no menu while busy)", true};
        // Channels as bits, never none.
        const int nChannels = 1 + Rand((1 << NUM_CHANNELS) - 1);
        std::string strWhat = "Measure of channels " + std::to_string(nChannels) + " (bits)";
        enum { NoStop, StopAtOnce, StopInSweep };
        const int nStop = Chance(70) ? NoStop : Chance(50) ? StopAtOnce : StopInSweep;
        strWhat += nStop == NoStop ? "" : nStop == StopAtOnce ? ", stopped at once" : ", stopped in a sweep";
        const int nDelay = Rand(2000);
        CMeasureDialog::SetSound(
            {[](std::vector<PwNodeInfo>& aNodes, std::string&) {
                 aNodes = {{"test-out", "", "Audio/Sink", 2, 48000}, {"test-in", "", "Audio/Source", 2, 48000}};
                 return true;
             },
             [=](const PwTakeSetup&) {
                 return PlayAndRecord([=](const std::vector<float>& afSweep, const std::atomic<bool>& bStop,
                                          std::vector<std::vector<float>>& aRecorded, std::string& strError) {
                     while (nStop == StopInSweep && !bStop)
                         std::this_thread::sleep_for(std::chrono::milliseconds(1));
                     if (bStop) {
                         strError = "interrupted";
                         return false;
                     }
                     aRecorded = FakeRecording(afSweep, nDelay, false);
                     return true;
                 });
             }});
        CMeasureDialog::SetModalRunner([&](CMeasureDialog& dialog) {
            Dlg().StartLinkTimer();
            EXPECT_TRUE(dialog.SelectOutput("test-out", -1));
            EXPECT_TRUE(dialog.SelectInput("test-in", 0, 1));
            dialog.SweepBox()->setValue(0.5);
            for (int k = 0; k < NUM_CHANNELS; ++k)
                dialog.ChannelBox(k)->setChecked((nChannels >> k) & 1);
            EXPECT_TRUE(dialog.Run(MeasureMode::Measure)) << dialog.GetFiguresText().toStdString();
            while (nStop == StopInSweep && dialog.GetStage() != CMeasureRun::Stage::Taking && dialog.IsRunning())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (nStop != NoStop)
                dialog.Stop();
            dialog.WaitUntilDone();
            Dlg().StopLinkTimer();
            return static_cast<int>(QDialog::Rejected);
        });
        GraphMenu("Measure\u2026");
        CMeasureDialog::SetModalRunner({});
        CMeasureDialog::SetSound({});
        const std::string strWhere = "after " + strWhat + ", seed " + std::to_string(m_nSeed);
        for (int k = 0; k < NUM_CHANNELS; ++k)
            EXPECT_TRUE(nStop != NoStop || !((nChannels >> k) & 1) || Dlg().GetMeasuredFiles(k).size() == 1u)
                << "channel " << k << " unmeasured " << strWhere;
        ExpectDeviceEqualsThePreset(strWhere);
        return {strWhat, false};
    }

    Gesture UndoRedoGesture()
    {
        const int n = 1 + Rand(15);
        std::string strWhat;
        for (int i = 0; i < n; ++i) {
            const bool bUndo = Chance(60);
            bUndo ? Dlg().Undo() : Dlg().Redo();
            strWhat += bUndo ? "U" : "R";
        }
        Pump();
        return {"undo and redo " + strWhat, false};
    }

    // CONNECT while connected, often with changes on their way, sometimes a
    // second click that stops them; then connected again.
    Gesture ConnectGesture()
    {
        const int nTicks = Rand(4);
        const std::string strWrite = Chance(25) ? StartWrite() : std::string();
        const bool bBusy = Dlg().IsBusy();
        Click(IDC_LINK);
        // During a transfer's first block the window takes no clicks.
        if (bBusy && Dlg().IsConnected() && !Dlg().IsWaitingForChanges())
            return {"CONNECT while a transfer holds the input", false};
        for (int i = 0; i < nTicks && Dlg().IsConnected(); ++i)
            Tick();
        const bool bStopped = Dlg().IsWaitingForChanges() && Chance(50);
        if (bStopped)
            Click(IDC_LINK);
        const std::string strWhat =
            strWrite + "CONNECT after " + std::to_string(nTicks) + " ticks" + (bStopped ? ", stopped" : "");
        EXPECT_TRUE(RunLink([&] { return !Dlg().IsConnected(); }, "the link to close"));
        ExpectDeviceEqualsOrSaid(bStopped, strWhat + ", seed " + std::to_string(m_nSeed));
        ReconnectChangingNothingFound(bStopped, strWhat + ", seed " + std::to_string(m_nSeed));
        return {strWhat, false};
    }

    // Closing the window with each answer of its questions, sometimes
    // stopping what it still sends; a window that closed starts again.
    Gesture CloseGesture()
    {
        static const MessageAnswer kAnswers[] = {MessageAnswer::Save, MessageAnswer::Discard, MessageAnswer::Cancel};
        const MessageAnswer answer = kAnswers[Rand(3)];
        m_answer = answer;
        m_strChosen = (m_dir / ("closed" + std::to_string(++m_nClosed) + ".dia")).string();
        const std::size_t nBoxes = m_boxes.size();
        Dlg().close();
        Pump();
        const int nTicks = Rand(3);
        for (int i = 0; i < nTicks && Dlg().IsWaitingForChanges(); ++i)
            Tick();
        const bool bStopped = Dlg().GetSendingBox() && Chance(50);
        if (bStopped)
            QTest::mouseClick(Dlg().GetSendingBox()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel),
                              Qt::LeftButton);
        const std::string strWhat = "closing, answer " + std::to_string(static_cast<int>(answer)) +
                                    (bStopped ? ", stopped" : "") + ", seed " + std::to_string(m_nSeed);
        EXPECT_TRUE(RunLink([&] { return !Dlg().IsWaitingForChanges(); }, "the window to send and close"));
        EXPECT_TRUE(!Dlg().isVisible() || !Dlg().IsConnected() || m_boxes.size() == nBoxes) << strWhat;
        ExpectDeviceEqualsOrSaid(bStopped, strWhat);
        m_answer = MessageAnswer::Ok;
        m_strChosen.clear();
        if (!Dlg().isVisible()) {
            m_pFilter.reset();
            m_pDlg.reset();
            g_bBassLink = false;  // a new run of the program starts in stereo mode
            StartWindow();
            m_pFilter = std::make_unique<KeyboardFilter>(Dlg());
            Reconnect();
        } else if (!Dlg().IsConnected()) {
            ReconnectChangingNothingFound(bStopped, strWhat);
        }
        return {strWhat, false};
    }

    Gesture NextGesture()
    {
        const int n = Rand(100);
        if (n < 35)
            return FaderGesture();
        if (n < 62)
            return TypeGesture();
        if (n < 68)
            return WheelGesture();
        if (n < 91)
            return KeyOrSwitchGesture();
        if (n < 94)
            return OpenGesture();
        if (n < 96) {
            const int nTuning = Rand(3);
            return nTuning == 0 ? FittedEqGesture() : nTuning == 1 ? FitDialogGesture() : MeasureGesture();
        }
        if (!m_bEdges)
            return KeyOrSwitchGesture();
        if (n < 98)
            return UndoRedoGesture();
        return Chance(70) ? ConnectGesture() : CloseGesture();
    }

    // With a device server in front of the device, connecting goes now and
    // then through it, to an address typed into the port list (raw or
    // telnet), and otherwise to the device's own port from the list.
    std::string ChoosePort()
    {
        QComboBox* pList = Ctl<QComboBox>(IDC_PORT_LIST);
        if (!m_pSer2net)
            return pList->currentText().toStdString();
        EXPECT_TRUE(m_pSer2net->AwaitDevicesFree());
        std::string strPort = m_pSim->GetPortPath();
        if (Chance(50)) {
            strPort = Chance(50) ? m_pSer2net->At(0).strRaw : m_pSer2net->At(0).strTelnet;
            pList->lineEdit()->clear();
            QTest::keyClicks(pList->lineEdit(), QString::fromStdString(strPort));
        } else {
            pList->setCurrentIndex(pList->findText(QString::fromStdString(strPort)));
        }
        return strPort;
    }

    void Reconnect()
    {
        const std::string strPort = ChoosePort();
        Click(IDC_LINK);
        ASSERT_TRUE(Dlg().IsConnected()) << strPort << (m_boxes.empty() ? "" : ": " + m_boxes.back().strText);
        // The list shows the port in use, a typed one as an item of its own.
        QComboBox* pList = Ctl<QComboBox>(IDC_PORT_LIST);
        EXPECT_EQ(pList->itemText(pList->currentIndex()).toStdString(), strPort);
        Dlg().StopLinkTimer();
        ASSERT_TRUE(Drain());
    }

    // Connecting to a device that holds the window's preset and name (all
    // of it arrived, a crossover on its way included) keeps the preset, the
    // links and the history as they are.
    void ReconnectChangingNothingFound(bool bStopped, const std::string& strWhere)
    {
        const bool bHeld = (!bStopped || Dlg().GetDeviceLink().GetUndelivered().IsEmpty()) && DeviceDiffers().empty() &&
                           DeviceName(0) == Dlg().GetPresetName(0);
        const CPresetSnapshot before = CPresetSnapshot::Take(Dlg().GetRoute(), Dlg().GetPresetName(0));
        const std::size_t nSteps = Dlg().GetHistory().GetUndoCount();
        Reconnect();
        if (bHeld) {
            EXPECT_TRUE(CPresetSnapshot::Take(Dlg().GetRoute(), Dlg().GetPresetName(0)) == before)
                << "a reconnect changed the window's preset or links, " << strWhere;
            EXPECT_EQ(Dlg().GetHistory().GetUndoCount(), nSteps) << strWhere;
        }
    }

    // The device's stored slots carry the names shown beside PreS1..PreS5.
    void ExpectSlotNamesShown(const std::string& strWhere)
    {
        for (int r = 0; r < NUM_SLOT_ROWS; ++r)
            EXPECT_EQ(DeviceName(r + 1), Ctl<QLineEdit>(IDC_SLOT_NAME + r)->text().toStdString())
                << "PreS" << r + 1 << " " << strWhere;
    }

    // After a disconnect the device's live slot is the window's preset, but
    // for what the window said did not arrive.
    void ExpectDeviceEqualsOrSaid(bool bStopped, const std::string& strWhere)
    {
        ExpectSlotNamesShown(strWhere);
        const CUndelivered& undelivered = Dlg().GetDeviceLink().GetUndelivered();
        for (const auto& [k, nFrame] : DeviceDiffers())
            EXPECT_TRUE(bStopped && undelivered.Covers(k, nFrame))
                << "channel " << k << " frame " << nFrame << " differs unsaid, " << strWhere;
        if (DeviceName(0) != Trimmed(Dlg().GetPresetName(0).substr(0, PRESET_NAME_LEN))) {
            EXPECT_TRUE(bStopped && undelivered.CoversName()) << "the name differs unsaid, " << strWhere;
        }
        if (bStopped && !undelivered.IsEmpty()) {
            const bool bSaid = std::any_of(m_boxes.begin(), m_boxes.end(), [](const Box& box) {
                return box.strText.find("Not every change reached the device") != std::string::npos;
            });
            EXPECT_TRUE(bSaid) << strWhere;
        }
    }

    // ---- what must hold ---------------------------------------------------

    // Every fader and field of the window shows what the preset holds.
    void ExpectViewsShowThePreset(const std::string& strWhere)
    {
        const CTALVData& ch = Channel(Dlg().GetCurChannel());
        auto expectField = [&](int nId, int nStored) {
            auto* pField = Ctl<CNumEdit>(nId);
            const int nShown = pField->Format().Silent(pField->text().toLatin1().toStdString(), INT_MIN).nValue;
            EXPECT_EQ(nShown, nStored) << "field " << nId << " shows '" << pField->text().toStdString() << "' "
                                       << strWhere;
        };
        auto expectFader = [&](int nId, int nInverted) {
            EXPECT_EQ(Ctl<CBitmapSlider>(nId)->GetInvertedPos(), nInverted) << "fader " << nId << " " << strWhere;
        };
        for (int b = 0; b < NUM_BANDS; ++b) {
            expectFader(IDC_BAND_FADER + b, Dlg().IsQMode() ? ch.GetQ(b) : ch.GetGain(b));
            expectField(IDC_BAND_GAIN + b, ch.GetGain(b));
            expectField(IDC_BAND_Q + b, ch.GetQ(b));
            EXPECT_EQ(Ctl<CBitButton>(IDC_BAND_BYPASS + b)->GetCheck() != 0, ch.IsBandBypassed(b) != 0)
                << "band switch " << b << " " << strWhere;
        }
        expectFader(IDC_GAIN_FADER, ch.GetChannelGain());
        expectField(IDC_GAIN_FIELD, ch.GetChannelGain());
        expectFader(IDC_DELAY_FADER, ch.GetDelay());
        expectField(IDC_DELAY_FIELD, ch.GetDelay());
        for (const auto& [nFader, nField, nFreq] : {std::tuple{IDC_HPF_FADER, IDC_HPF_FIELD, ch.GetHpfFreq()},
                                                    std::tuple{IDC_LPF_FADER, IDC_LPF_FIELD, ch.GetLpfFreq()}}) {
            auto* pFader = Ctl<CBitmapSlider>(nFader);
            EXPECT_EQ(pFader->GetPos(), pFader->PosOfFrequency(nFreq)) << "fader " << nFader << " " << strWhere;
            expectField(nField, nFreq);
        }
        EXPECT_EQ(Ctl<QComboBox>(IDC_HPF_TYPE)->currentIndex(), ch.GetHpfType()) << strWhere;
        EXPECT_EQ(Ctl<QComboBox>(IDC_HPF_SLOPE)->currentIndex(), ch.GetHpfSlope()) << strWhere;
        EXPECT_EQ(Ctl<QComboBox>(IDC_LPF_TYPE)->currentIndex(), ch.GetLpfType()) << strWhere;
        EXPECT_EQ(Ctl<QComboBox>(IDC_LPF_SLOPE)->currentIndex(), ch.GetLpfSlope()) << strWhere;
        for (int k = 0; k < NUM_CHANNELS; ++k) {
            expectField(IDC_GATE_FIELD + k, Channel(k).GetGateThreshold());
            EXPECT_EQ(Ctl<CBitButton>(IDC_POLARITY + k)->GetCheck() != 0, Channel(k).GetPolarity() != 0)
                << "polarity " << k << " " << strWhere;
            EXPECT_EQ(Ctl<CBitButton>(IDC_OUTPUT_SWITCH + k)->GetCheck() != 0, Channel(k).GetOutputOn() != 0)
                << "output " << k << " " << strWhere;
            EXPECT_EQ(Ctl<QComboBox>(IDC_LINK_LIST + k)->currentIndex(), g_anLinkGroup[k])
                << "Linking " << k << " " << strWhere;
        }
    }

    void ExpectDeviceEqualsThePreset(const std::string& strWhere)
    {
        ASSERT_TRUE(Drain()) << "the link did not drain " << strWhere;
        for (int k = 0; k < NUM_CHANNELS; ++k)
            ExpectDeviceHolds(0, k, strWhere);
        EXPECT_EQ(DeviceName(0), Trimmed(Dlg().GetPresetName(0).substr(0, PRESET_NAME_LEN))) << strWhere;
        ExpectSlotNamesShown(strWhere);
    }

    void WritePresetFiles()
    {
        CTALVRoute route;
        std::mt19937 rng(m_rng());
        route.SetName("GOOD" + std::to_string(rng() % 1000));
        for (int k = 0; k < NUM_CHANNELS; ++k) {
            CTALVData& ch = route.GetChannel(k);
            for (int b = 0; b < NUM_BANDS; b += 1 + static_cast<int>(rng() % 4))
                ch.SetGain(static_cast<short>(rng() % 401), b);
            ch.SetHpfFreq(static_cast<short>(20 + rng() % 200));
            ch.SetLpfFreq(static_cast<short>(2000 + rng() % 18000));
            ch.SetDelay(static_cast<short>(rng() % 961));
            ch.SetChannelGain(static_cast<short>(rng() % 801));
        }
        std::string strError;
        ASSERT_TRUE(SavePresetFile((m_dir / "good.dia").string(), route, strError)) << strError;
        std::vector<std::uint8_t> bytes;
        ASSERT_TRUE(ReadFileBytes((m_dir / "good.dia").string(), bytes, strError));
        bytes.resize(bytes.size() / 2);
        ASSERT_TRUE(WriteFileAtomically((m_dir / "damaged.dia").string(), bytes, strError));
    }

    std::mt19937 m_rng;
    unsigned long m_nSeed = 0;
    bool m_bEdges = false;  // CONNECT, closing and runs of undo among the gestures
    int m_nClosed = 0;
    std::unique_ptr<KeyboardFilter> m_pFilter;
    std::unique_ptr<CSer2net> m_pSer2net;
};

TEST_F(WindowGestureTest, NoGestureChangesTheDeviceUnaskedAndTheViewsAlwaysShowThePreset)
{
    const unsigned long nSeed = m_nSeed = GestureSeed();
    const unsigned long nGestures = EnvNumber("VARDEN_GESTURES", 2000);
    m_rng.seed(static_cast<std::mt19937::result_type>(nSeed));
    m_bEdges = true;
    m_pSer2net = std::make_unique<CSer2net>(std::vector<std::string>{m_pSim->GetPortPath()});
    WritePresetFiles();
    m_pFilter = std::make_unique<KeyboardFilter>(Dlg());
    Connect();
    for (unsigned long n = 1; n <= nGestures; ++n) {
        AwaitAnswer();
        const Snapshot before = Take();
        const Gesture gesture = NextGesture();
        const std::string strWhere =
            "after gesture " + std::to_string(n) + " (" + gesture.strWhat + "), seed " + std::to_string(nSeed);
        if (gesture.bInert) {
            ASSERT_TRUE(Take() == before) << "the preset or the frames for the device changed " << strWhere;
        }
        ExpectViewsShowThePreset(strWhere);
        ASSERT_FALSE(HasFailure()) << strWhere;
        ASSERT_TRUE(Dlg().IsConnected()) << strWhere;
        if (Chance(30))
            Tick();
        if (n % 100 == 0 || n == nGestures) {
            ExpectDeviceEqualsThePreset(strWhere);
            ASSERT_FALSE(HasFailure()) << strWhere;
        }
    }
}

TEST_F(WindowGestureTest, UndoAndRedoWalkThroughEveryStepAndTheDeviceFollows)
{
    const unsigned long nSeed = m_nSeed = GestureSeed();
    // Within what the history keeps, so every step can be walked.
    const unsigned long nGestures = std::min<unsigned long>(EnvNumber("VARDEN_GESTURES", 2000) / 10, 200);
    m_rng.seed(static_cast<std::mt19937::result_type>(nSeed));
    WritePresetFiles();
    m_pFilter = std::make_unique<KeyboardFilter>(Dlg());
    Connect();
    auto snap = [this] { return CPresetSnapshot::Take(Dlg().GetRoute(), Dlg().GetPresetName(0)); };
    // The preset after each step; [0] before the first. Connecting (reading
    // the live preset) made steps of its own already.
    const std::size_t nBase = Dlg().GetHistory().GetUndoCount();
    std::vector<CPresetSnapshot> after{snap()};
    for (unsigned long n = 1; n <= nGestures; ++n) {
        const Gesture gesture = NextGesture();
        const std::size_t nSteps = Dlg().GetHistory().GetUndoCount() - nBase;
        ASSERT_LE(nSteps, after.size()) << "gesture " << n << " (" << gesture.strWhat << ") made two steps, seed "
                                        << nSeed;
        if (nSteps == after.size())
            after.push_back(snap());
        else
            after.back() = snap();  // a drag or a Read ends its step later
        if (Chance(30))
            Tick();
    }
    ASSERT_TRUE(Drain());
    after.back() = snap();

    // Back to the start, step by step, by key and by the menu's action alike;
    // then forward again to the end.
    const std::string strSeed = ", seed " + std::to_string(nSeed);
    for (std::size_t i = after.size() - 1; i > 0; --i) {
        const std::string strWhere =
            "undoing step " + std::to_string(i) + " (" + Dlg().GetHistory().UndoLabel() + ")" + strSeed;
        if (Chance(50)) {
            Dlg().setFocus();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
            QApplication::sendEvent(&Dlg(), &press);
            Pump();
        } else {
            Dlg().Undo();
        }
        ASSERT_TRUE(snap() == after[i - 1]) << strWhere;
        ExpectViewsShowThePreset(strWhere);
        if (i % 25 == 0)
            ExpectDeviceEqualsThePreset(strWhere);
        ASSERT_FALSE(HasFailure()) << strWhere;
    }
    ASSERT_EQ(Dlg().GetHistory().GetUndoCount(), nBase);
    for (std::size_t i = 1; i < after.size(); ++i) {
        Dlg().Redo();
        ASSERT_TRUE(snap() == after[i]) << "redoing step " << i << strSeed;
    }
    ExpectViewsShowThePreset("at the end again" + strSeed);
    ExpectDeviceEqualsThePreset("at the end again" + strSeed);
}
