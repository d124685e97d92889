// The commands that talk to a device (or the virtual processor) over a port,
// on the same link controller and serial layer as the window.
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iomanip>

#include "CliSession.h"
#include "CommandLine.h"
#include "DeviceLink.h"
#include "EnumerateSerialPorts.h"
#include "LinkMessages.h"
#include "MessageBox.h"
#include "NetPortMemory.h"
#include "PresetFile.h"
#include "PresetIo.h"
#include "PresetName.h"
#include "PresetNameRule.h"
#include "SerialDiscoveryError.h"
#include "SimPtyServer.h"
#include "SimSound.h"
#include "SlotVerify.h"
#include "TALVRoute.h"

namespace {
std::optional<int> SlotOption(const CommandLine& cl)
{
    const auto slot = ParseInt(cl.Get("--slot"), 0, NUM_PRESET_SLOTS - 1);
    if (!slot)
        cl.Fail(EXIT_USAGE, "--slot takes a slot number from 0 (live) to 5, not '" + cl.Get("--slot") + "'");
    return slot;
}
}  // namespace

int RunPorts(const CommandLine& cl)
{
    std::vector<SerialPortInfo> ports;
    try {
        EnumerateSerialPorts(ports, false);
    } catch (const CSerialDiscoveryError& e) {
        return cl.Fail(EXIT_IO, e.what());
    }
    const std::vector<std::string> astrNet = LoadNetPorts();
    if (ports.empty() && astrNet.empty()) {
        cl.out << "No serial ports found.\n";
        return EXIT_OK;
    }
    for (const SerialPortInfo& p : ports)
        cl.out << std::left << std::setw(14) << p.strDisplayName << std::setw(5) << (p.fUsb ? "USB" : "-")
               << p.strDescription << "\n";
    // Device servers are not discovered: these are the ones connected to before.
    for (const std::string& strPort : astrNet)
        cl.out << std::left << std::setw(13) << strPort << " " << std::setw(5) << "NET"
               << "network port, connected to before\n";
    return EXIT_OK;
}

int RunNames(const CommandLine& cl)
{
    CCliSession session(cl);
    if (!session.Connect())
        return EXIT_IO;
    if (!session.ReadNames())
        return session.StepFailed(std::string());
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s)
        cl.out << s << (s == 0 ? " (live)  " : "         ") << NameForTerminal(session.m_link.GetPresetName(s)) << "\n";
    return session.Finish(EXIT_OK, "the names were read");
}

int RunRead(const CommandLine& cl)
{
    const auto slot = SlotOption(cl);
    if (!slot)
        return EXIT_USAGE;
    const std::string out = cl.args[0];
    // A transfer that could not be kept is not worth making.
    if (const int nCode = CheckOutput(cl, out))
        return nCode;
    std::string error;

    CCliSession session(cl);
    if (!session.Connect())
        return EXIT_IO;
    PresetData data;
    if (!session.ReadSlot(*slot, data, "reading slot " + std::to_string(*slot)))
        return session.StepFailed("nothing was written to " + out);
    session.m_link.Disconnect();
    // Stopped is stopped: what was read is not kept.
    if (session.IsStopRequested())
        return session.StoppedBefore("slot " + std::to_string(*slot) + " was read, but nothing was written to " + out);

    if (!WritePreset(out, data, error))
        return cl.Fail(EXIT_IO, error);
    cl.out << "Read slot " << *slot << " (" << QuotedName(data.strName) << ") into " << EscapeControls(out) << "\n";
    return EXIT_OK;
}

int RunWrite(const CommandLine& cl)
{
    const auto slot = SlotOption(cl);
    if (!slot)
        return EXIT_USAGE;
    PresetData data;
    std::string error;
    if (FormatOfPath(cl.args[0]) == PresetFormat::Unknown)
        return cl.Fail(EXIT_USAGE, cl.args[0] + ": the extension must be .dia or .json");
    std::string name;
    if (cl.Has("--name") && !NameFromTerminal(cl.Get("--name"), name, error))
        return cl.Fail(EXIT_USAGE, "--name: " + error);
    if (const PresetFault fault = ReadPreset(cl.args[0], data, error); fault != PresetFault::None)
        return cl.Fail(ExitForPresetFault(fault), error);
    if (!cl.Has("--name")) {
        // A file may hold a longer name than the device keeps; it is not cut
        // behind the user's back.
        name = data.strName;
        if (const std::string problem = CheckDeviceName(name); !problem.empty())
            return cl.Fail(EXIT_USAGE, cl.args[0] + ": " + problem +
                                           "; give --name NAME to write it under a name the device keeps");
    }

    // A write needs nothing from the device first: the name frame and the
    // four blocks go out at once.
    CCliSession session(cl);
    if (!session.Connect())
        return EXIT_IO;
    if (!session.WriteSlot(*slot, data, name))
        return session.StepFailed(session.WrittenPart(*slot));
    cl.out << "Wrote " << EscapeControls(cl.args[0]) << " to slot " << *slot << " as " << QuotedName(name) << "\n";
    const std::string written = "slot " + std::to_string(*slot) + " was written";
    if (!cl.Has("--verify"))
        return session.Finish(EXIT_OK, written);
    if (session.IsStopRequested())
        return session.StoppedBefore(written + " but not verified");
    return session.Finish(ReportVerifiedWrite(session, *slot, PresetFromRoute(session.m_route), name),
                          written + " and verified");
}

int RunSim(const CommandLine& cl)
{
    SimServerOptions options;
    options.bPaced = !cl.Has("--fast");
    options.strStateFile = cl.Get("--state");
    if (cl.Has("--fault") && !ParseSimFault(cl.Get("--fault"), options.fault))
        return cl.Fail(EXIT_USAGE, "unknown fault '" + cl.Get("--fault") + "'");

    // Signals are read from a descriptor below; block them before the
    // server's threads start so none of them is interrupted instead. SIGHUP
    // too: a closed terminal must not lose the state.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    const int fdSignal = signalfd(-1, &set, SFD_CLOEXEC);
    if (fdSignal < 0)
        return cl.Fail(EXIT_IO, std::string("cannot wait for signals: ") + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closeSignal{fdSignal};

    int nExit = EXIT_OK;
    const std::unique_ptr<CSimAudioServer> pSound = StartSimSound(cl, nExit);
    if (nExit != EXIT_OK)
        return nExit;
    CSimPtyServer server(options);
    std::string error;
    if (!server.Start(error))
        return cl.Fail(EXIT_IO, error);
    if (pSound)
        AttachSimSound(server, *pSound);
    cl.out << server.GetPortPath() << std::endl;
    cl.err << "vardenctl sim: serving on " << server.GetPortPath() << (options.bPaced ? " at 9600 baud" : " unpaced")
           << "; Ctrl-C ends it\n";
    if (pSound)
        cl.err << "vardenctl sim: sound on PipeWire: play into " << SIM_SINK_NAME << ", the outputs are "
               << SIM_SOURCE_NAME << "\n";
    // Serve until a signal, or until the hang-up fault has taken the port
    // away: a port that is gone serves nobody.
    pollfd afd[2] = {{fdSignal, POLLIN, 0}, {server.GetHangUpDescriptor(), POLLIN, 0}};
    while (::poll(afd, 2, -1) < 0 && errno == EINTR) {
    }
    if (afd[1].revents & POLLIN)
        cl.err << "vardenctl sim: the line was hung up (fault hangup); " << server.GetPortPath()
               << " is gone, ending\n";
    if (pSound)
        DetachSimSound(server, *pSound, cl);
    if (!server.Stop(error))
        return cl.Fail(EXIT_IO, "the state was not saved: " + error);
    if (!options.strStateFile.empty())
        cl.err << "vardenctl sim: state saved to " << options.strStateFile << "\n";
    return EXIT_OK;
}
