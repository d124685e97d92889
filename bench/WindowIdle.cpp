// The window as a user starts it, measured from outside the event loop: the
// time from main to the window shown and idle, the resident memory then, and
// the processor time it takes while connected to the paced virtual processor
// doing nothing but polls for ten seconds. The virtual processor runs in a
// child process so its own work is not counted.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "AppSettings.h"
#include "ControlIds.h"
#include "MessageBox.h"
#include "SimPtyServer.h"
#include "VardenDlg.h"
#include "WindowMessage.h"

namespace {
constexpr int IDLE_SECONDS = 10;

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string strLine;
    while (std::getline(status, strLine))
        if (strLine.rfind("VmRSS:", 0) == 0)
            return std::stol(strLine.substr(6));
    return -1;
}

// The paced virtual processor in a child; returns its port path.
std::string StartSimulator(pid_t& pid)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    pid = fork();
    if (pid == 0) {
        close(fds[0]);
        CSimPtyServer sim(SimServerOptions{});
        std::string strError;
        const std::string strPort = sim.Start(strError) ? sim.GetPortPath() : std::string();
        (void)!write(fds[1], strPort.c_str(), strPort.size() + 1);
        close(fds[1]);
        pause();
        _exit(0);
    }
    close(fds[1]);
    char szPort[256] = {};
    (void)!read(fds[0], szPort, sizeof szPort - 1);
    close(fds[0]);
    return szPort;
}
}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    pid_t pidSim = -1;
    const std::string strPort = StartSimulator(pidSim);
    const qint64 nSimMs = sinceStart.elapsed();
    if (strPort.empty()) {
        std::fprintf(stderr, "the virtual processor did not start\n");
        return 1;
    }
    sinceStart.restart();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    CAppSettings::KeepAsideIn(work.path());
    int nExit = 0;
    {
        CVardenDlg dlg;
        dlg.AddExtraPort(strPort);
        dlg.OnInitDialog();
        dlg.show();
        QApplication::processEvents();
        const qint64 nShownMs = sinceStart.elapsed();
        std::printf("start to window shown and idle: %lld ms (virtual processor child: %lld ms before)\n",
                    static_cast<long long>(nShownMs), static_cast<long long>(nSimMs));
        std::printf("resident memory after start: %.1f MB\n", ResidentKb() / 1024.0);

        SetMessageBoxHandler([&nExit](const std::string& strText, MessageIcon, MessageButtons) {
            std::fprintf(stderr, "message: %s\n", strText.c_str());
            nExit = 1;
            return MessageAnswer::Ok;
        });
        SendWindowMessage(&dlg, WM_COMMAND_EVENT, MakeWParam(IDC_LINK, BN_CLICKED), 0);
        // Let the connect transfer finish, then measure ten idle seconds.
        QEventLoop wait;
        QTimer::singleShot(4000, &wait, &QEventLoop::quit);
        wait.exec();
        const double dCpu0 = CpuSeconds();
        QElapsedTimer idle;
        idle.start();
        QTimer::singleShot(IDLE_SECONDS * 1000, &wait, &QEventLoop::quit);
        wait.exec();
        const double dCpu = CpuSeconds() - dCpu0;
        const double dWall = idle.elapsed() / 1000.0;
        std::printf("connected and idle for %.1f s: %.3f s of processor time, %.2f %% of one core%s\n", dWall, dCpu,
                    100.0 * dCpu / dWall, dlg.IsConnected() ? "" : " (NOT CONNECTED)");
        if (!dlg.IsConnected())
            nExit = 1;
    }
    kill(pidSim, SIGTERM);
    waitpid(pidSim, nullptr, 0);
    return nExit;
}
