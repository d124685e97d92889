#include "MeasureDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

#include "DialogParts.h"
#include "FileDialogST.h"
#include "FilePathText.h"
#include "LogSweep.h"
#include "MeasurementFile.h"
#include "MessageBox.h"
#include "PresetFile.h"
#include "WindowPalette.h"

namespace {
constexpr unsigned CALIBRATION_DIALOG_FLAGS = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
constexpr const char* CALIBRATION_FILTER = "Calibration files|*.txt;*.cal;*.frd|All files|*||";
constexpr int ROW_WIDTH = 360;
constexpr int MEASURE_FIGURES_WIDTH = 480;
// The quietest sweep offered; at -60 dBFS a microphone hears little but noise.
constexpr double LEVEL_MIN_DBFS = -60.0;
constexpr double SWEEP_MIN_SECONDS = 0.5;
constexpr double SWEEP_MAX_SECONDS = 10.0;
// The meter from silence to full scale, in tenths of a dB, read ten times a second.
constexpr int METER_FLOOR_DB = -80;
constexpr int METER_MS = 100;
constexpr int PROGRESS_STEPS = 1000;
constexpr int NO_CHANNEL = -1;

QString Text(const std::string& str)
{
    return QString::fromStdString(str);
}

// What was chosen last, offered again while the program runs: a tuner
// measures the same loudspeakers with the same sound card many times.
struct LastChoice {
    std::array<bool, NUM_CHANNELS> abUse{};
    std::string strOutput;
    int nOutputChannel = NO_CHANNEL;
    std::string strInput;
    int nInputChannel = 0;
    int nReference = NO_CHANNEL;
    double dLevelDbfs = SweepSettings().dLevelDbfs;
    double dSweepSeconds = SweepSettings().dSeconds;
};

LastChoice& Last()
{
    static LastChoice s_last;
    return s_last;
}

MeasureSound& Sound()
{
    static MeasureSound s_sound;
    return s_sound;
}
}  // namespace

MeasureSound CMeasureDialog::SetSound(MeasureSound sound)
{
    return std::exchange(Sound(), std::move(sound));
}

CMeasureDialog::CMeasureDialog(QWidget* pParent, MeasureLink link, const std::string& strBlocked,
                               CheckableFunction fnCheckable, TakenFunction fnTaken)
    : QDialog(pParent),
      m_fnCheckable(std::move(fnCheckable)),
      m_fnTaken(std::move(fnTaken)),
      m_strBlocked(strBlocked),
      m_run(std::move(link))
{
    setWindowTitle(QStringLiteral("Measure"));
    setObjectName(QStringLiteral("measureDialog"));

    auto* pRows = new QGridLayout;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const auto i = static_cast<std::size_t>(k);
        m_apUse[i] = new QCheckBox(QStringLiteral("CH%1").arg(k + 1), this);
        m_apRow[i] = new QLabel(this);
        m_apRow[i]->setMinimumWidth(ROW_WIDTH);
        m_apRow[i]->setWordWrap(true);
        pRows->addWidget(m_apUse[i], k, 0);
        pRows->addWidget(m_apRow[i], k, 1);
        connect(m_apUse[i], &QCheckBox::toggled, this, [this] { EnableControls(); });
    }

    m_pOutput = new QComboBox(this);
    m_pOutputChannel = new QComboBox(this);
    m_pInput = new QComboBox(this);
    m_pInputChannel = new QComboBox(this);
    m_pReference = new QComboBox(this);
    m_pLevel = new QDoubleSpinBox(this);
    m_pLevel->setRange(LEVEL_MIN_DBFS, SWEEP_MAX_LEVEL_DBFS);
    m_pLevel->setDecimals(1);
    m_pLevel->setSuffix(QStringLiteral(" dBFS"));
    m_pLevel->setValue(Last().dLevelDbfs);
    m_pMeterBar = new QProgressBar(this);
    m_pMeterBar->setRange(METER_FLOOR_DB * 10, 0);
    m_pMeterBar->setFormat(QStringLiteral("input: silent"));
    m_pSweep = new QDoubleSpinBox(this);
    m_pSweep->setRange(SWEEP_MIN_SECONDS, SWEEP_MAX_SECONDS);
    m_pSweep->setDecimals(1);
    m_pSweep->setSingleStep(0.5);
    m_pSweep->setSuffix(QStringLiteral(" s"));
    m_pSweep->setValue(Last().dSweepSeconds);
    m_pCalibration = new QLabel(QStringLiteral("(none)"), this);
    m_pChooseCalibration = new QPushButton(QStringLiteral("Choose..."), this);
    auto* pNoCalibration = new QPushButton(QStringLiteral("None"), this);

    auto* pSound = new QGridLayout;
    int nRow = 0;
    const auto addRow = [&](const char* pszLabel, QWidget* pFirst, QWidget* pSecond) {
        pSound->addWidget(new QLabel(QString::fromUtf8(pszLabel), this), nRow, 0);
        pSound->addWidget(pFirst, nRow, 1);
        if (pSecond)
            pSound->addWidget(pSecond, nRow, 2);
        ++nRow;
    };
    addRow("Output (to the device's input):", m_pOutput, m_pOutputChannel);
    addRow("Input (the microphone):", m_pInput, m_pInputChannel);
    addRow("Reference (a loopback on the input):", m_pReference, nullptr);
    addRow("Level:", m_pLevel, m_pMeterBar);
    addRow("Sweep:", m_pSweep, nullptr);
    addRow("Microphone calibration:", m_pCalibration, m_pChooseCalibration);
    pSound->addWidget(pNoCalibration, nRow - 1, 3);

    m_pProgress = new QProgressBar(this);
    m_pProgress->setRange(0, PROGRESS_STEPS);
    m_pProgress->setValue(0);
    m_pProgress->setFormat(QString());
    m_pFigures = MakeFiguresLabel(this, MEASURE_FIGURES_WIDTH);

    auto* pButtons = new QHBoxLayout;
    m_pMeasure = new QPushButton(QStringLiteral("Measure"), this);
    m_pNext = new QPushButton(QStringLiteral("Next position"), this);
    m_pCheck = new QPushButton(QStringLiteral("Check"), this);
    m_pStop = new QPushButton(QStringLiteral("Stop"), this);
    m_pClose = new QPushButton(QStringLiteral("Close"), this);
    for (QPushButton* pButton : {m_pMeasure, m_pNext, m_pCheck, m_pStop, m_pClose}) {
        pButton->setAutoDefault(false);
        pButtons->addWidget(pButton);
    }
    pButtons->insertStretch(4, 1);
    m_pMeasure->setToolTip(
        QStringLiteral("Each chosen channel alone: the others are turned off on the device "
                       "meanwhile and put back afterwards"));
    m_pNext->setToolTip(
        QStringLiteral("The chosen channels again at another microphone position, averaged with "
                       "the positions before"));
    m_pCheck->setToolTip(QStringLiteral("The chosen channels again, drawn beside what their measurement predicts"));

    connect(m_pMeasure, &QPushButton::clicked, this, [this] { Run(MeasureMode::Measure); });
    connect(m_pNext, &QPushButton::clicked, this, [this] { Run(MeasureMode::NextPosition); });
    connect(m_pCheck, &QPushButton::clicked, this, [this] { Run(MeasureMode::Check); });
    connect(m_pStop, &QPushButton::clicked, this, [this] { Stop(); });
    connect(m_pClose, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_pChooseCalibration, &QPushButton::clicked, this, [this] { OnChooseCalibration(); });
    connect(pNoCalibration, &QPushButton::clicked, this, [this] {
        m_calibration.reset();
        m_pCalibration->setText(QStringLiteral("(none)"));
    });
    connect(m_pInput, &QComboBox::currentIndexChanged, this, [this] { OnInputChanged(); });
    connect(m_pInputChannel, &QComboBox::currentIndexChanged, this, [this] { RestartMeter(); });
    connect(m_pOutput, &QComboBox::currentIndexChanged, this, [this] {
        const int i = m_pOutput->currentIndex();
        FillChannels(m_pOutputChannel, i >= 0 ? m_aSink[static_cast<std::size_t>(i)].nChannels : 0, true, false);
    });
    connect(&m_run, &CMeasureRun::Progress, this, [this] { OnProgress(); });
    connect(&m_run, &CMeasureRun::ChannelDone, this, [this](const ChannelTake& take) { OnChannelDone(take); });
    connect(&m_run, &CMeasureRun::Finished, this, [this](const std::string& strError) { OnFinished(strError); });
    m_meterTimer.setInterval(METER_MS);
    connect(&m_meterTimer, &QTimer::timeout, this, [this] { OnMeterTick(); });

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(QStringLiteral("Channels, each measured alone through the device:"), this));
    pLayout->addLayout(pRows);
    pLayout->addLayout(pSound);
    pLayout->addWidget(m_pProgress);
    pLayout->addWidget(m_pFigures);
    pLayout->addLayout(pButtons);

    for (int k = 0; k < NUM_CHANNELS; ++k)
        m_apRow[static_cast<std::size_t>(k)]->setText(m_fnCheckable(k) ? QStringLiteral("has a measurement")
                                                                       : QStringLiteral("not measured"));
    FillNodes();
    for (int k = 0; k < NUM_CHANNELS; ++k)
        m_apUse[static_cast<std::size_t>(k)]->setChecked(Last().abUse[static_cast<std::size_t>(k)]);
    SelectOutput(Last().strOutput, Last().nOutputChannel);
    SelectInput(Last().strInput, Last().nInputChannel, Last().nReference);
    ApplyWindowPalette(*this);
    EnableControls();
}

CMeasureDialog::~CMeasureDialog()
{
    m_meterTimer.stop();
    m_pMeter.reset();
}

void CMeasureDialog::FillNodes()
{
    std::string strError;
    std::vector<PwNodeInfo> aNodes;
    if (Sound().fnListNodes) {
        m_bSound = Sound().fnListNodes(aNodes, strError);
    } else {
        m_pSession = std::make_unique<CPipeWireSession>();
        m_bSound = m_pSession->Connect(strError) && ListPwNodes(*m_pSession, aNodes, strError);
        if (!m_bSound)
            m_pSession.reset();
    }
    if (!m_bSound) {
        if (m_strBlocked.empty())
            m_strBlocked = strError;
        return;
    }
    for (const PwNodeInfo& node : aNodes) {
        if (IsPwSink(node))
            m_aSink.push_back(node);
        if (IsPwSource(node))
            m_aSource.push_back(node);
    }
    const auto fill = [](QComboBox* pList, const std::vector<PwNodeInfo>& aList) {
        for (const PwNodeInfo& node : aList)
            pList->addItem(Text(node.strDescription.empty() ? node.strName : node.strDescription), Text(node.strName));
    };
    fill(m_pOutput, m_aSink);
    fill(m_pInput, m_aSource);
    if (m_strBlocked.empty() && (m_aSink.empty() || m_aSource.empty()))
        m_strBlocked = "the sound server offers no output or no input to measure with";
}

void CMeasureDialog::FillChannels(QComboBox* pList, int nChannels, bool bAll, bool bNone)
{
    const QSignalBlocker blocker(pList);
    pList->clear();
    if (bAll)
        pList->addItem(QStringLiteral("all channels"), NO_CHANNEL);
    if (bNone)
        pList->addItem(QStringLiteral("none"), NO_CHANNEL);
    for (int c = 0; c < nChannels; ++c)
        pList->addItem(QStringLiteral("channel %1").arg(c + 1), c);
}

void CMeasureDialog::OnInputChanged()
{
    const int i = m_pInput->currentIndex();
    const int nChannels = i >= 0 ? m_aSource[static_cast<std::size_t>(i)].nChannels : 0;
    FillChannels(m_pInputChannel, nChannels, false, false);
    FillChannels(m_pReference, nChannels, false, true);
    RestartMeter();
}

bool CMeasureDialog::SelectOutput(const std::string& strName, int nChannel)
{
    const int i = m_pOutput->findData(Text(strName));
    if (i < 0)
        return false;
    m_pOutput->setCurrentIndex(i);
    const int c = m_pOutputChannel->findData(nChannel);
    m_pOutputChannel->setCurrentIndex(c);
    return c >= 0;
}

bool CMeasureDialog::SelectInput(const std::string& strName, int nChannel, int nReferenceChannel)
{
    const int i = m_pInput->findData(Text(strName));
    if (i < 0)
        return false;
    m_pInput->setCurrentIndex(i);
    const int c = m_pInputChannel->findData(nChannel);
    const int r = m_pReference->findData(nReferenceChannel);
    m_pInputChannel->setCurrentIndex(c);
    m_pReference->setCurrentIndex(r);
    return c >= 0 && r >= 0;
}

void CMeasureDialog::RestartMeter()
{
    m_meterTimer.stop();
    m_pMeter.reset();
    m_pMeterBar->setValue(m_pMeterBar->minimum());
    const int nChannel = m_pInputChannel->currentData().toInt();
    if (!m_pSession || m_pInput->currentIndex() < 0 || m_pInputChannel->currentIndex() < 0)
        return;
    m_pMeter = std::make_unique<CPwInputMeter>();
    std::string strError;
    if (!m_pMeter->Start(*m_pSession, m_pInput->currentData().toString().toStdString(), nChannel, strError)) {
        m_pMeter.reset();
        m_pMeterBar->setFormat(QStringLiteral("no meter"));
        m_pMeterBar->setToolTip(Text(strError));
        return;
    }
    m_meterTimer.start();
}

void CMeasureDialog::OnMeterTick()
{
    if (!m_pMeter)
        return;
    const double dPeak = m_pMeter->PeakDbfs();
    m_pMeterBar->setValue(static_cast<int>(std::lround(std::max(dPeak, double(METER_FLOOR_DB)) * 10.0)));
    m_pMeterBar->setFormat(dPeak <= CPwInputMeter::PEAK_SILENT_DBFS
                               ? QStringLiteral("input: silent")
                               : QStringLiteral("input: %1 dBFS").arg(dPeak, 0, 'f', 1));
}

bool CMeasureDialog::LoadCalibrationFile(const std::string& strPath)
{
    std::vector<std::uint8_t> bytes;
    std::string strError;
    MicCalibration calibration;
    const CFileDialogST::PathParts parts = CFileDialogST::SplitPath(strPath);
    if (!ReadFileBytes(strPath, bytes, strError, MEASUREMENT_MAX_FILE_SIZE, "is too large for a calibration file") ||
        !ParseMicCalibration(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), strPath,
                             calibration, strError)) {
        ShowMessageBox(strError, MessageIcon::Error);
        return false;
    }
    m_calibration = std::move(calibration);
    m_pCalibration->setText(PathToQString(parts.strName + parts.strExt));
    m_pCalibration->setToolTip(PathToQString(strPath));
    return true;
}

void CMeasureDialog::OnChooseCalibration()
{
    CFileDialogST dialog(true, std::string(), &m_strCalibrationDlgPath, CALIBRATION_DIALOG_FLAGS, CALIBRATION_FILTER,
                         this);
    if (dialog.DoModal() != CFileDialogST::IDOK)
        return;
    m_strCalibrationDlgPath = dialog.GetPathName();
    LoadCalibrationFile(dialog.GetPathName());
}

PlayAndRecord CMeasureDialog::MakePlayAndRecord() const
{
    PwTakeSetup setup;
    setup.strSink = m_pOutput->currentData().toString().toStdString();
    setup.nSinkChannel = m_pOutputChannel->currentData().toInt();
    setup.strSource = m_pInput->currentData().toString().toStdString();
    setup.anSourceChannels.push_back(m_pInputChannel->currentData().toInt());
    if (m_pReference->currentData().toInt() != NO_CHANNEL)
        setup.anSourceChannels.push_back(m_pReference->currentData().toInt());
    if (Sound().fnMakeTake)
        return Sound().fnMakeTake(setup);
    CPipeWireSession* pSession = m_pSession.get();
    return [pSession, setup](const std::vector<float>& afSweep, const std::atomic<bool>& bStop,
                             std::vector<std::vector<float>>& aRecorded, std::string& strError) {
        CPwSweepTake take(*pSession);
        return take.Run(setup, afSweep, aRecorded, bStop, strError);
    };
}

bool CMeasureDialog::Run(MeasureMode mode)
{
    if (m_run.IsRunning())
        return false;
    MeasureJob job;
    for (int k = 0; k < NUM_CHANNELS; ++k)
        if (m_apUse[static_cast<std::size_t>(k)]->isChecked())
            job.anChannel.push_back(k);
    std::string strError = m_strBlocked;
    if (strError.empty() && job.anChannel.empty())
        strError = "choose the channels to measure";
    if (strError.empty() && m_pInputChannel->currentIndex() < 0)
        strError = "choose the input the microphone is on";
    job.settings.sweep.dSeconds = m_pSweep->value();
    job.settings.sweep.dLevelDbfs = m_pLevel->value();
    if (strError.empty())
        CheckSweepSettings(job.settings.sweep, strError);
    if (!strError.empty()) {
        m_pFigures->setText(Text("Nothing measured: " + strError));
        return false;
    }
    LastChoice& last = Last();
    for (int k = 0; k < NUM_CHANNELS; ++k)
        last.abUse[static_cast<std::size_t>(k)] = m_apUse[static_cast<std::size_t>(k)]->isChecked();
    last.strOutput = m_pOutput->currentData().toString().toStdString();
    last.nOutputChannel = m_pOutputChannel->currentData().toInt();
    last.strInput = m_pInput->currentData().toString().toStdString();
    last.nInputChannel = m_pInputChannel->currentData().toInt();
    last.nReference = m_pReference->currentData().toInt();
    last.dLevelDbfs = m_pLevel->value();
    last.dSweepSeconds = m_pSweep->value();
    job.bReference = m_pReference->currentData().toInt() != NO_CHANNEL;
    job.calibration = m_calibration;
    job.fnPlayAndRecord = MakePlayAndRecord();
    job.header.strOutput =
        m_pOutput->currentText().toStdString() + ", " + m_pOutputChannel->currentText().toStdString();
    job.header.strInput = m_pInput->currentText().toStdString() + ", " + m_pInputChannel->currentText().toStdString();
    if (job.bReference)
        job.header.strReference =
            m_pInput->currentText().toStdString() + ", " + m_pReference->currentText().toStdString();
    if (m_calibration)
        job.header.strCalibration = m_pCalibration->toolTip().toStdString();
    m_eMode = mode;
    m_pFigures->setText(job.bReference ? QString()
                                       : QStringLiteral("Without a reference, arrival times hold only within this "
                                                        "run and may be off by the sound server's latency."));
    m_run.Start(std::move(job));
    EnableControls();
    return true;
}

void CMeasureDialog::OnProgress()
{
    const int k = m_run.GetChannel();
    if (k < 0)
        return;
    const char* pszStage = "";
    switch (m_run.GetStage()) {
    case CMeasureRun::Stage::Settling:
    case CMeasureRun::Stage::Soloing:
        pszStage = "turning the other channels off";
        break;
    case CMeasureRun::Stage::Taking:
        pszStage = "playing the sweep, the other channels off on the device";
        break;
    case CMeasureRun::Stage::Restoring:
        pszStage = "putting the other channels back";
        break;
    case CMeasureRun::Stage::Idle:
        break;
    }
    // A row that says how its channel went keeps saying so.
    if (m_run.GetStage() != CMeasureRun::Stage::Restoring)
        m_apRow[static_cast<std::size_t>(k)]->setText(QString::fromLatin1(pszStage) + QStringLiteral("..."));
    m_pProgress->setValue(static_cast<int>(std::lround(m_run.GetSweepProgress() * PROGRESS_STEPS)));
    m_pProgress->setFormat(QStringLiteral("CH%1: %2").arg(k + 1).arg(QString::fromLatin1(pszStage)));
}

void CMeasureDialog::OnChannelDone(const ChannelTake& take)
{
    const auto i = static_cast<std::size_t>(take.nChannel);
    std::string strRow;
    if (!take.bTaken)
        strRow = take.strError;
    else if (take.response.IsRefused())
        strRow = "refused: " + take.response.strRefused;
    else
        strRow = m_fnTaken(m_eMode, take);
    if (take.bTaken && !take.response.IsRefused() && m_eMode != MeasureMode::Check)
        m_abMeasuredHere[i] = true;
    m_apRow[i]->setText(Text(strRow));
}

void CMeasureDialog::OnFinished(const std::string& strError)
{
    m_pProgress->setValue(0);
    m_pProgress->setFormat(QString());
    if (!strError.empty()) {
        const QString strText = Text("Not every channel was measured: " + strError);
        m_pFigures->setText(m_pFigures->text().isEmpty() ? strText : m_pFigures->text() + "\n" + strText);
    }
    EnableControls();
    if (m_bCloseWhenDone)
        QDialog::reject();
}

void CMeasureDialog::EnableControls()
{
    const bool bRunning = m_run.IsRunning();
    bool bChosen = false, bAllMeasured = true, bAllCheckable = true;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        if (!m_apUse[static_cast<std::size_t>(k)]->isChecked())
            continue;
        bChosen = true;
        bAllMeasured = bAllMeasured && m_abMeasuredHere[static_cast<std::size_t>(k)];
        bAllCheckable = bAllCheckable && m_fnCheckable(k);
    }
    const bool bCan = !bRunning && m_strBlocked.empty() && bChosen;
    m_pMeasure->setEnabled(bCan);
    m_pNext->setEnabled(bCan && bAllMeasured);
    m_pCheck->setEnabled(bCan && bAllCheckable);
    m_pStop->setEnabled(bRunning);
    for (QWidget* pWidget : std::initializer_list<QWidget*>{m_pOutput, m_pOutputChannel, m_pInput, m_pInputChannel,
                                                            m_pReference, m_pLevel, m_pSweep, m_pChooseCalibration})
        pWidget->setEnabled(!bRunning && m_bSound);
    for (QCheckBox* pBox : m_apUse)
        pBox->setEnabled(!bRunning);
    if (!m_strBlocked.empty())
        m_pFigures->setText(Text("Nothing can be measured now: " + m_strBlocked));
}

void CMeasureDialog::reject()
{
    // The device is put back before the dialog goes.
    if (m_run.IsRunning()) {
        m_bCloseWhenDone = true;
        m_run.Stop();
        return;
    }
    QDialog::reject();
}

QString CMeasureDialog::GetFiguresText() const
{
    return m_pFigures->text();
}

QString CMeasureDialog::GetRowText(int k) const
{
    return m_apRow.at(static_cast<std::size_t>(k))->text();
}
