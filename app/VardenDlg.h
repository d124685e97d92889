// The one window of the program and its controller: it owns the preset, the
// display curves, the device connection and every control, and turns user
// actions, link notifications and the link timer into preset changes and
// frames. Each concern lives in its own source file (VardenDlg*.cpp).
#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QWidget>
#include <array>
#include <atomic>
#include <map>
#include <string>
#include <vector>

#include "Audio_Data.h"
#include "DeviceLink.h"
#include "InputBlocker.h"
#include "LinkWindow.h"
#include "SerialDiscoveryOptions.h"
#include "TALVRoute.h"

class CAudio_OutData;
class CBitmapSlider;
class CFStatic;
class CFontStatic;
class CGradientProgressCtrl;
class CNumEdit;
class CTALVData;
class QComboBox;
class QLineEdit;

class CVardenDlg : public QWidget, public CLinkWindow {
    Q_OBJECT

public:
    static constexpr int ID_ABOUTBOX = 0x10;
    static constexpr const char* CAPTION = "VARDEN(V13.1)";

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

    // Opens a preset file as "Open" does, without the dialog.
    bool OpenPresetFile(const std::string& strPath);

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
    bool IsConnected() const { return m_bConnected != 0; }
    bool IsQMode() const { return m_bQMode != 0; }
    int GetSelBand() const { return m_nSelBand; }
    bool IsLinkTimerRunning() const { return m_linkTimer.isActive(); }
    // A transfer runs: the window takes no input until it is done.
    bool IsBusy() const { return m_inputBlocker.IsBlocking(); }
    const std::string& GetSaveDlgPath() const { return m_szSaveDlgPath; }
    const std::string& GetOpenDlgPath() const { return m_szOpenDlgPath; }
    const std::string& GetWorkDir() const { return m_szWorkDir; }
    const std::string& GetPresetName(int i) const { return m_strPresetName[static_cast<std::size_t>(i)]; }

protected:
    bool event(QEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;

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
    void SetLinkedGain(short nGain, int nBand);

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
    void OnWritePreset();
    void OnReadPreset();
    void OnPresetNamesReceived();
    void OnPresetReadComplete();
    void ShowPresetNameFields();
    void ReadPresetSlotControls();
    bool ConfirmTransfer(const char* pszQuestion);

    // Preset files.
    void OnSavePreset();
    void OnOpenPreset();
    bool LoadPresetBytes(const std::vector<std::uint8_t>& bytes);
    void AfterPresetOpened(const std::string& strPath);

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
    std::array<std::string, NUM_PRESET_SLOTS> m_strPresetName;
    std::array<std::string, NUM_PRESET_SLOTS - 1> m_strSlotEdit;
    int m_nPresetSlot = 0;
    int m_bConnected = 0;
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
    SerialDiscoveryOptions m_discovery;

    // EQ band editing.
    int m_bQMode = 0;
    int m_nSelBand = -2;
    CFontStatic* m_pSelBandLabel = nullptr;
    CAudio_Data m_curves;
    CAudio_OutData* m_pCurCurves = nullptr;

    // Window pictures.
    QImage m_bmpBackground;
    QImage m_hLogo;

    std::map<int, QWidget*> m_controls;
    QBasicTimer m_linkTimer;  // timer 2
    // Port events not yet handled, folded into one message (any thread).
    std::atomic<WPARAM> m_nPendingPortEvents{0};
    CInputBlocker m_inputBlocker{*this};
    // The bar exists before the link, which keeps it for its whole life.
    CGradientProgressCtrl* m_pProgress;
    CDeviceLink m_deviceLink;
};
