// What a desktop editor is expected to do: whole actions taken back and done
// again, settings remembered between runs, recent files, dropped files and the
// question before closing over unsaved changes.
#include "WindowFixture.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <fstream>
#include <random>

#include "PresetFile.h"
#include "PresetSnapshot.h"

namespace {
// A key with Ctrl, to where the focus is, as the keyboard delivers it.
void SendCtrlKey(QWidget* pWindow, int nKey, Qt::KeyboardModifiers extra = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, nKey, Qt::ControlModifier | extra);
    QWidget* pFocus = QApplication::focusWidget();
    QApplication::sendEvent(pFocus ? pFocus : pWindow, &press);
    WindowTest::Pump();
}

bool Drop(QWidget& target, const std::filesystem::path& file)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    WindowTest::Pump();
    return true;
}
}  // namespace

TEST_F(WindowTest, EachActionIsOneStepNamedForWhatItUndoes)
{
    KeyboardFilter filter(Dlg());
    const CUndoHistory& history = Dlg().GetHistory();
    EXPECT_FALSE(history.CanUndo());

    // A drag is one step from press to release, however often it reports.
    auto* pFader = Ctl<CBitmapSlider>(IDC_BAND_FADER + 4);
    const QPoint thumb(pFader->width() / 2, pFader->GetThumbPixel());
    QTest::mousePress(pFader, Qt::LeftButton, Qt::NoModifier, thumb);
    for (int dy : {-10, -25, -40}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(thumb + QPoint(0, dy)), pFader->mapToGlobal(QPointF(thumb)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(pFader, &move);
        QTest::qWait(CBitmapSlider::SLIDER_TIMER_MS + 50);  // the fader reports the move
    }
    QTest::mouseRelease(pFader, Qt::LeftButton, Qt::NoModifier, thumb + QPoint(0, -40));
    Pump();
    ASSERT_GT(Channel(0).GetGain(4), 200);
    EXPECT_EQ(history.GetUndoCount(), 1u);
    EXPECT_EQ(history.UndoLabel(), "band 5 gain");

    Choose(IDC_LINK_LIST + 1, 0);
    EXPECT_EQ(history.UndoLabel(), "Linking");
    std::string strError;
    CTALVRoute file;
    file.GetChannel(2).SetDelay(480);
    ASSERT_TRUE(SavePresetFile((m_dir / "x.dia").string(), file, strError));
    m_strChosen = (m_dir / "x.dia").string();
    Click(IDC_OPEN);
    EXPECT_EQ(history.UndoLabel(), "Open");
    EXPECT_EQ(history.GetUndoCount(), 3u);

    // Back through Open and Linking by key, and forward again.
    SendCtrlKey(&Dlg(), Qt::Key_Z);
    EXPECT_EQ(Channel(2).GetDelay(), 0);
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("VARDEN(V13.1)"));
    EXPECT_EQ(g_anLinkGroup[1], 0) << "the links of the moment before Open";
    SendCtrlKey(&Dlg(), Qt::Key_Z);
    EXPECT_EQ(g_anLinkGroup[1], 1);
    EXPECT_EQ(Ctl<QComboBox>(IDC_LINK_LIST + 1)->currentIndex(), 1);
    EXPECT_EQ(history.RedoLabel(), "Linking");
    SendCtrlKey(&Dlg(), Qt::Key_Y);
    SendCtrlKey(&Dlg(), Qt::Key_Z, Qt::ShiftModifier);
    EXPECT_EQ(Channel(2).GetDelay(), 480);
    EXPECT_EQ(Dlg().windowTitle(), QStringLiteral("VARDEN  x"));
    EXPECT_FALSE(history.CanRedo());

    // In a field the keys take back the typing, not a step.
    QLineEdit* pField = Ctl<QLineEdit>(IDC_GAIN_FIELD);
    pField->setFocus();
    const QString strShown = pField->text();
    QTest::keyClicks(pField, "7");
    SendCtrlKey(pField, Qt::Key_Z);
    EXPECT_EQ(pField->text(), strShown);
    EXPECT_EQ(Channel(2).GetDelay(), 480);
    EXPECT_EQ(history.GetUndoCount(), 3u);

    // A bypassed band's gain comes back through undo and bypass alike.
    Dlg().setFocus();
    Type(IDC_BAND_GAIN + 8, "4");
    Click(IDC_BAND_BYPASS + 8);
    SendCtrlKey(&Dlg(), Qt::Key_Z);
    SendCtrlKey(&Dlg(), Qt::Key_Y);
    Click(IDC_BAND_BYPASS + 8);
    EXPECT_EQ(Channel(0).GetGain(8), 240);

    // A write to a device slot is no step: the device keeps what it got.
    Connect();
    const std::size_t nSteps = history.GetUndoCount();
    Click(IDC_WRITE);
    ASSERT_TRUE(Drain());
    EXPECT_EQ(history.GetUndoCount(), nSteps);
}

TEST_F(WindowTest, SettingsRecentFilesDropAndTheCloseQuestion)
{
    // Connecting remembers the port; Save and Open remember the files and
    // the dialogs' places.
    Connect();
    m_strChosen = (m_dir / "MusicFile" / "live").string();
    Click(IDC_SAVE);
    Click(IDC_LINK);
    const std::string strLive = (m_dir / "MusicFile" / "live.dia").string();
    CAppSettings settings;
    EXPECT_EQ(settings.GetLastPort(), m_pSim->GetPortPath());
    EXPECT_EQ(settings.GetRecentFiles(), std::vector<std::string>{strLive});
    EXPECT_EQ(settings.GetDialogPath("save"), (m_dir / "MusicFile" / "live").string());
    for (int i = 0; i < CAppSettings::MAX_RECENT + 2; ++i)
        settings.AddRecentFile((m_dir / ("f" + std::to_string(i) + ".dia")).string());
    settings.AddRecentFile(strLive);
    const std::vector<std::string> recent = settings.GetRecentFiles();
    ASSERT_EQ(recent.size(), std::size_t(CAppSettings::MAX_RECENT));
    EXPECT_EQ(recent.front(), strLive);

    // A recent file opens as Open does; one that is gone leaves the list.
    Type(IDC_BAND_GAIN + 2, "5");
    m_pDlg->OpenRecent(strLive);
    EXPECT_EQ(Channel(0).GetGain(2), 200);
    EXPECT_EQ(Dlg().GetHistory().UndoLabel(), "Open");
    m_boxes.clear();
    m_pDlg->OpenRecent(recent[1]);
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"f9.dia is no longer there; it is taken off the recent files."});
    EXPECT_EQ(CAppSettings().GetRecentFiles().size(), recent.size() - 1);

    // A dropped preset opens; a damaged one changes nothing.
    Type(IDC_BAND_GAIN + 2, "5");
    EXPECT_TRUE(Drop(Dlg(), strLive));
    EXPECT_EQ(Channel(0).GetGain(2), 200);
    std::ofstream(m_dir / "bad.dia") << "not a preset";
    Type(IDC_BAND_GAIN + 2, "5");
    m_boxes.clear();
    EXPECT_TRUE(Drop(Dlg(), m_dir / "bad.dia"));
    const std::string strBad = "MusicFile read Error\n" + (m_dir / "bad.dia").string() +
                               ": not a preset file: it ends after 12 of at least 1121 bytes";
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{strBad});
    EXPECT_EQ(Channel(0).GetGain(2), 250);
    // A recent file that cannot be read says why and leaves the list.
    CAppSettings().AddRecentFile((m_dir / "bad.dia").string());
    m_boxes.clear();
    m_pDlg->OpenRecent((m_dir / "bad.dia").string());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{strBad});
    EXPECT_EQ(CAppSettings().GetRecentFiles().front(), strLive);
    EXPECT_FALSE(Drop(Dlg(), m_dir / "settings.conf")) << "only preset files are taken";

    // Closing over changes asks; Cancel keeps the window, Save saves first.
    m_boxes.clear();
    m_answer = MessageAnswer::Cancel;
    EXPECT_FALSE(Dlg().close());
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Save changes to the preset?"});
    EXPECT_EQ(m_boxes[0].buttons, MessageButtons::SaveDiscardCancel);
    m_answer = MessageAnswer::Save;
    m_strChosen = (m_dir / "MusicFile" / "kept").string();
    EXPECT_TRUE(Dlg().close());
    std::vector<std::uint8_t> bytes;
    std::string strError;
    ASSERT_TRUE(ReadFileBytes((m_dir / "MusicFile" / "kept.dia").string(), bytes, strError));
    // Unchanged since it was opened: no question; its place is remembered.
    StartWindow();
    m_boxes.clear();
    Dlg().move(40, 30);
    EXPECT_TRUE(Dlg().close());
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(CAppSettings().GetWindowPos(), QPoint(40, 30));
    StartWindow();
    EXPECT_EQ(Dlg().pos(), QPoint(40, 30));
    Type(IDC_BAND_GAIN + 2, "1");
    m_answer = MessageAnswer::Discard;
    EXPECT_TRUE(Dlg().close());
}

TEST_F(WindowTest, RememberedPortComesFirstAndBadSettingsFilesAreNoHarm)
{
    // The remembered port is chosen at start; without it, the USB rule.
    CAppSettings().SetLastPort("ttyS11");
    {
        CVardenDlg bare;
        bare.SetDiscoveryOptions(FakeMachine({"ttyS10", "ttyS11"}, {"ttyUSB0"}));
        bare.OnInitDialog();
        EXPECT_EQ(bare.Item<QComboBox>(IDC_PORT_LIST)->currentText(), QStringLiteral("ttyS11"));
    }
    // A stable name finds the adapter on the number it has now; a port
    // discovery does not list is offered while it is there.
    const SerialDiscoveryOptions machine = FakeMachine({}, {"ttyUSB1"});
    std::filesystem::create_directories(m_dir / "dev/serial/by-id");
    std::filesystem::create_symlink("../../ttyUSB1", m_dir / "dev/serial/by-id/usb-X");
    std::ofstream(m_dir / "pts7").put('\n');
    for (const std::string& strLast : {(m_dir / "dev/serial/by-id/usb-X").string(), (m_dir / "pts7").string()}) {
        CAppSettings().SetLastPort(strLast);
        CVardenDlg bare;
        bare.SetDiscoveryOptions(machine);
        bare.OnInitDialog();
        EXPECT_EQ(bare.Item<QComboBox>(IDC_PORT_LIST)->currentText().toStdString(),
                  strLast.find("usb-X") != std::string::npos ? "ttyUSB1" : strLast);
    }

    // A damaged file: defaults and one line on stderr, and the window works.
    const QByteArray oldSettings = qgetenv(CAppSettings::ENV_FILE);
    const std::filesystem::path damaged = m_dir / "damaged.conf";
    std::ofstream(damaged)
        << "[files]\nrecent=/a.dia, @Invalid(\n[window]\nposition=somewhere\n[link]\nport=/dev/ttyX\n";
    qputenv(CAppSettings::ENV_FILE, QByteArray::fromStdString(damaged.string()));
    testing::internal::CaptureStderr();
    StartWindow();
    QMenu menu;
    m_pDlg->AddRecentMenu(menu);
    std::string strErr = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(strErr.begin(), strErr.end(), '\n'), 1) << strErr;
    EXPECT_NE(strErr.find("damaged"), std::string::npos) << strErr;
    EXPECT_TRUE(menu.actions().front()->menu()->isEnabled()) << "the good recent file stays";
    // On exit it is replaced by a clean file and kept beside it; the next
    // start is silent.
    m_pDlg.reset();
    EXPECT_TRUE(std::filesystem::exists(damaged.string() + ".bad"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(CAppSettings().GetRecentFiles(), std::vector<std::string>{"/a.dia"});
    EXPECT_EQ(CAppSettings().GetLastPort(), "/dev/ttyX") << "what could be read is kept";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // One that cannot be written: the same, and saving still works.
    std::ofstream(m_dir / "plain") << "x";
    qputenv(CAppSettings::ENV_FILE, QByteArray::fromStdString((m_dir / "plain" / "varden.conf").string()));
    StartWindow();
    testing::internal::CaptureStderr();
    m_strChosen = (m_dir / "MusicFile" / "still").string();
    m_answer = MessageAnswer::Yes;  // replace it the second time
    Click(IDC_SAVE);
    Click(IDC_SAVE);
    strErr = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(strErr.begin(), strErr.end(), '\n'), 1) << strErr;
    EXPECT_NE(strErr.find("cannot be written"), std::string::npos) << strErr;
    EXPECT_TRUE(std::filesystem::exists(m_dir / "MusicFile" / "still.dia"));
    qputenv(CAppSettings::ENV_FILE, oldSettings);
}

// Damage costs only what is damaged: a bad recent entry leaves the others,
// and a file that is not settings text at all is kept aside as .bad, once
// said, as any other damaged file.
TEST_F(WindowTest, SettingsDamageCostsOnlyWhatIsDamagedAndIsKeptAside)
{
    std::mt19937 rng(28);
    std::string strRandom(3000, '\0');
    for (char& c : strRandom)
        c = static_cast<char>(rng());
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"[files]\nrecent=/a.dia, relative.dia, @Invalid(, /b.dia\n", {"/a.dia", "/b.dia"}},
        {strRandom, {}},
    };
    for (const auto& [strBytes, recent] : cases) {
        const std::string strFile = (m_dir / "kept.conf").string();
        std::filesystem::remove(strFile + ".bad");
        std::ofstream(strFile, std::ios::binary) << strBytes;
        testing::internal::CaptureStderr();
        {
            CAppSettings settings(QString::fromStdString(strFile));
            EXPECT_EQ(settings.GetRecentFiles(), recent);
            settings.SetLastPort("ttyS1");
        }
        const std::string strErr = testing::internal::GetCapturedStderr();
        EXPECT_NE(strErr.find("varden: the settings in " + strFile + " are damaged"), std::string::npos) << strErr;
        std::ifstream bad(strFile + ".bad", std::ios::binary);
        EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(bad), {}) == strBytes) << "kept as .bad whole";
        CAppSettings again(QString::fromStdString(strFile));
        EXPECT_EQ(again.GetRecentFiles(), recent);
        EXPECT_EQ(again.GetLastPort(), "ttyS1");
    }
}

TEST_F(WindowTest, RedoListLinkedFadersCrossoverOrderRecentFilesAndFocusHold)
{
    // A new step after an undo ends what could be done again.
    Type(IDC_BAND_GAIN + 1, "3");
    Dlg().Undo();
    Type(IDC_BAND_GAIN + 2, "2");
    Dlg().Redo();
    EXPECT_EQ(Channel(0).GetGain(1), 200);
    EXPECT_EQ(Channel(0).GetGain(2), 220);

    // A fader dragged on a channel already linked moves the whole group.
    Choose(IDC_LINK_LIST + 2, 0);
    DragFader(IDC_BAND_FADER + 6, -30);
    EXPECT_NE(Channel(0).GetGain(6), 200);
    EXPECT_EQ(Channel(2).GetGain(6), Channel(0).GetGain(6));

    // A high-pass typed above the low-pass is held at it.
    Type(IDC_LPF_FIELD, "1000");
    Type(IDC_HPF_FIELD, "5000");
    EXPECT_EQ(Channel(0).GetHpfFreq(), 1000);
    EXPECT_EQ(Ctl<CNumEdit>(IDC_HPF_FIELD)->GetValue(), 1000);

    // A file opened again moves to the top of the recent files, once.
    std::string strError;
    CTALVRoute file;
    for (const char* pszName : {"a.dia", "b.dia"})
        ASSERT_TRUE(SavePresetFile((m_dir / pszName).string(), file, strError));
    for (const char* pszName : {"a.dia", "b.dia", "a.dia"})
        Dlg().OpenPresetFileStep((m_dir / pszName).string());
    EXPECT_EQ(CAppSettings().GetRecentFiles(),
              (std::vector<std::string>{(m_dir / "a.dia").string(), (m_dir / "b.dia").string()}));

    // EQ.Q hands the focus to the highlighted band's fader, the first one's too.
    Type(IDC_BAND_GAIN, "1");
    Click(IDC_EQ_Q_MODE);
    EXPECT_EQ(QApplication::focusWidget(), Dlg().GetDlgItem(IDC_BAND_FADER));
}
