// "Align Channels…": a measurement with phase for each channel (chosen, or
// dropped on its row), which channels take part, the range (the octave about
// each crossover between them, or given), and whether the crossovers may
// move. A short pause after each change it aligns again, on a worker (four
// channels take seconds), saying so meanwhile with Apply disabled, and the
// window previews the result on its graph. Apply accepts the dialog, Cancel
// rejects it; the window does the rest.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "ChannelAlignment.h"
#include "Frame.h"
#include "LatestJob.h"
#include "ModalRunner.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

struct AlignChoice {
    std::array<bool, NUM_CHANNELS> abUse{};
    bool bAboutCrossovers = true;  // false: nLowHz to nHighHz
    int nLowHz = 0;
    int nHighHz = 0;
    bool bMoveCrossovers = false;
};

// What an alignment gave: the outcome, the channels (0..3) its settings are
// for, in order, every channel it sets (those linked with them too) with its
// setting, and the report in words.
struct AlignResult {
    AlignOutcome outcome;
    std::vector<int> anChannel;
    std::vector<std::pair<int, ChannelSetting>> aApply;
    std::string strReport;
    // The curves' names, as anChannel: "CH1", or "CH1+CH2" for a linked group.
    std::vector<std::string> astrName;
};

class CAlignDialog : public QDialog, public CModalRunner<CAlignDialog> {
    Q_OBJECT

public:
    // Takes the file in for channel k; false (the window has said why) when
    // it cannot.
    using LoadFunction = std::function<bool(int k, const std::string& strPath)>;
    // The alignment of a choice as a job for a worker: all it needs copied in.
    using PrepareFunction = std::function<std::function<AlignResult()>(const AlignChoice&)>;
    // Shows an alignment that is in (the window previews it).
    using ShowFunction = std::function<void(const AlignResult&)>;

    // astrLoaded: the file each channel has a measurement from, or empty;
    // the channels that have one take part.
    CAlignDialog(QWidget* pParent, const std::array<std::string, NUM_CHANNELS>& astrLoaded, LoadFunction fnLoad,
                 PrepareFunction fnPrepare, ShowFunction fnShow);

    const AlignChoice& GetChoice() const { return m_choice; }
    // The alignment of the choice now; not bOk while it is being worked out.
    const AlignResult& GetResult() const { return m_result; }
    // Waits until the alignment of the choice now is in and shown.
    void WaitForAlignment() { m_job.Wait(); }
    // The figures: each channel's setting and the sum's, or why there is none.
    QString GetFiguresText() const;

    // As "Choose..." on channel k's row, or a file dropped there.
    bool LoadFile(int k, const std::string& strPath);
    // The controls, for the window's tests and the gallery.
    QCheckBox* UseBox(int k) const { return m_apUse[static_cast<std::size_t>(k)]; }
    QCheckBox* AboutCrossoversBox() const { return m_pAbout; }
    QSpinBox* LowBox() const { return m_pLow; }
    QSpinBox* HighBox() const { return m_pHigh; }
    QCheckBox* CrossoverBox() const { return m_pCrossover; }
    QPushButton* ApplyButton() const { return m_pApply; }

protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void OnChoose(int k);
    void ShowFile(int k, const std::string& strPath);
    void OnChanged();
    void ShowResult(const AlignResult& result);
    // The row under a point, or -1.
    int RowAt(const QPoint& pt) const;

    AlignChoice m_choice;
    AlignResult m_result;
    LoadFunction m_fnLoad;
    PrepareFunction m_fnPrepare;
    ShowFunction m_fnShow;
    CLatestJob<AlignResult> m_job;
    bool m_bFilling = true;  // the controls are being set, not changed
    std::array<bool, NUM_CHANNELS> m_abMeasured{};

    std::array<QCheckBox*, NUM_CHANNELS> m_apUse{};
    std::array<QLabel*, NUM_CHANNELS> m_apFile{};
    std::array<QPushButton*, NUM_CHANNELS> m_apChoose{};
    QCheckBox* m_pAbout;
    QSpinBox* m_pLow;
    QSpinBox* m_pHigh;
    QCheckBox* m_pCrossover;
    QLabel* m_pFigures;
    QPushButton* m_pApply;
    std::string m_strDlgPath;
};
