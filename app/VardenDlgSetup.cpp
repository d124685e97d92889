// Bringing the window up: the order of its initialisation, the one-time
// configuration of the controls, the splash and logo pictures, painting and
// the About box.
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>

#include "AboutDlg.h"
#include "BitButton.h"
#include "BitmapSlider.h"
#include "BmpStatic.h"
#include "ControlIds.h"
#include "FStatic.h"
#include "FontStatic.h"
#include "GradientProgressCtrl.h"
#include "NumEdit.h"
#include "ProgramIcon.h"
#include "SkinImages.h"
#include "SkinLayout.h"
#include "SplashWnd.h"
#include "VardenDlg.h"
#include "WindowPalette.h"

namespace {
constexpr int SPLASH_MS = 3000;
constexpr const char* SPLASH_FILE = "/Bmp/Splsh.bmp";
constexpr const char* LOGO_FILE = "/Bmp/LOGO.bmp";
constexpr int IDB_FULL_PICTURE = 164;
constexpr int IDB_AB_FLAG_ON = 165;
constexpr int IDB_AB_FLAG_OFF = 166;
constexpr int IDB_CHANNEL_FADER = 160;
constexpr int IDB_FADER_THUMB = 159;
constexpr int CHANNEL_FADER_MARGIN = 10;
constexpr int FREQ_FADER_POSITIONS = 100;
constexpr int CROSSOVER_START_HZ = 20;
constexpr int INVERTED_START = 400;
constexpr int DELAY_UNIT_MS = 1;

const char* const kBandLabels[NUM_BANDS] = {"20",  "25",   "32",    "40",   "50",    "63",   "80",    "100",
                                            "125", "160",  "200",   "250",  "315",   "400",  "500",   "630",
                                            "800", "1k",   "1.25k", "1.6k", "2k",    "2.5k", "3.15k", "4k",
                                            "5k",  "6.3k", "8k",    "10k",  "12.5k", "16k",  "20k"};

struct FieldSetup {
    int nFirst;
    int nCount;
    int nMode;
    int nMin, nMax;
    double dStep;    // 0: the field's own
    double dOffset;  // 0: none
};
constexpr FieldSetup kFields[] = {
    {IDC_GATE_FIELD, NUM_CHANNELS, 13, 10, 40, 1.0, 120},
    {IDC_BAND_GAIN, NUM_BANDS, 3, 0, 400, 0.1, 0},
    {IDC_BAND_Q, NUM_BANDS, 11, 0, 59, 0, 0},
    {IDC_LPF_FIELD, 1, 4, 20, 20000, 0, 0},
    {IDC_HPF_FIELD, 1, 4, 20, 20000, 0, 0},
    {IDC_GAIN_FIELD, 1, 10, 0, 800, 0.1, 60},
    {IDC_DELAY_FIELD, 1, 0, 0, 960, 0, 0},
};
}  // namespace

bool CVardenDlg::OnInitDialog()
{
    setWindowTitle(QString::fromLatin1(CAPTION));
    setWindowIcon(ProgramIcon());
    SelectItem(IDC_PORT_LIST, -1);
    ShowSplashAndWait();
    InitController();
    RememberSettingsAtStart();
    m_bQMode = 0;
    Graph()->SetChannelArray(&m_curves);
    Graph()->SetNotifyWnd(this);
    Graph()->InitLayout();
    InitTuning();
    InitControls();
    InitToolTips();
    InitFaderScales();
    SelectChannel(0);
    RefreshPortList();
    InitLinkGroups();
    RememberPresetStored();
    return true;
}

void CVardenDlg::ShowSplashAndWait()
{
    std::error_code ec;
    const std::string strFolder = std::filesystem::current_path(ec).string();
    m_szSplashPath = strFolder + SPLASH_FILE;
    m_szLogoPath = strFolder + LOGO_FILE;
    m_hLogo = QImage(QString::fromStdString(m_szSplashPath));
    if (m_hLogo.isNull() || !CSplashWnd::ShowSplash(SPLASH_MS, m_szSplashPath, this))
        return;
    // The splash paints and takes its key or click while the window waits.
    QEventLoop wait;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &wait, [&wait] {
        if (!CSplashWnd::Instance())
            wait.quit();
    });
    poll.start(20);
    QTimer::singleShot(SPLASH_MS, &wait, &QEventLoop::quit);
    wait.exec();
}

void CVardenDlg::LoadLogo()
{
    m_hLogo = QImage(QString::fromStdString(m_szLogoPath));
    auto* pLogo = Item<CBmpStatic>(IDC_LOGO);
    // Without the file the skin's own logo shows through the empty control.
    pLogo->SetImages(m_hLogo, m_hLogo);
    pLogo->setVisible(!m_hLogo.isNull());
}

void CVardenDlg::InitControls()
{
    LoadLogo();
    m_bmpBackground = LoadSkinImage(IDB_SKIN_BACKGROUND);
    Item<CBmpStatic>(IDC_FULL_PICTURE)->SetBitmaps(IDB_FULL_PICTURE, IDB_FULL_PICTURE);
    Item<CBmpStatic>(IDC_AB_FLAG)->SetBitmaps(IDB_AB_FLAG_ON, IDB_AB_FLAG_OFF);
    GetDlgItem(IDC_FULL_PICTURE)->hide();
    GetDlgItem(IDC_AB_FLAG)->hide();

    m_nSelBand = -2;
    m_pSelBandLabel = nullptr;
    SetPressed(IDC_EQ_GAIN_MODE, !m_bQMode);
    SetPressed(IDC_EQ_Q_MODE, m_bQMode != 0);
    SetPressed(IDC_BASS_LINK, false);
    Item<QRadioButton>(IDC_SLOT_RADIO + m_nPresetSlot)->setChecked(true);

    for (const FieldSetup& setup : kFields) {
        for (int nId = setup.nFirst; nId < setup.nFirst + setup.nCount; ++nId) {
            CNumEdit* pField = Field(nId);
            pField->SetRange(setup.nMin, setup.nMax);
            if (setup.dStep != 0)
                pField->SetStep(setup.dStep);
            if (setup.dOffset != 0)
                pField->SetOffset(setup.dOffset);
            pField->SetMode(setup.nMode);
        }
    }
    for (int b = 0; b < NUM_BANDS; ++b) {
        Label(IDC_BAND_LABEL + b)->SetText(kBandLabels[b]);
        SetPressed(IDC_BAND_BYPASS + b, true);
    }

    if (m_bQMode)
        SetQFaderMode();
    else
        SetGainFaderMode();
    for (const int nId : {IDC_GAIN_FADER, IDC_HPF_FADER, IDC_LPF_FADER, IDC_DELAY_FADER}) {
        CBitmapSlider* pFader = Fader(nId);
        pFader->SetBitmapChannel(IDB_CHANNEL_FADER);
        pFader->SetBitmapThumb(IDB_FADER_THUMB, 0, true);
        pFader->SetMargin(CHANNEL_FADER_MARGIN, 0, 0, 0);
        pFader->SetVertical(true);
    }
    for (const int nId : {IDC_LPF_FADER, IDC_HPF_FADER}) {
        Fader(nId)->SetRange(0, FREQ_FADER_POSITIONS);
        Fader(nId)->SetFreqReversed(nId == IDC_HPF_FADER);
        Fader(nId)->SetFrequency(CROSSOVER_START_HZ);
    }
    Fader(IDC_GAIN_FADER)->SetRange(0, 800);
    Fader(IDC_GAIN_FADER)->SetInvertedPos(INVERTED_START);
    Fader(IDC_DELAY_FADER)->SetRange(0, 960);
    Fader(IDC_DELAY_FADER)->SetInvertedPos(INVERTED_START);
    SelectItem(IDC_DELAY_UNIT, DELAY_UNIT_MS);
    ApplyWindowPalette(*this);
}

void CVardenDlg::paintEvent(QPaintEvent* /*pEvent*/)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_bmpBackground);
}

void CVardenDlg::contextMenuEvent(QContextMenuEvent* pEvent)
{
    // The window manager's system menu cannot take our entry: the About box
    // is here (and on F1).
    QMenu menu(this);
    AddUndoActions(menu);
    menu.addSeparator();
    AddRecentMenu(menu);
    menu.addSeparator();
    menu.addAction(QStringLiteral("About VARDEN..."), this, [this] { OnAbout(); });
    menu.exec(pEvent->globalPos());
}

void CVardenDlg::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}
