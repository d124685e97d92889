// vardenctl audio: the sound server's sinks and sources, as measure names them.
#include <iomanip>

#include "CommandLine.h"
#include "MeasureCommand.h"
#include "PwNodeList.h"

int RunAudio(const CommandLine& cl)
{
    CPipeWireSession session;
    std::string error;
    std::vector<PwNodeInfo> aNodes;
    if (!ConnectSoundServer(session, error) || !ListPwNodes(session, aNodes, error))
        return cl.Fail(EXIT_IO, error);
    if (aNodes.empty()) {
        cl.out << "No sinks or sources found.\n";
        return EXIT_OK;
    }
    std::size_t nWidth = 4;
    for (const PwNodeInfo& n : aNodes)
        nWidth = std::max(nWidth, n.strName.size());
    cl.out << std::left << std::setw(static_cast<int>(nWidth)) << "NAME"
           << "  KIND    CHANNELS  RATE      DESCRIPTION\n";
    for (const PwNodeInfo& n : aNodes) {
        const std::string strKind = IsPwSink(n) && IsPwSource(n) ? "duplex" : IsPwSink(n) ? "sink" : "source";
        cl.out << std::left << std::setw(static_cast<int>(nWidth)) << n.strName << "  " << std::setw(6) << strKind
               << "  " << std::setw(8) << (n.nChannels > 0 ? std::to_string(n.nChannels) : "?") << "  " << std::setw(8)
               << (n.nRate > 0 ? std::to_string(n.nRate) : "?") << "  " << n.strDescription << "\n";
    }
    return EXIT_OK;
}
