#include "LinkLossText.h"

#include "Frame.h"
#include "NetAddress.h"
#include "NetErrorText.h"

std::string DescribeLinkLoss(LinkLoss loss)
{
    switch (loss) {
    case LinkLoss::HungUp:
        return "the line was hung up (adapter unplugged, or the device side closed)";
    case LinkLoss::DamagedAnswers:
        return "the device answered, but with damaged frames or with answers to other requests (too late)";
    case LinkLoss::StoppedAnswering:
        return "the device stopped answering";
    case LinkLoss::NoAnswer:
    case LinkLoss::None:
        break;
    }
    return "the device did not answer";
}

std::string DescribeLinkLoss(LinkLoss loss, const std::string& strPort)
{
    if (loss == LinkLoss::HungUp && IsNetPortName(strPort))
        return DescribeNetClosed(strPort);
    return DescribeLinkLoss(loss);
}

std::string DescribeWrittenPart(int nSlot, int nAnswered, bool bNextOnLine)
{
    const std::string slot = "slot " + std::to_string(nSlot);
    const std::string next = nAnswered <= 0 ? "the name" : "channel " + std::to_string(nAnswered);
    const std::string maybe = next + " was being sent and may be stored too";
    if (nAnswered <= 0)
        return slot + " may be left partly written: nothing of it was acknowledged" +
               (bNextOnLine ? "; " + next + " was being sent and may be stored" : std::string());
    const int nBlocks = nAnswered - 1;
    const std::string of = " of " + std::to_string(NUM_CHANNELS);
    std::string part = "name and ";
    if (nBlocks == 0)
        part = "the name, no channel" + of;
    else if (nBlocks == 1)
        part += "channel 1" + of;
    else
        part += "channels 1-" + std::to_string(nBlocks) + of;
    return slot + " is left partly written: " + part + " stored" + (bNextOnLine ? "; " + maybe : std::string());
}
