// Gallery page "window": the real main window, run against the virtual
// processor, in the states a user meets: at start, connected with the live
// preset, Q fader mode with a band highlighted, bass link mode, and a
// transfer on its way.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <thread>

#include "BitmapSlider.h"
#include "ControlIds.h"
#include "Gallery.h"
#include "LinkMessages.h"
#include "LinkState.h"
#include "MessageBox.h"
#include "SimPtyServer.h"
#include "VardenDlg.h"
#include "WindowMessage.h"

namespace {

// Link ticks by hand, each followed by a moment for the device's answer.
void RunLink(CVardenDlg& dlg, const std::function<bool()>& bDone, int nMaxTicks = 400)
{
    for (int i = 0; i < nMaxTicks && !bDone(); ++i) {
        dlg.OnTimer(ID_TIMER_LINK);
        for (int j = 0; j < 20; ++j) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void Command(CVardenDlg& dlg, int nId)
{
    SendWindowMessage(&dlg, WM_COMMAND_EVENT, MakeWParam(nId, BN_CLICKED), 0);
    QApplication::processEvents();
}

void RenderWindow(CGalleryWriter& writer)
{
    // The window makes its MusicFile folder where it starts.
    QTemporaryDir work;
    const QString strOld = QDir::currentPath();
    QDir::setCurrent(work.path());
    SimServerOptions options;
    options.bPaced = false;
    CSimPtyServer sim(options);
    std::string strError;
    if (!sim.Start(strError)) {
        QDir::setCurrent(strOld);
        return;
    }
    MessageBoxHandler previous =
        SetMessageBoxHandler([](const std::string&, MessageIcon, MessageButtons) { return MessageAnswer::Ok; });
    {
        CVardenDlg dlg;
        dlg.AddExtraPort(sim.GetPortPath());
        dlg.OnInitDialog();
        writer.SaveWidget(QStringLiteral("window-start"), dlg);

        Command(dlg, IDC_LINK);
        dlg.StopLinkTimer();
        RunLink(dlg, [&] { return !dlg.IsBusy(); });
        RunLink(
            dlg, [] { return false; }, 3);
        writer.SaveWidget(QStringLiteral("window-connected"), dlg);

        Command(dlg, IDC_EQ_Q_MODE);
        PostWindowMessage(&dlg, WM_SLIDER_MOVED, IDC_BAND_FADER + 12, 0);
        QApplication::processEvents();
        writer.SaveWidget(QStringLiteral("window-q-mode"), dlg);
        Command(dlg, IDC_EQ_GAIN_MODE);

        Command(dlg, IDC_CHANNEL_BUTTON + 2);
        Command(dlg, IDC_BASS_LINK);
        RunLink(
            dlg, [] { return false; }, 5);
        writer.SaveWidget(QStringLiteral("window-bass-link"), dlg);
        Command(dlg, IDC_BASS_LINK);

        Command(dlg, IDC_WRITE);
        RunLink(dlg, [&] { return dlg.GetDeviceLink().GetLink().GetCount() <= 3; });
        writer.SaveWidget(QStringLiteral("window-transfer"), dlg);
        RunLink(dlg, [&] { return !dlg.IsBusy(); });
    }
    SetMessageBoxHandler(std::move(previous));
    g_bBassLink = false;
    sim.Stop();
    QDir::setCurrent(strOld);
}

const bool s_registered = RegisterGalleryPage("window", RenderWindow);

}  // namespace
