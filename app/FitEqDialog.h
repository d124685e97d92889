// "Fit EQ to Measurement...": the fit's target, range, bounds, smoothing and
// averaging of positions, with the figures of the fit they give (error, the
// largest boost and cut, the bands changed, the positions' spread); every
// change fits again and the window previews the result on its graph. Apply
// accepts the dialog, Cancel rejects it; the window does the rest. With
// nothing to fit, or no band to change, Apply is disabled and the figures
// say why.
#pragma once

#include <QDialog>
#include <functional>

#include "ChannelMeasurement.h"
#include "EqFit.h"
#include "ModalRunner.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

class CFitEqDialog : public QDialog, public CModalRunner<CFitEqDialog> {
    Q_OBJECT

public:
    // Fits with the settings given (and previews the outcome).
    using FitFunction = std::function<FitOutcome(const FitSettings&)>;
    // The range spin boxes start at the channel's crossover corners when the
    // settings leave the range open. pMeasurement (read only, may be null)
    // tells how many positions there are and their spread.
    CFitEqDialog(QWidget* pParent, int nChannel, const FitSettings& settings, double dCornerLowHz, double dCornerHighHz,
                 const CChannelMeasurement* pMeasurement, FitFunction fnFit);

    const FitSettings& GetSettings() const { return m_settings; }
    const FitOutcome& GetOutcome() const { return m_outcome; }
    // What the figures line says: the summary, or why there is no fit.
    QString GetFiguresText() const;

    // The controls, for the window's tests and the gallery.
    QComboBox* TargetList() const { return m_pTarget; }
    QDoubleSpinBox* TiltBox() const { return m_pTilt; }
    QSpinBox* LowBox() const { return m_pLow; }
    QSpinBox* HighBox() const { return m_pHigh; }
    QDoubleSpinBox* BoostBox() const { return m_pBoost; }
    QDoubleSpinBox* CutBox() const { return m_pCut; }
    QComboBox* SmoothingList() const { return m_pSmoothing; }
    QComboBox* AverageList() const { return m_pAverage; }
    QPushButton* ApplyButton() const { return m_pApply; }
    // Reads a target file as "Choose..." does; false (and a box) when it
    // cannot be read.
    bool LoadTargetFile(const std::string& strPath);

private:
    void OnChanged();
    void OnTargetKind();
    void OnChooseTarget();
    void Refit();
    void ShowTargetFile();

    FitSettings m_settings;
    FitOutcome m_outcome;
    FitFunction m_fnFit;
    const CChannelMeasurement* m_pMeasurement;
    bool m_bFilling = true;  // the controls are being set, not changed
    TargetKind m_eLastKind = TargetKind::Flat;

    QComboBox* m_pTarget;
    QDoubleSpinBox* m_pTilt;
    QLabel* m_pTargetFile;
    QPushButton* m_pChoose;
    QSpinBox* m_pLow;
    QSpinBox* m_pHigh;
    QDoubleSpinBox* m_pBoost;
    QDoubleSpinBox* m_pCut;
    QComboBox* m_pSmoothing;
    QComboBox* m_pAverage;
    QLabel* m_pFigures;
    QPushButton* m_pApply;
    std::string m_strTargetDlgPath;
};
