#include "FitEqDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <iterator>

#include "BandCurve.h"
#include "DialogParts.h"
#include "FileDialogST.h"
#include "FitReport.h"
#include "MeasurementFile.h"
#include "MessageBox.h"
#include "WindowPalette.h"

namespace {
constexpr int TARGET_FLAT = 0;
constexpr int TARGET_TILT = 1;
constexpr int TARGET_FILE = 2;
constexpr double TILT_STEP = 0.1;
constexpr double LIMIT_STEP = 0.5;
constexpr int FIT_FIGURES_WIDTH = 330;
constexpr unsigned TARGET_DIALOG_FLAGS = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;

QString SmoothingText(int n)
{
    return n == SMOOTHING_NONE ? QStringLiteral("None") : QStringLiteral("1/%1 octave").arg(n);
}

int TargetItem(TargetKind eKind)
{
    switch (eKind) {
    case TargetKind::Tilt:
        return TARGET_TILT;
    case TargetKind::File:
        return TARGET_FILE;
    default:
        return TARGET_FLAT;
    }
}
}  // namespace

CFitEqDialog::CFitEqDialog(QWidget* pParent, int nChannel, const FitSettings& settings, double dCornerLowHz,
                           double dCornerHighHz, const CChannelMeasurement* pMeasurement, FitFunction fnFit)
    : QDialog(pParent),
      m_settings(settings),
      m_fnFit(std::move(fnFit)),
      m_pMeasurement(pMeasurement),
      m_eLastKind(settings.target.eKind)
{
    setWindowTitle(QStringLiteral("Fit EQ to Measurement: Channel %1").arg(nChannel + 1));
    setObjectName(QStringLiteral("fitEqDialog"));

    m_pTarget = new QComboBox(this);
    m_pTarget->addItems({QStringLiteral("Flat"), QStringLiteral("Tilt"), QStringLiteral("From file")});
    m_pTilt = new QDoubleSpinBox(this);
    m_pTilt->setRange(-MAX_TILT_DB_PER_OCTAVE, MAX_TILT_DB_PER_OCTAVE);
    m_pTilt->setSingleStep(TILT_STEP);
    m_pTilt->setDecimals(1);
    m_pTilt->setSuffix(QStringLiteral(" dB/oct"));
    m_pTargetFile = new QLabel(this);
    m_pChoose = new QPushButton(QStringLiteral("Choose..."), this);
    auto* pFileRow = new QHBoxLayout;
    pFileRow->addWidget(m_pTargetFile, 1);
    pFileRow->addWidget(m_pChoose);

    QHBoxLayout* pRangeRow = MakeHzRangeRow(this, m_pLow, m_pHigh);

    m_pBoost = new QDoubleSpinBox(this);
    m_pCut = new QDoubleSpinBox(this);
    for (QDoubleSpinBox* pBox : {m_pBoost, m_pCut}) {
        pBox->setRange(0.0, GAIN_MAX_DB);
        pBox->setSingleStep(LIMIT_STEP);
        pBox->setDecimals(1);
        pBox->setSuffix(QStringLiteral(" dB"));
    }
    m_pSmoothing = new QComboBox(this);
    for (const int n : SMOOTHING_CHOICES)
        m_pSmoothing->addItem(SmoothingText(n), n);
    // Averaging means something only with several positions.
    m_pAverage = new QComboBox(this);
    m_pAverage->addItem(QStringLiteral("Mean in dB"), static_cast<int>(Averaging::MeanDb));
    m_pAverage->addItem(QStringLiteral("Mean of power"), static_cast<int>(Averaging::MeanPower));
    m_pAverage->setEnabled(m_pMeasurement && m_pMeasurement->GetCount() > 1);

    m_pFigures = MakeFiguresLabel(this, FIT_FIGURES_WIDTH);
    QDialogButtonBox* pButtons = MakeApplyButtons(*this, m_pApply);

    auto* pForm = new QFormLayout;
    pForm->addRow(QStringLiteral("Target:"), m_pTarget);
    pForm->addRow(QStringLiteral("Tilt:"), m_pTilt);
    pForm->addRow(QStringLiteral("Target file:"), pFileRow);
    pForm->addRow(QStringLiteral("Range:"), pRangeRow);
    pForm->addRow(QStringLiteral("Max boost:"), m_pBoost);
    pForm->addRow(QStringLiteral("Max cut:"), m_pCut);
    pForm->addRow(QStringLiteral("Smoothing:"), m_pSmoothing);
    pForm->addRow(QStringLiteral("Average:"), m_pAverage);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pForm);
    pLayout->addWidget(m_pFigures);
    pLayout->addWidget(pButtons);

    // The controls show the settings; an open range shows the corners.
    m_pTarget->setCurrentIndex(TargetItem(m_settings.target.eKind));
    m_pTilt->setValue(m_settings.target.dTiltDbPerOctave);
    m_pLow->setValue(static_cast<int>(m_settings.dLowHz > 0.0 ? m_settings.dLowHz : dCornerLowHz));
    m_pHigh->setValue(static_cast<int>(m_settings.dHighHz > 0.0 ? m_settings.dHighHz : dCornerHighHz));
    m_pBoost->setValue(m_settings.dMaxBoostDb);
    m_pCut->setValue(m_settings.dMaxCutDb);
    m_pSmoothing->setCurrentIndex(m_pSmoothing->findData(m_settings.nSmoothing));
    m_pAverage->setCurrentIndex(m_pAverage->findData(static_cast<int>(m_settings.eAveraging)));
    ShowTargetFile();

    connect(m_pTarget, &QComboBox::activated, this, [this] { OnTargetKind(); });
    connect(m_pChoose, &QPushButton::clicked, this, [this] { OnChooseTarget(); });
    for (QComboBox* pList : {m_pSmoothing, m_pAverage})
        connect(pList, &QComboBox::activated, this, [this] { OnChanged(); });
    for (QDoubleSpinBox* pBox : {m_pTilt, m_pBoost, m_pCut})
        connect(pBox, &QDoubleSpinBox::valueChanged, this, [this] { OnChanged(); });
    for (QSpinBox* pBox : {m_pLow, m_pHigh})
        connect(pBox, &QSpinBox::valueChanged, this, [this] { OnChanged(); });

    ApplyWindowPalette(*this);
    m_bFilling = false;
    OnChanged();
}

QString CFitEqDialog::GetFiguresText() const
{
    return m_pFigures->text();
}

void CFitEqDialog::ShowTargetFile()
{
    const bool bFile = m_pTarget->currentIndex() == TARGET_FILE;
    m_pTilt->setEnabled(m_pTarget->currentIndex() == TARGET_TILT);
    m_pTargetFile->setEnabled(bFile);
    m_pTargetFile->setText(
        m_settings.target.strFileName.empty()
            ? QStringLiteral("(none)")
            : QString::fromStdString(CFileDialogST::SplitPath(m_settings.target.strFileName).strName +
                                     CFileDialogST::SplitPath(m_settings.target.strFileName).strExt));
}

void CFitEqDialog::OnTargetKind()
{
    // A file target needs a file: choosing "From file" without one asks for it.
    if (m_pTarget->currentIndex() == TARGET_FILE && !m_settings.target.HasFile()) {
        OnChooseTarget();
        if (!m_settings.target.HasFile()) {
            m_bFilling = true;
            m_pTarget->setCurrentIndex(TargetItem(m_eLastKind));
            m_bFilling = false;
        }
    }
    ShowTargetFile();
    OnChanged();
}

void CFitEqDialog::OnChooseTarget()
{
    CFileDialogST dialog(true, std::string(), &m_strTargetDlgPath, TARGET_DIALOG_FLAGS, MEASUREMENT_FILTER, this);
    if (dialog.DoModal() != CFileDialogST::IDOK)
        return;
    m_strTargetDlgPath = dialog.GetPathName();
    if (LoadTargetFile(dialog.GetPathName())) {
        m_bFilling = true;
        m_pTarget->setCurrentIndex(TARGET_FILE);
        m_bFilling = false;
        ShowTargetFile();
        OnChanged();
    }
}

bool CFitEqDialog::LoadTargetFile(const std::string& strPath)
{
    MeasurementData target;
    std::string strError;
    if (!ReadMeasurementFile(strPath, target, strError)) {
        ShowMessageBox(strError, MessageIcon::Error);
        return false;
    }
    SetTargetFile(m_settings.target, target, strPath);
    return true;
}

void CFitEqDialog::OnChanged()
{
    if (m_bFilling)
        return;
    const int nKind = m_pTarget->currentIndex();
    m_settings.target.eKind = nKind == TARGET_TILT   ? TargetKind::Tilt
                              : nKind == TARGET_FILE ? TargetKind::File
                                                     : TargetKind::Flat;
    m_eLastKind = m_settings.target.eKind;
    m_settings.target.dTiltDbPerOctave = m_pTilt->value();
    m_settings.dLowHz = m_pLow->value();
    m_settings.dHighHz = m_pHigh->value();
    m_settings.dMaxBoostDb = m_pBoost->value();
    m_settings.dMaxCutDb = m_pCut->value();
    m_settings.nSmoothing = m_pSmoothing->currentData().toInt();
    m_settings.eAveraging = static_cast<Averaging>(m_pAverage->currentData().toInt());
    ShowTargetFile();
    Refit();
}

void CFitEqDialog::Refit()
{
    m_outcome = m_fnFit(m_settings);
    std::string strText;
    if (m_outcome.bOk) {
        strText = FormatFitSummary(m_outcome) + "\n" + FormatFitEffect(m_outcome);
        if (m_pMeasurement && m_pMeasurement->GetCount() > 1)
            strText += "\n" + FormatPositions(*m_pMeasurement, m_outcome.range);
        if (m_outcome.nBandsChanged == 0)
            strText += "\nNothing to apply: the bands already fit as well as the limits allow";
    } else if (m_outcome.bNothingToFit) {
        strText = "Nothing to fit: " + m_outcome.strNothingWhy;
    } else {
        strText = "No fit: " + m_outcome.strError;
    }
    // The en dash of the summary is UTF-8.
    m_pFigures->setText(QString::fromStdString(strText));
    m_pApply->setEnabled(m_outcome.bOk && m_outcome.nBandsChanged > 0);
}
