#include "AlignDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

#include "DialogParts.h"
#include "FileDialogST.h"
#include "FilePathText.h"
#include "MessageBox.h"
#include "WindowPalette.h"

namespace {
constexpr unsigned MEASUREMENT_DIALOG_FLAGS = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
constexpr int FILE_NAME_WIDTH = 220;
constexpr int ALIGN_FIGURES_WIDTH = 520;
constexpr int DEFAULT_LOW_HZ = 700;
constexpr int DEFAULT_HIGH_HZ = 6000;
// Typing 2500 in a box is four changes: align once, after the last.
constexpr int ALIGN_PAUSE_MS = 250;

// The local files a drag carries, in order.
std::vector<std::string> DroppedFiles(const QMimeData* pData)
{
    std::vector<std::string> files;
    if (pData && pData->hasUrls())
        for (const QUrl& url : pData->urls())
            if (url.isLocalFile())
                files.push_back(QStringToPath(url.toLocalFile()));
    return files;
}
}  // namespace

CAlignDialog::CAlignDialog(QWidget* pParent, const std::array<std::string, NUM_CHANNELS>& astrLoaded,
                           LoadFunction fnLoad, PrepareFunction fnPrepare, ShowFunction fnShow)
    : QDialog(pParent),
      m_fnLoad(std::move(fnLoad)),
      m_fnPrepare(std::move(fnPrepare)),
      m_fnShow(std::move(fnShow)),
      m_job(ALIGN_PAUSE_MS, [this](const AlignResult& result) { ShowResult(result); })
{
    setWindowTitle(QStringLiteral("Align Channels"));
    setObjectName(QStringLiteral("alignDialog"));
    setAcceptDrops(true);

    auto* pRows = new QGridLayout;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const auto i = static_cast<std::size_t>(k);
        m_apUse[i] = new QCheckBox(QStringLiteral("CH%1").arg(k + 1), this);
        m_apFile[i] = new QLabel(this);
        m_apFile[i]->setMinimumWidth(FILE_NAME_WIDTH);
        m_apChoose[i] = new QPushButton(QStringLiteral("Choose..."), this);
        pRows->addWidget(m_apUse[i], k, 0);
        pRows->addWidget(m_apFile[i], k, 1);
        pRows->addWidget(m_apChoose[i], k, 2);
        connect(m_apUse[i], &QCheckBox::toggled, this, [this] { OnChanged(); });
        connect(m_apChoose[i], &QPushButton::clicked, this, [this, k] { OnChoose(k); });
        ShowFile(k, astrLoaded[i]);
        m_apUse[i]->setChecked(!astrLoaded[i].empty());
    }

    m_pAbout = new QCheckBox(QStringLiteral("The octave about each crossover"), this);
    m_pAbout->setChecked(true);
    QHBoxLayout* pRange = MakeHzRangeRow(this, m_pLow, m_pHigh);
    pRange->insertWidget(0, m_pAbout);
    pRange->insertStretch(1, 1);
    m_pLow->setValue(DEFAULT_LOW_HZ);
    m_pHigh->setValue(DEFAULT_HIGH_HZ);
    for (QSpinBox* pBox : {m_pLow, m_pHigh})
        connect(pBox, &QSpinBox::valueChanged, this, [this] { OnChanged(); });
    connect(m_pAbout, &QCheckBox::toggled, this, [this] { OnChanged(); });
    m_pCrossover = new QCheckBox(QStringLiteral("Move the crossovers (half an octave, any alignment and slope)"), this);
    connect(m_pCrossover, &QCheckBox::toggled, this, [this] { OnChanged(); });

    m_pFigures = MakeFiguresLabel(this, ALIGN_FIGURES_WIDTH);
    QDialogButtonBox* pButtons = MakeApplyButtons(*this, m_pApply);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(new QLabel(QStringLiteral("Each channel measured alone, at one microphone position, with phase "
                                                 "(choose a file or drop it on its row):"),
                                  this));
    pLayout->addLayout(pRows);
    pLayout->addLayout(pRange);
    pLayout->addWidget(m_pCrossover);
    pLayout->addWidget(m_pFigures);
    pLayout->addWidget(pButtons);

    ApplyWindowPalette(*this);
    m_bFilling = false;
    OnChanged();
}

QString CAlignDialog::GetFiguresText() const
{
    return m_pFigures->text();
}

void CAlignDialog::ShowFile(int k, const std::string& strPath)
{
    const auto i = static_cast<std::size_t>(k);
    const CFileDialogST::PathParts parts = CFileDialogST::SplitPath(strPath);
    m_apFile[i]->setText(strPath.empty() ? QStringLiteral("(no measurement)")
                                         : PathToQString(parts.strName + parts.strExt));
    m_apFile[i]->setToolTip(PathToQString(strPath));
    m_abMeasured[i] = !strPath.empty();
    m_apUse[i]->setEnabled(m_abMeasured[i]);
}

bool CAlignDialog::LoadFile(int k, const std::string& strPath)
{
    if (k < 0 || k >= NUM_CHANNELS || !m_fnLoad(k, strPath))
        return false;
    ShowFile(k, strPath);
    m_bFilling = true;
    m_apUse[static_cast<std::size_t>(k)]->setChecked(true);
    m_bFilling = false;
    OnChanged();
    return true;
}

void CAlignDialog::OnChoose(int k)
{
    CFileDialogST dialog(true, std::string(), &m_strDlgPath, MEASUREMENT_DIALOG_FLAGS, MEASUREMENT_FILTER, this);
    if (dialog.DoModal() != CFileDialogST::IDOK)
        return;
    m_strDlgPath = dialog.GetPathName();
    LoadFile(k, dialog.GetPathName());
}

int CAlignDialog::RowAt(const QPoint& pt) const
{
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QRect row = m_apUse[i]->geometry().united(m_apFile[i]->geometry()).united(m_apChoose[i]->geometry());
        if (pt.y() >= row.top() && pt.y() <= row.bottom())
            return k;
    }
    return -1;
}

void CAlignDialog::dragEnterEvent(QDragEnterEvent* pEvent)
{
    if (!DroppedFiles(pEvent->mimeData()).empty())
        pEvent->acceptProposedAction();
}

void CAlignDialog::dropEvent(QDropEvent* pEvent)
{
    const std::vector<std::string> files = DroppedFiles(pEvent->mimeData());
    if (files.empty())
        return;
    pEvent->acceptProposedAction();
    // Dropped on a row: the first file is that channel's; the others (or
    // all, dropped elsewhere) go to the channels without a measurement, from
    // that row on, and never replace one.
    const int nRow = RowAt(pEvent->position().toPoint());
    std::vector<std::string> notTaken;
    int k = nRow < 0 ? 0 : nRow;
    for (std::size_t n = 0; n < files.size(); ++n) {
        if (n > 0 || nRow < 0) {
            int nOffset = 0;
            while (nOffset < NUM_CHANNELS && m_abMeasured[static_cast<std::size_t>((k + nOffset) % NUM_CHANNELS)])
                ++nOffset;
            if (nOffset == NUM_CHANNELS) {
                notTaken.push_back(files[n]);
                continue;
            }
            k = (k + nOffset) % NUM_CHANNELS;
        }
        LoadFile(k, files[n]);
    }
    if (!notTaken.empty()) {
        std::string strText = "Every channel has a measurement; not taken:";
        for (const std::string& strPath : notTaken)
            strText += "\n" + strPath;
        ShowMessageBox(strText, MessageIcon::Warning);
    }
}

void CAlignDialog::OnChanged()
{
    if (m_bFilling)
        return;
    for (int k = 0; k < NUM_CHANNELS; ++k) {
        const auto i = static_cast<std::size_t>(k);
        m_choice.abUse[i] = m_abMeasured[i] && m_apUse[i]->isChecked();
    }
    m_choice.bAboutCrossovers = m_pAbout->isChecked();
    m_pLow->setEnabled(!m_choice.bAboutCrossovers);
    m_pHigh->setEnabled(!m_choice.bAboutCrossovers);
    m_choice.nLowHz = m_pLow->value();
    m_choice.nHighHz = m_pHigh->value();
    m_choice.bMoveCrossovers = m_pCrossover->isChecked();

    // Until the alignment of this choice is in, there is nothing to apply.
    m_result = AlignResult();
    m_pFigures->setText(QString::fromUtf8("aligning\u2026"));
    m_pApply->setEnabled(false);
    m_job.Request(m_fnPrepare(m_choice));
}

void CAlignDialog::ShowResult(const AlignResult& result)
{
    m_result = result;
    m_fnShow(m_result);
    // The boxes show the range the alignment judges, also when it places it
    // about the crossovers itself (from the lowest to the highest piece).
    const AlignRange& range = m_result.outcome.range;
    if (m_choice.bAboutCrossovers && range.nPoints > 0 && !range.aPiece.empty()) {
        m_bFilling = true;
        m_pLow->setValue(static_cast<int>(std::lround(range.aPiece.front().first)));
        m_pHigh->setValue(static_cast<int>(std::lround(range.aPiece.back().second)));
        m_bFilling = false;
    }
    // The report's minus signs and dashes are UTF-8.
    m_pFigures->setText(
        QString::fromStdString(m_result.outcome.bOk ? m_result.strReport : "No alignment: " + m_result.outcome.strError)
            .trimmed());
    m_pApply->setEnabled(m_result.outcome.bOk);
    // Open before the first result came in, the dialog grows to show it all.
    const int nNeeded = layout()->totalHeightForWidth(width());
    if (nNeeded > height())
        resize(width(), nNeeded);
}
