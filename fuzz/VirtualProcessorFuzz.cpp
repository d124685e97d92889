// The virtual processor on anything a program or a line sends it: it never
// stores a value the device does not define, and its state saves and loads
// to the same bytes. An input starting with an odd byte goes to LoadState
// instead, which takes a state back exactly or refuses it.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "DeviceLimits.h"
#include "FuzzCheck.h"
#include "VirtualProcessor.h"

namespace {
// Building the factory presets costs more than a run; copy them instead.
const CVirtualProcessor& Factory()
{
    static const CVirtualProcessor factory;
    return factory;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize == 0)
        return 0;
    CVirtualProcessor device = Factory();
    const std::vector<BYTE> rest(pData + 1, pData + nSize);
    if (pData[0] & 1) {
        const std::vector<BYTE> before = device.SaveState();
        if (device.LoadState(rest))
            FuzzCheck(device.SaveState() == rest, "a loaded state saves as it was");
        else
            FuzzCheck(device.SaveState() == before, "a refused state changes nothing");
        return 0;
    }
    // The first byte also picks a fault and the size of the pieces the
    // bytes arrive in; a piece of size 1 in a row lets a frame be abandoned.
    const int nFault = (pData[0] >> 1) % 7;
    device.SetFault(static_cast<SimFault>(nFault), nFault ? 3 : -1);
    const std::size_t nPiece = 1 + (pData[0] >> 4);
    for (std::size_t i = 0; i < rest.size(); i += nPiece) {
        const std::size_t n = std::min(nPiece, rest.size() - i);
        device.Receive(rest.data() + i, n);
        if (n == 1 && rest[i] == 0)
            device.AbandonFrame();
        for (const SimChunk& chunk : device.TakeOutput())
            FuzzCheck(!chunk.bytes.empty() && chunk.bytes.size() <= BLOCK_FRAME_LEN + 16, "answers are frames");
        device.TakeHangUp();
    }
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s)
        for (int k = 0; k < NUM_CHANNELS; ++k)
            FuzzCheck(DeviceLimits::IsBlockInRange(device.GetBlock(s, k).data()), "stored blocks in range");
    const std::vector<BYTE> state = device.SaveState();
    CVirtualProcessor copy = Factory();
    FuzzCheck(copy.LoadState(state), "a saved state loads");
    FuzzCheck(copy.SaveState() == state, "save, load, save gives the same bytes");
    return 0;
}
