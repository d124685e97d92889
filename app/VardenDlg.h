// The one window of the program and its controller: it owns the preset, the
// display curves, the device connection and every control, and turns user
// actions, link notifications and the link timer into preset changes and
// frames. Each concern lives in its own source file (VardenDlg*.cpp).
#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AlignDialog.h"
#include "AlignPreview.h"
#include "AppSettings.h"
#include "Audio_Data.h"
#include "ChannelMeasurement.h"
#include "DeviceLink.h"
#include "GraphOverlay.h"
#include "InputBlocker.h"
#include "LinkWindow.h"
#include "MeasureRun.h"
#include "MeasurementCheck.h"
#include "PresetAlignChannels.h"
#include "SerialDiscoveryOptions.h"
#include "TALVRoute.h"
#include "UndoHistory.h"

class CAudio_OutData;
class CBitmapSlider;
class CFStatic;
class CFontStatic;
class CGradientProgressCtrl;
class CNumEdit;
class CSendingBox;
class CTALVData;
class QComboBox;
class QLineEdit;
class QMenu;

class CVardenDlg : public QWidget, public CLinkWindow {
    Q_OBJECT

public:
    static constexpr int ID_ABOUTBOX = 0x10;
    static constexpr const char* CAPTION = "VARDEN(V13.1)";
    // The caption's text and the port list's item when there is no port.
    static constexpr const char* NO_PORT = "NULL";

    explicit CVardenDlg(QWidget* pParent = nullptr);
    ~CVardenDlg() override;

    // Ports listed above the discovered ones (the built-in virtual processor,
    // --port); the first one added is selected.
    void AddExtraPort(const std::string& strPath);
    // Where port discovery looks (tests give it a tree of their own).
    void SetDiscoveryOptions(const SerialDiscoveryOptions& options) { m_discovery = options; }
    // Runs once before the window is shown.
    bool OnInitDialog();
    // The keyboard rules of the window, offered every event first.
    bool PreTranslateMessage(QObject* pReceiver, QEvent* pEvent);

    // Opens a preset file as "Open" does, without the dialog (not a step of
    // its own: the caller's action is).
    bool OpenPresetFile(const std::string& strPath);
    // The same as one undoable step, as from the command line or a drop.
    bool OpenPresetFileStep(const std::string& strPath);

    // Takes the last step back, or does it again.
    void Undo();
    void Redo();
    const CUndoHistory& GetHistory() const { return m_history; }
    // "Open Recent" with the remembered files, for a context menu; opening
    // one works as Open, and a file that is gone leaves the list.
    void AddRecentMenu(QMenu& menu);
    void OpenRecent(const std::string& strPath);

    // Tuning with a measurement (VardenDlgTuning.cpp). Loads measurement
    // exports for the channel shown, one per microphone position, as "Load
    // Measurement..." does; a file that cannot be read (or files that share
    // no frequencies) is reported and changes nothing.
    bool LoadMeasurementFile(const std::string& strPath);
    bool LoadMeasurementFiles(const std::vector<std::string>& paths);
    // The same for channel k, shown or not.
    bool LoadChannelMeasurementFiles(int k, const std::vector<std::string>& paths);
    const CChannelMeasurement& GetMeasurement(int k) const { return m_aMeasurement.at(static_cast<std::size_t>(k)); }
    // Fitted gains into channel nChannel as one edit: fields, faders and
    // curve follow, linked channels follow as for typed gains, and when
    // connected the bands go out as the bulk equaliser frames do.
    void ApplyFittedGains(int nChannel, const std::array<int, NUM_BANDS>& anGain);

    // Measuring (VardenDlgMeasure.cpp): "Measure…" as from the graph's menu,
    // and the files the positions measured in the dialog were kept in.
    void OnMeasure();
    const std::vector<std::string>& GetMeasuredFiles(int k) const
    {
        return m_aMeasuredFiles.at(static_cast<std::size_t>(k));
    }
    // The last check of channel k against its prediction (bOk false: none).
    const MeasurementCheck& GetCheck(int k) const { return m_aCheck.at(static_cast<std::size_t>(k)); }

    // Aligning channels (VardenDlgAlign.cpp). Each channel's measurement
    // with phase, taken in as "Align Channels…" does; a file that cannot be
    // used is reported and changes nothing.
    bool LoadAlignFile(int k, const std::string& strPath);
    const AlignMeasurement& GetAlignMeasurement(int k) const
    {
        return m_aAlignMeasurement.at(static_cast<std::size_t>(k));
    }
    // The settings into the channels (0..3) as one edit: the views follow,
    // and when connected the changed frames go out as after any edit.
    void ApplyAlignment(const std::vector<std::pair<int, ChannelSetting>>& aSetting);

    // CLinkWindow
    bool PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) override;
    void EnableWindow(bool bEnable) override;
    void StartLinkTimer() override;
    void StopLinkTimer() override;
    void OnLinkDisconnected() override;
    void OnLinkLost(LinkLoss loss) override;

    // Window timers by id; timer 2 is the link tick.
    void OnTimer(int nIDEvent);

    // What tests, the gallery and the benchmarks look at.
    QWidget* GetDlgItem(int nId) const;
    template <class T> T* Item(int nId) const { return dynamic_cast<T*>(GetDlgItem(nId)); }
    CTALVRoute& GetRoute() { return m_route; }
    CDeviceLink& GetDeviceLink() { return m_deviceLink; }
    CAudio_Data& GetCurves() { return m_curves; }
    int GetCurChannel() const { return m_nCurChannel; }
    bool IsConnected() const { return m_deviceLink.IsConnected(); }
    bool IsQMode() const { return m_bQMode != 0; }
    int GetSelBand() const { return m_nSelBand; }
    bool IsLinkTimerRunning() const { return m_linkTimer.isActive(); }
    // A transfer runs: the window takes no input until it is done.
    bool IsBusy() const { return m_inputBlocker.IsBlocking(); }
    // Disconnecting or closing waits for the changes still on their way.
    bool IsWaitingForChanges() const { return m_deviceLink.IsWaitingForChanges(); }
    CSendingBox* GetSendingBox() const { return m_pSendingBox; }
    const std::string& GetSaveDlgPath() const { return m_szSaveDlgPath; }
    const std::string& GetOpenDlgPath() const { return m_szOpenDlgPath; }
    const std::string& GetWorkDir() const { return m_szWorkDir; }
    const std::string& GetPresetName(int i) const { return m_deviceLink.GetPresetName(i); }

protected:
    bool event(QEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    // Controller core.
    void InitController();
    void InitLinkGroups();
    void SetTitle(const std::string& strText);
    // The caption for a preset file: its name without the extension.
    void SetFileTitle(const std::string& strPath);
    void UpdatePresetNameEdits();
    void Disconnect();
    void OnCommand(int nId);
    void OnListSelChange(int nId);
    void OnPortEvent(WPARAM wParam);

    // Window set-up, painting and keyboard.
    void CreateControls();
    void InitControls();
    void ShowSplashAndWait();
    void LoadLogo();
    void OnAbout();
    // Tooltips and accessible names; the units the faders' values read in.
    void InitToolTips();
    void InitFaderScales();

    // EQ bands.
    void SetBandFaderMode(int nMax, bool bGainFields);
    void SetGainFaderMode();
    void SetQFaderMode();
    void RefreshBandView();
    void RefreshBandSwitch(int nBand);
    void RefreshEqAllSwitch();
    void SelectBandLabel(int nBand);
    void OnBandFader(int nBand);
    void FaderToGain(int nBand);
    void FaderToQ(int nBand);
    void OnBandGainField(int nBand);
    void OnBandQField(int nBand);
    void OnBandBypass(int nBand);
    void OnGraphBand(int nBand);
    void OnGainMode();
    void OnQMode();
    void SwitchFaderMode(bool bQMode);
    void OnEqBypassAll();
    void SendEqBulk();
    void FocusSelectedBandFader();
    // The gain to every channel linked to channel c.
    void SetLinkedGain(int c, short nGain, int nBand);
    // Band nBand of channel c takes nGain, and so do the channels linked to
    // it while c's A/B flag is set; true when they did.
    bool SetBandGain(int c, int nBand, short nGain);
    // The shown channel's band nBand shows nGain: its curve, field, fader
    // (in gain mode) and bypass switch.
    void ShowBandGain(int nBand, short nGain);

    // Tuning with a measurement.
    void InitTuning();
    void OnGraphMenu(const QPoint& pt);
    void OnLoadMeasurement();
    void OnFitMeasurement();
    void OnClearMeasurement();
    // A channel's take from the measure dialog: loaded as a position, or
    // checked against the prediction; returns what its row says.
    std::string TakeMeasured(MeasureMode mode, const ChannelTake& take);
    FitOutcome FitShownChannel(const FitSettings& settings);
    // Channel k's curves as the fit sees them, now: the graph's own for the
    // channel shown, else filled into scratch.
    const CAudio_OutData& ChannelCurves(int k, CAudio_OutData& scratch);
    void RedrawGraph();

    // Aligning channels.
    void OnAlignChannels();
    // The alignment of a choice as a job for the dialog's worker, with copies
    // of the measurements and the channels as they stand now.
    std::function<AlignResult()> PrepareAlignment(const AlignChoice& choice) const;
    void PreviewAlignment(const AlignResult& result);

    // Crossover, gain, delay and input.
    void OnChannelFader(int nId);
    void OnGainField();
    void OnHpfField();
    void OnLpfField();
    void OnDelayField();
    void ApplyHpfFreq(int f);
    void ApplyLpfFreq(int f);
    void ApplyDelay(int v);
    void OnHpfType();
    void OnHpfSlope();
    void OnLpfType();
    void OnLpfSlope();
    void OnDelayUnit();
    void OnDelayOff();
    void RefreshDelaySwitch();
    void OnGraphCrossover(int nElement);
    void OnInputHigh();
    void OnInputLow();
    void RefreshInputLevelView();
    void RefreshGainDelayView();
    void RefreshCrossoverView();

    // Device connection and transfers.
    void RefreshPortList();
    void OnPortList();
    void OnLinkButton();
    // Runs fnOpen on a worker while the window's events go on, with a box
    // saying that it connects to the device server; the box's Cancel and
    // Escape stop it.
    bool OpenWhileConnecting(const std::function<bool()>& fnOpen);
    void OnWritePreset();
    void OnReadPreset();
    void OnPresetNamesReceived();
    void OnPresetReadComplete();
    void ShowPresetNameFields();
    void ReadPresetSlotControls();
    bool ConfirmTransfer(const char* pszQuestion);

    // Changes on their way when the user disconnects or closes.
    enum class AfterSending { None, Disconnect, Close };
    void WaitForChanges(AfterSending after);
    void StopSending();
    // After a link tick: the box counts the changes left, and once the link
    // has sent them (or stopped) the window disconnects or closes.
    void FollowSending();
    void FinishSending();
    void CloseSendingBox();
    void AfterLinkLost();
    // "Not every change reached the device ..." or empty.
    std::string UndeliveredText() const;
    // What an unfinished Write left on the device ("slot 2 is left partly
    // written: ..."), its name put back; empty when no write was cut.
    std::string TakeUnfinishedWrite();

    // Preset files.
    void OnSavePreset();
    // True once the file is written; false when the user cancelled or it failed.
    bool SavePreset();
    void OnOpenPreset();
    void AfterPresetOpened(const std::string& strPath);

    // Undo: every user action is one step.
    std::string StepLabel(int nId) const;
    std::string GraphStepLabel(int nElement) const;
    static int GraphStepKey(int nElement);
    CUndoHistory::State CaptureState() const;
    // nMergeKey: reports with the same key while a drag goes on are one step.
    void BeginStep(const std::string& strLabel, int nMergeKey = 0);
    void EndStep(bool bKeepOpen = false);
    void CloseStep();
    void ApplyState(const CUndoHistory::State& state);
    // "Undo band 5 gain" and "Redo ..." for a context menu.
    void AddUndoActions(QMenu& menu);

    // The desktop: recent files, dropped files, the question on closing,
    // the window's place.
    static constexpr const char* SAVE_DIALOG = "save";
    static constexpr const char* OPEN_DIALOG = "open";
    void RememberSettingsAtStart();
    // The preset as last opened, saved, read or written: closing asks only
    // when it has changed since.
    void RememberPresetStored();
    bool IsPresetChangedSinceStored() const;

    // Channel selection, outputs and linking.
    void SelectChannel(int nCh);
    void OnChannelButton(int k);
    void OnOutputSwitch(int k);
    void OnPolarity(int k);
    void OnGateField(int k);
    void RefreshLinkedPolarity(int c);
    void RefreshLinkedGates(int c);
    void RefreshOutputsView();
    void OnLinkList(int k);
    void OnBassLinkMode();
    void EnableBassLinkedControls();

    // The controls as views: what a control shows and what it holds.
    CFStatic* Graph() const;
    CBitmapSlider* Fader(int nId) const;
    CNumEdit* Field(int nId) const;
    QComboBox* List(int nId) const;
    CFontStatic* Label(int nId) const;
    CGradientProgressCtrl* Progress() const;
    QLineEdit* NameField(int nRow) const;
    bool IsNameField(const QWidget* pWidget) const;
    void ShowValue(int nFieldId, int nValue);
    int FieldValue(int nFieldId) const;
    void SetPressed(int nId, bool bPressed);
    bool IsPressed(int nId) const;
    void SelectItem(int nListId, int nItem);
    int SelectedItem(int nListId) const;
    void EnableItem(int nId, bool bEnable);
    CFilter& BandFilter(int nBand);
    CFilter& HighPass();
    CFilter& LowPass();
    bool IsLinked(int i, int c) const;

    // Controller state.
    CTALVRoute m_route;
    CTALVData* m_pCurData = nullptr;
    int m_nCurChannel = 0;
    std::array<std::string, NUM_PRESET_SLOTS - 1> m_strSlotEdit;
    int m_nPresetSlot = 0;
    int m_nPortIndex = 0;
    std::string m_strPort;
    QString m_strNameBeforeTyping;
    int m_bInputHigh = 0;
    std::string m_szWorkDir;
    std::string m_szSaveDlgPath;
    std::string m_szOpenDlgPath;
    std::string m_szSplashPath;
    std::string m_szLogoPath;
    std::vector<std::string> m_astrExtraPorts;
    // A write to a device slot that may still be under way: which slot, and
    // the name and caption to put back should the link be lost before the
    // whole preset is stored.
    struct PendingWrite {
        int nSlot = -1;
        std::string strOldName;
        QString strOldTitle;
    };
    PendingWrite m_write;
    // What follows once the link has sent (or stopped sending) the changes.
    AfterSending m_afterSending = AfterSending::None;
    CSendingBox* m_pSendingBox = nullptr;
    SerialDiscoveryOptions m_discovery;

    // EQ band editing.
    int m_bQMode = 0;
    int m_nSelBand = -2;
    CFontStatic* m_pSelBandLabel = nullptr;
    CAudio_Data m_curves;
    CAudio_OutData* m_pCurCurves = nullptr;

    // Tuning: each channel's measurement for the session, and the overlay
    // that draws it on the graph.
    std::array<CChannelMeasurement, NUM_CHANNELS> m_aMeasurement;
    CGraphOverlay m_overlay;
    std::string m_szMeasurementDlgPath;
    // Measured in the dialog: each channel's positions in files of a folder
    // kept for the session, and the frames that put the device back after
    // a channel measured alone.
    std::unique_ptr<QTemporaryDir> m_pMeasureDir;
    std::array<std::vector<std::string>, NUM_CHANNELS> m_aMeasuredFiles;
    std::vector<std::unique_ptr<CSendData>> m_aRestoreFrames;
    std::array<MeasurementCheck, NUM_CHANNELS> m_aCheck;
    // Aligning: each channel's measurement with phase, and the preview.
    std::array<AlignMeasurement, NUM_CHANNELS> m_aAlignMeasurement;
    CAlignPreview m_alignPreview;

    // Window pictures.
    QImage m_bmpBackground;
    QImage m_hLogo;

    std::unique_ptr<CAppSettings> m_pSettings = std::make_unique<CAppSettings>();
    CPresetSnapshot m_stored;

    // Undo.
    CUndoHistory m_history;
    struct OpenStep {
        bool bOpen = false;
        std::string strLabel;
        int nKey = 0;
        CUndoHistory::State before;
    };
    OpenStep m_step;
    int m_nStepDepth = 0;

    std::map<int, QWidget*> m_controls;
    QBasicTimer m_linkTimer;  // timer 2
    // Port events not yet handled, folded into one message (any thread).
    std::atomic<WPARAM> m_nPendingPortEvents{0};
    // A worker opens the port: the link is its alone until it is done.
    bool m_bOpeningPort = false;
    CInputBlocker m_inputBlocker{*this};
    // The bar exists before the link, which keeps it for its whole life.
    CGradientProgressCtrl* m_pProgress;
    CDeviceLink m_deviceLink;
};
