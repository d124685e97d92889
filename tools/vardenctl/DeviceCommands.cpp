// The commands that talk to a device (or the virtual processor) over a port,
// on the same link controller and serial layer as the window.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iomanip>

#include "CliSession.h"
#include "CommandLine.h"
#include "DeviceLink.h"
#include "EnumerateSerialPorts.h"
#include "LinkLossText.h"
#include "LinkMessages.h"
#include "MessageBox.h"
#include "PresetFile.h"
#include "PresetIo.h"
#include "PresetName.h"
#include "SerialDiscoveryError.h"
#include "SimPtyServer.h"
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
    if (ports.empty()) {
        cl.out << "No serial ports found.\n";
        return EXIT_OK;
    }
    for (const SerialPortInfo& p : ports)
        cl.out << std::left << std::setw(14) << p.strDisplayName << std::setw(5) << (p.fUsb ? "USB" : "-")
               << p.strDescription << "\n";
    return EXIT_OK;
}

int RunNames(const CommandLine& cl)
{
    CCliSession session(cl);
    if (!session.Connect(CDeviceLink::ConnectMode::NamesOnly))
        return EXIT_IO;
    if (!session.RunUntil([&] { return session.m_bNames; }))
        return session.LinkFailed();
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s)
        cl.out << s << (s == 0 ? " (live)  " : "         ")
               << NameForTerminal(session.m_link.m_strPresetName[static_cast<std::size_t>(s)]) << "\n";
    return EXIT_OK;
}

int RunRead(const CommandLine& cl)
{
    const auto slot = SlotOption(cl);
    if (!slot)
        return EXIT_USAGE;
    const std::string out = cl.args[0];
    if (FormatOfPath(out) == PresetFormat::Unknown)
        return cl.Fail(EXIT_USAGE, out + ": the extension must be .dia or .json");
    // A transfer that could not be kept is not worth making.
    std::string error;
    if (!CheckWritable(out, error))
        return cl.Fail(EXIT_IO, error);

    CCliSession session(cl);
    int nReads = 0;
    bool bDone = false;
    session.m_wnd.m_onReadComplete = [&] {
        // A backup takes the blocks as they are: a read never writes.
        session.m_link.LoadReceivedBlocks();
        session.m_wnd.EnableWindow(true);
        // The first read is the live preset the connection always fetches.
        if (++nReads == 1 && *slot != 0)
            session.m_link.ReadFromDevice(*slot);
        else
            bDone = true;
    };
    session.m_wnd.ShowTransferProgress(true);
    if (!session.Connect(CDeviceLink::ConnectMode::Full))
        return EXIT_IO;
    if (!session.RunUntil([&] { return bDone; }))
        return session.LinkFailed("; nothing was written to " + out);
    session.m_link.Disconnect();

    session.m_route.m_strName = session.m_link.m_strPresetName[static_cast<std::size_t>(*slot)];
    if (!WritePreset(out, PresetFromRoute(session.m_route), error))
        return cl.Fail(EXIT_IO, error);
    cl.out << "Read slot " << *slot << " (\"" << NameForTerminal(session.m_route.m_strName) << "\") into " << out
           << "\n";
    return EXIT_OK;
}

namespace {
// About how long the frames still queued take on the line: each goes out on
// a tick, and it and its answer take their bytes' time at the line's rate.
int SecondsToDrain(const CSendDataQueue& queue)
{
    long nMs = 0;
    for (int i = 0; i < queue.GetCount(); ++i) {
        const long nBytes = queue.GetAt(i)->GetLength() + SHORT_FRAME_LEN;
        nMs += nBytes * LINK_BITS_PER_BYTE * 1000 / LINK_BAUD + 2 * LINK_TICK_MS;
    }
    return static_cast<int>((nMs + 999) / 1000);
}
}  // namespace

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
    if (!ReadPreset(cl.args[0], data, error))
        return cl.Fail(EXIT_IO, error);
    if (!cl.Has("--name"))
        name = data.strName;
    if (name.size() > PRESET_NAME_LEN) {
        name.resize(PRESET_NAME_LEN);
        cl.err << "vardenctl write: the device keeps eight characters; the name is \"" << NameForTerminal(name)
               << "\"\n";
    }

    CCliSession session(cl);
    bool bWriting = false;
    bool bFinishing = false;
    bool bAborted = false;
    session.m_wnd.m_onReadComplete = [&] {
        session.m_link.LoadReceivedPreset();
        session.m_wnd.EnableWindow(true);
        if (bWriting)
            return;
        LoadRouteFromPreset(data, session.m_route);
        session.m_link.m_strPresetName[static_cast<std::size_t>(*slot)] = name;
        session.m_link.WriteToDevice(*slot);
        bWriting = true;
    };
    // Stopping in the middle leaves the slot renamed and partly written:
    // the first interrupt lets the transfer finish, a second one stops it.
    session.m_wnd.CatchInterrupts([&] {
        if (bWriting && !bFinishing) {
            bFinishing = true;
            cl.err << "vardenctl write: finishing the transfer to slot " << *slot << ", about "
                   << SecondsToDrain(session.m_link.GetLink().GetQueue())
                   << " s; interrupt again to stop at once and leave the slot partly written\n"
                   << std::flush;
        } else {
            bAborted = true;
        }
    });
    session.m_wnd.ShowTransferProgress(true);
    if (!session.Connect(CDeviceLink::ConnectMode::Full))
        return EXIT_IO;
    const bool bDone =
        session.RunUntil([&] { return bAborted || (bWriting && session.m_link.IsTransferComplete()); });
    const int nAnswered = session.m_link.GetTransferAnswered();
    const std::string strUnchanged = "slot " + std::to_string(*slot) + " was not changed";
    if (bAborted) {
        session.m_link.Disconnect();
        cl.Fail(EXIT_INTERRUPTED, "interrupted; " + (bWriting ? DescribeWrittenPart(*slot, nAnswered) : strUnchanged));
        return EXIT_INTERRUPTED;
    }
    if (!bDone) {
        session.m_link.Disconnect();
        return session.LinkFailed("; " + (bWriting ? DescribeWrittenPart(*slot, nAnswered) : strUnchanged));
    }
    cl.out << "Wrote " << cl.args[0] << " to slot " << *slot << " as \"" << NameForTerminal(name) << "\"\n";
    if (cl.Has("--verify"))
        return ReportVerifiedWrite(session, *slot, PresetFromRoute(session.m_route), name);
    session.m_link.Disconnect();
    return EXIT_OK;
}

int RunSim(const CommandLine& cl)
{
    SimServerOptions options;
    options.bPaced = !cl.Has("--fast");
    options.strStateFile = cl.Get("--state");
    if (cl.Has("--fault") && !ParseSimFault(cl.Get("--fault"), options.fault))
        return cl.Fail(EXIT_USAGE, "unknown fault '" + cl.Get("--fault") + "'");

    // Signals are taken with sigwait below; block them before the server's
    // threads start so none of them is interrupted instead.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);

    CSimPtyServer server(options);
    std::string error;
    if (!server.Start(error))
        return cl.Fail(EXIT_IO, error);
    cl.out << server.GetPortPath() << std::endl;
    cl.err << "vardenctl sim: serving on " << server.GetPortPath() << (options.bPaced ? " at 9600 baud" : " unpaced")
           << "; Ctrl-C ends it\n";
    int nSignal = 0;
    sigwait(&set, &nSignal);
    if (!server.Stop(error))
        return cl.Fail(EXIT_IO, "the state was not saved: " + error);
    if (!options.strStateFile.empty())
        cl.err << "vardenctl sim: state saved to " << options.strStateFile << "\n";
    return EXIT_OK;
}
