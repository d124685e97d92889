#include "DeviceRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>

#include "DeviceNames.h"
#include "FdOutBuf.h"

namespace fs = std::filesystem;

namespace {
struct Device {
    std::string strPort;
    pid_t pid = -1;
    int afd[2] = {-1, -1};  // its stdout and stderr, read here
    std::string astrPartial[2];
    int nCode = EXIT_IO;
};

// The ports --port, --device and --all name, each once, in the order given.
bool ResolvePorts(const CommandLine& cl, std::vector<std::string>& astrPorts, std::string& strError)
{
    astrPorts = cl.GetAll("--port");
    std::vector<NamedDevice> devices;
    if (cl.Has("--device") || cl.Has("--all")) {
        if (!LoadDeviceNames(devices, strError))
            return false;
        if (cl.Has("--all") && devices.empty()) {
            strError = "--all: no devices are named in " + DeviceNamesFile();
            return false;
        }
    }
    for (const std::string& strName : cl.GetAll("--device")) {
        const auto it =
            std::find_if(devices.begin(), devices.end(), [&](const NamedDevice& d) { return d.strName == strName; });
        if (it == devices.end()) {
            strError = "--device " + strName + ": no such name in " + DeviceNamesFile();
            return false;
        }
        astrPorts.push_back(it->strPort);
    }
    if (cl.Has("--all"))
        for (const NamedDevice& d : devices)
            astrPorts.push_back(d.strPort);
    std::vector<std::string> astrOnce;
    for (const std::string& str : astrPorts)
        if (std::find(astrOnce.begin(), astrOnce.end(), str) == astrOnce.end())
            astrOnce.push_back(str);
    astrPorts = astrOnce;
    if (astrPorts.empty())
        strError = "--port, --device or --all is required";
    return !astrPorts.empty();
}

std::string ArgFor(const std::string& strArg, const std::string& strPort, DeviceArgs eArgs)
{
    const fs::path path(strArg);
    const std::string strPart = PortFileName(strPort);
    std::error_code ec;
    switch (eArgs) {
    case DeviceArgs::FolderEach:
        return (path / strPart).string();
    case DeviceArgs::FileEach:
        return (path.parent_path() / (path.stem().string() + "-" + strPart + path.extension().string())).string();
    case DeviceArgs::FolderOrSame:
        return fs::is_directory(path / strPart, ec) ? (path / strPart).string() : strArg;
    case DeviceArgs::Same:
        break;
    }
    return strArg;
}

CommandLine ForPort(const CommandLine& cl, const std::string& strPort, DeviceArgs eArgs, bool bShare)
{
    CommandLine one = cl;
    one.options["--port"] = strPort;
    one.repeated["--port"] = {strPort};
    if (bShare && !one.args.empty())
        one.args[0] = ArgFor(one.args[0], strPort, eArgs);
    return one;
}

// In the child: the command on its device, its output into the pipes.
[[noreturn]] void RunChild(const CommandLine& cl, int (*run)(const CommandLine&), int fdOut, int fdErr)
{
    // Interrupts reach it from the runner only, once each.
    setpgid(0, 0);
    CFdOutBuf outBuf(fdOut), errBuf(fdErr);
    std::ostream out(&outBuf), err(&errBuf);
    CommandLine mine{cl.strCommand, cl.args, cl.options, cl.repeated, out, err};
    int nCode = run(mine);
    if (!out.flush() && nCode == EXIT_OK)
        nCode = EXIT_IO;
    err.flush();
    _exit(nCode);
}

// Whole lines of one device's output, prefixed by its port.
void PassLines(Device& device, int nStream, const char* pData, std::size_t nLen, std::ostream& to, bool bEnd)
{
    std::string& strPartial = device.astrPartial[nStream];
    strPartial.append(pData, nLen);
    std::size_t nl;
    while ((nl = strPartial.find('\n')) != std::string::npos) {
        to << device.strPort << ": " << strPartial.substr(0, nl) << "\n";
        strPartial.erase(0, nl + 1);
    }
    if (bEnd && !strPartial.empty()) {
        to << device.strPort << ": " << strPartial << "\n";
        strPartial.clear();
    }
    to.flush();
}

const char* ResultWord(int nCode)
{
    return nCode == EXIT_OK ? "ok" : nCode == EXIT_INTERRUPTED ? "interrupted" : "failed";
}
}  // namespace

std::string PortFileName(const std::string& strPort)
{
    std::string str;
    for (char c : strPort) {
        const bool bKeep = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
        if (bKeep)
            str += c;
        else if (!str.empty() && str.back() != '_')
            str += '_';
    }
    while (!str.empty() && str.back() == '_')
        str.pop_back();
    return str.empty() ? "port" : str;
}

int RunOnDevices(const CommandLine& cl, int (*run)(const CommandLine&), DeviceArgs eArgs)
{
    std::vector<std::string> astrPorts;
    std::string strError;
    if (!ResolvePorts(cl, astrPorts, strError))
        return cl.Fail(EXIT_USAGE, strError);
    if (astrPorts.size() == 1)
        return run(ForPort(cl, astrPorts[0], eArgs, false));

    if (eArgs == DeviceArgs::FolderEach && !cl.args.empty()) {
        std::error_code ec;
        fs::create_directories(cl.args[0], ec);
        if (ec)
            return cl.Fail(EXIT_IO, cl.args[0] + ": " + ec.message());
    }
    // The interrupts are taken here and handed to every device.
    sigset_t set, oldMask;
    sigemptyset(&set);
    for (int nSignal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, nSignal);
    pthread_sigmask(SIG_BLOCK, &set, &oldMask);
    const int fdSignal = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    cl.out.flush();
    cl.err.flush();

    std::vector<Device> devices(astrPorts.size());
    for (std::size_t i = 0; i < devices.size(); ++i) {
        Device& d = devices[i];
        d.strPort = astrPorts[i];
        int aOut[2], aErr[2];
        if (pipe2(aOut, O_CLOEXEC) != 0 || pipe2(aErr, O_CLOEXEC) != 0) {
            d.nCode = EXIT_IO;
            continue;
        }
        const CommandLine one = ForPort(cl, d.strPort, eArgs, true);
        d.pid = fork();
        if (d.pid == 0) {
            pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
            close(aOut[0]);
            close(aErr[0]);
            RunChild(one, run, aOut[1], aErr[1]);
        }
        close(aOut[1]);
        close(aErr[1]);
        d.afd[0] = aOut[0];
        d.afd[1] = aErr[0];
        if (d.pid < 0) {
            close(aOut[0]);
            close(aErr[0]);
            d.afd[0] = d.afd[1] = -1;
            cl.err << d.strPort << ": could not be started\n";
        }
    }

    for (;;) {
        std::vector<pollfd> afd{{fdSignal, POLLIN, 0}};
        std::vector<std::pair<Device*, int>> owners{{nullptr, 0}};
        for (Device& d : devices)
            for (int s = 0; s < 2; ++s)
                if (d.afd[s] >= 0) {
                    afd.push_back({d.afd[s], POLLIN, 0});
                    owners.emplace_back(&d, s);
                }
        if (afd.size() == 1)
            break;
        if (poll(afd.data(), afd.size(), -1) < 0)
            continue;  // EINTR
        signalfd_siginfo info;
        while (fdSignal >= 0 && read(fdSignal, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            for (const Device& d : devices)
                if (d.pid > 0)
                    kill(d.pid, static_cast<int>(info.ssi_signo));
        for (std::size_t k = 1; k < afd.size(); ++k) {
            if (!(afd[k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            auto [pDevice, nStream] = owners[k];
            char acBuf[4096];
            const ssize_t n = read(afd[k].fd, acBuf, sizeof acBuf);
            std::ostream& to = nStream == 0 ? cl.out : cl.err;
            if (n > 0) {
                PassLines(*pDevice, nStream, acBuf, static_cast<std::size_t>(n), to, false);
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                PassLines(*pDevice, nStream, acBuf, 0, to, true);
                close(pDevice->afd[nStream]);
                pDevice->afd[nStream] = -1;
            }
        }
    }

    bool bFailed = false, bInterrupted = false;
    for (Device& d : devices) {
        int nStatus = 0;
        if (d.pid > 0 && waitpid(d.pid, &nStatus, 0) == d.pid)
            d.nCode = WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : EXIT_IO;
        bFailed = bFailed || (d.nCode != EXIT_OK && d.nCode != EXIT_INTERRUPTED);
        bInterrupted = bInterrupted || d.nCode == EXIT_INTERRUPTED;
    }
    for (const Device& d : devices)
        cl.out << d.strPort << ": " << ResultWord(d.nCode) << "\n";
    if (fdSignal >= 0)
        close(fdSignal);
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    return bFailed ? EXIT_IO : bInterrupted ? EXIT_INTERRUPTED : EXIT_OK;
}
