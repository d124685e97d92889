// The application: reads the command line, starts the built-in virtual
// processor when asked, runs the window and offers it every event first.
#pragma once

#include <QObject>
#include <memory>

#include "AppOptions.h"

class CSimAudioServer;
class CSimPtyServer;
class CVardenDlg;

class CVardenApp : public QObject {
    Q_OBJECT
public:
    explicit CVardenApp(AppOptions options);
    ~CVardenApp() override;

    // Builds and shows the window; false (with the reason on stderr) when
    // the program cannot start. The event loop is the caller's.
    bool InitInstance();
    CVardenDlg* GetMainWnd() const { return m_pDlg.get(); }

protected:
    // The window's keyboard rules see every event first.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void StartSound();

    AppOptions m_options;
    std::unique_ptr<CSimAudioServer> m_pSound;
    std::unique_ptr<CSimPtyServer> m_pSim;
    std::unique_ptr<CVardenDlg> m_pDlg;
};
