// "Measure…": the channels to measure, the sound card's output, the input
// the microphone is on and the loopback reference beside it (or none), the
// sweep's level with a live meter of the input, its length, and the
// microphone's calibration file. "Measure" takes each chosen channel alone
// through the device, "Next position" again at another microphone position
// (the positions are averaged), "Check" again after an Apply, held against
// the prediction; each row says how its channel went, refusals with the
// reason. The run goes on while the window's events do; Stop (or closing)
// stops it, and the dialog closes once the device is put back.
#pragma once

#include <QDialog>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Frame.h"
#include "MeasureRun.h"
#include "ModalRunner.h"
#include "PipeWireSession.h"
#include "PwInputMeter.h"
#include "PwNodeList.h"
#include "PwSweepTake.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;

// Where the dialog's sound comes from: PipeWire, or what a test puts in its
// place (the nodes to offer, and the take for a setup).
struct MeasureSound {
    std::function<bool(std::vector<PwNodeInfo>& aNodes, std::string& strError)> fnListNodes;
    std::function<PlayAndRecord(const PwTakeSetup& setup)> fnMakeTake;
};

class CMeasureDialog : public QDialog, public CModalRunner<CMeasureDialog> {
    Q_OBJECT

public:
    // Replaces PipeWire for the dialogs opened from now on; an empty sound
    // restores it. Returns the sound it replaces.
    static MeasureSound SetSound(MeasureSound sound);

    // Takes a channel's take in (the window loads or checks it) and returns
    // what the channel's row says of it.
    using TakenFunction = std::function<std::string(MeasureMode mode, const ChannelTake& take)>;
    // Whether channel k can be checked: it has a measurement to predict by.
    using CheckableFunction = std::function<bool(int k)>;

    // strBlocked: why nothing can be measured now (not connected), or empty.
    CMeasureDialog(QWidget* pParent, MeasureLink link, const std::string& strBlocked, CheckableFunction fnCheckable,
                   TakenFunction fnTaken);
    ~CMeasureDialog() override;

    // Starts a run of the chosen channels; false (and the figures say why)
    // when nothing can run.
    bool Run(MeasureMode mode);
    void Stop() { m_run.Stop(); }
    bool IsRunning() const { return m_run.IsRunning(); }
    CMeasureRun::Stage GetStage() const { return m_run.GetStage(); }
    void WaitUntilDone() { m_run.WaitUntilDone(); }
    // Reads a calibration file as "Choose..." does; false (and a box) when
    // it is none.
    bool LoadCalibrationFile(const std::string& strPath);
    // Chooses a node of the lists by its name; false when it is not there.
    bool SelectOutput(const std::string& strName, int nChannel);
    bool SelectInput(const std::string& strName, int nChannel, int nReferenceChannel);
    QString GetFiguresText() const;
    QString GetRowText(int k) const;

    // The controls, for the window's tests and the gallery.
    QCheckBox* ChannelBox(int k) const { return m_apUse[static_cast<std::size_t>(k)]; }
    QDoubleSpinBox* LevelBox() const { return m_pLevel; }
    QDoubleSpinBox* SweepBox() const { return m_pSweep; }
    QPushButton* MeasureButton() const { return m_pMeasure; }
    QPushButton* NextButton() const { return m_pNext; }
    QPushButton* CheckButton() const { return m_pCheck; }
    QPushButton* StopButton() const { return m_pStop; }

public slots:
    void reject() override;

private:
    void FillNodes();
    void FillChannels(QComboBox* pList, int nChannels, bool bAll, bool bNone);
    void OnInputChanged();
    void OnChooseCalibration();
    void RestartMeter();
    void OnMeterTick();
    void OnProgress();
    void OnChannelDone(const ChannelTake& take);
    void OnFinished(const std::string& strError);
    void EnableControls();
    PlayAndRecord MakePlayAndRecord() const;

    CheckableFunction m_fnCheckable;
    TakenFunction m_fnTaken;
    std::string m_strBlocked;
    MeasureMode m_eMode = MeasureMode::Measure;
    bool m_bCloseWhenDone = false;
    std::array<bool, NUM_CHANNELS> m_abMeasuredHere{};
    std::unique_ptr<CPipeWireSession> m_pSession;
    bool m_bSound = false;  // the nodes were listed
    std::vector<PwNodeInfo> m_aSink, m_aSource;
    std::unique_ptr<CPwInputMeter> m_pMeter;
    QTimer m_meterTimer;
    std::optional<MicCalibration> m_calibration;
    std::string m_strCalibrationDlgPath;
    // Last: it goes first, its worker joined while the sound it plays on lives.
    CMeasureRun m_run;

    std::array<QCheckBox*, NUM_CHANNELS> m_apUse{};
    std::array<QLabel*, NUM_CHANNELS> m_apRow{};
    QComboBox* m_pOutput;
    QComboBox* m_pOutputChannel;
    QComboBox* m_pInput;
    QComboBox* m_pInputChannel;
    QComboBox* m_pReference;
    QDoubleSpinBox* m_pLevel;
    QProgressBar* m_pMeterBar;
    QDoubleSpinBox* m_pSweep;
    QLabel* m_pCalibration;
    QPushButton* m_pChooseCalibration;
    QProgressBar* m_pProgress;
    QLabel* m_pFigures;
    QPushButton* m_pMeasure;
    QPushButton* m_pNext;
    QPushButton* m_pCheck;
    QPushButton* m_pStop;
    QPushButton* m_pClose;
};
