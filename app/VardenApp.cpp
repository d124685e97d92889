#include "VardenApp.h"

#include <QApplication>
#include <iostream>

#include "AppMessageBox.h"
#include "MessageBox.h"
#include "SimAudioServer.h"
#include "SimPtyServer.h"
#include "SplashWnd.h"
#include "VardenDlg.h"

CVardenApp::CVardenApp(AppOptions options) : m_options(std::move(options)) {}

CVardenApp::~CVardenApp()
{
    if (qApp)
        qApp->removeEventFilter(this);
    // The window (and its port) goes before the device it talks to.
    m_pDlg.reset();
    if (m_pSim && m_pSound)
        m_pSim->WithProcessor([](CVirtualProcessor& vp) { vp.SetLiveListener({}); });
    if (m_pSim)
        m_pSim->Stop();
    m_pSound.reset();
}

// Without a sound server the virtual processor still serves, silently.
void CVardenApp::StartSound()
{
    m_pSound = std::make_unique<CSimAudioServer>();
    std::string strError;
    if (!m_pSound->Start(strError)) {
        m_pSound.reset();
        ShowMessageBox(strError + "\nThe virtual processor runs without sound.", MessageIcon::Warning);
        return;
    }
    m_pSim->WithProcessor([this](CVirtualProcessor& vp) { vp.SetLiveListener(m_pSound->MakeLiveListener()); });
}

bool CVardenApp::InitInstance()
{
    if (m_options.bSimulate) {
        SimServerOptions sim;
        sim.strStateFile = m_options.strStateFile;
        m_pSim = std::make_unique<CSimPtyServer>(sim);
        std::string strError;
        if (!m_pSim->Start(strError)) {
            std::cerr << "varden: the virtual processor did not start: " << strError << '\n';
            return false;
        }
    }
    m_pDlg = std::make_unique<CVardenDlg>();
    if (m_pSim)
        m_pDlg->AddExtraPort(m_pSim->GetPortPath());
    for (const std::string& strPort : m_options.astrPorts)
        m_pDlg->AddExtraPort(strPort);
    InstallQtMessageBox(m_pDlg.get());
    // Installed before the splash installs its own, so the splash still
    // sees keys and clicks first.
    qApp->installEventFilter(this);
    CSplashWnd::EnableSplash(m_options.bSplash);
    m_pDlg->OnInitDialog();
    m_pDlg->show();
    // After the window is up, so a file that cannot be read is reported
    // over the window that goes on with the default preset.
    if (!m_options.strPresetFile.empty())
        m_pDlg->OpenPresetFileStep(m_options.strPresetFile);
    if (m_pSim && m_options.bAudio)
        StartSound();
    return true;
}

bool CVardenApp::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    return m_pDlg && m_pDlg->PreTranslateMessage(pWatched, pEvent);
}
