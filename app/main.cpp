// varden: the control window. Options that need no display are answered
// before the toolkit starts; without a display the program says so and ends.
#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

#include "AppOptions.h"
#include "SkinImages.h"
#include "VardenApp.h"
#include "WindowPalette.h"

namespace {
bool g_bStarting = true;
QString g_strFirstWarning;

// The toolkit ends the process when it cannot reach a display; one clear
// line and exit status 1 instead of an abort and a core dump.
void StartupMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& strMessage)
{
    if (!g_bStarting) {
        std::cerr << strMessage.toStdString() << '\n';
        return;
    }
    // While the toolkit starts, its warnings are the reason of a failure
    // that may follow, and noise otherwise.
    if (type != QtFatalMsg) {
        if (g_strFirstWarning.isEmpty())
            g_strFirstWarning = strMessage.section('\n', 0, 0);
        return;
    }
    const QString strReason = g_strFirstWarning.isEmpty() ? strMessage.section('\n', 0, 0) : g_strFirstWarning;
    std::cerr << "varden: cannot open the window: " << strReason.toStdString() << '\n';
    std::cerr.flush();
    _exit(EXIT_FAILURE);
}

int g_afdQuit[2] = {-1, -1};

void OnQuitSignal(int)
{
    const char c = 'q';
    (void)!::write(g_afdQuit[1], &c, 1);
}

// Ctrl-C and SIGTERM (a logout, a service manager) end the program the way
// closing the window does, so the virtual processor's state file is saved.
void QuitOnSignals(QApplication& app)
{
    if (::pipe2(g_afdQuit, O_CLOEXEC) != 0)
        return;
    auto* pNotifier = new QSocketNotifier(g_afdQuit[0], QSocketNotifier::Read, &app);
    QObject::connect(pNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// --help and --version: a text that did not arrive is no success.
int PrintText(const std::string& strText)
{
    std::cout << strText << std::flush;
    if (std::cout)
        return EXIT_SUCCESS;
    std::cerr << "varden: write error: " << std::strerror(errno) << "\n";
    return EXIT_FAILURE;
}

bool HasDisplay()
{
    for (const char* pszVar : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* pszValue = std::getenv(pszVar);
        if (pszValue && *pszValue)
            return true;
    }
    return false;
}
}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string strArg = argv[i];
        if (strArg == "--help" || strArg == "-h") {
            return PrintText(AppHelpText());
        }
        if (strArg == "--version") {
            return PrintText(AppVersionText());
        }
    }
    if (!HasDisplay()) {
        std::cerr << "varden: no display to open the window on (DISPLAY is not set); "
                     "vardenctl works without one\n";
        return EXIT_FAILURE;
    }
    qInstallMessageHandler(StartupMessageHandler);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication app(argc, argv);
    g_bStarting = false;
    qInstallMessageHandler(nullptr);

    std::vector<std::string> args;
    for (const QString& strArg : QApplication::arguments().mid(1))
        args.push_back(strArg.toStdString());
    AppOptions options;
    std::string strError;
    if (!ParseAppOptions(args, options, strError)) {
        std::cerr << "varden: " << strError << "\n" << AppHelpText();
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("varden"));
    SetSkinPixelRatio(app.devicePixelRatio());
    // Message boxes and file dialogs in the window's colours.
    QApplication::setPalette(WindowPalette());
    QuitOnSignals(app);
    QApplication::setQuitOnLastWindowClosed(true);
    CVardenApp theApp(options);
    if (!theApp.InitInstance())
        return EXIT_FAILURE;
    return QApplication::exec();
}
