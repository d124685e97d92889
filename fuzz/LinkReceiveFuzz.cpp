// The link's receive parser on any bytes, with requests queued: it never
// crashes, keeps names of at most eight bytes, and stores an answer only for
// the request at the head that asked for it (a name for the query of its
// slot, a block for the request of its channel).
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "Command.h"
#include "FrameChecksum.h"
#include "FuzzCheck.h"

namespace {
constexpr std::size_t MAX_REQUESTS = 16;
constexpr BYTE REQUESTS[] = {CMD_POLL, CMD_PARAMETER, CMD_NAME, CMD_NAME_QUERY, CMD_BLOCK_REQUEST, CMD_BLOCK_WRITE};

std::unique_ptr<CSendData> MakeRequest(BYTE command, BYTE index1, BYTE index2)
{
    std::array<BYTE, BLOCK_FRAME_LEN> f{};
    const int nLen = RequestLength(command);
    SetFrameEnds(f.data(), nLen, command);
    f[FRAME_INDEX1] = index1;
    f[FRAME_INDEX2] = index2;
    SetFrameChecksum(f.data(), nLen);
    return std::make_unique<CSendData>(f.data(), nLen);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    // Three bytes per queued request (kind, index bytes), count first.
    if (nSize == 0)
        return 0;
    CCommand link;
    const std::size_t nRequests = pData[0] % MAX_REQUESTS;
    std::size_t i = 1;
    // Requests count as sent, as if each went out on its tick.
    for (std::size_t r = 0; r < nRequests && i + 3 <= nSize; ++r, i += 3) {
        auto pRequest = MakeRequest(REQUESTS[pData[i] % sizeof REQUESTS], pData[i + 1] % 8, pData[i + 2] % 8);
        pRequest->m_bUnsent = 0;
        link.Enqueue(std::move(pRequest));
    }

    // The rest arrives in reads whose sizes come from the bytes themselves:
    // a read ends after a 0x00, so one read can hold several frames.
    while (i < nSize) {
        std::size_t n = 0;
        while (i + n < nSize && n < static_cast<std::size_t>(CCommand::READ_CHUNK) && pData[i + n++] != 0) {
        }
        const int nBefore = link.GetCount();
        std::array<std::array<BYTE, 3>, MAX_REQUESTS> queued{};  // command and index bytes, head first
        for (int q = 0; q < nBefore; ++q) {
            const BYTE* f = link.GetQueue().GetAt(q)->GetData();
            queued[static_cast<std::size_t>(q)] = {f[FRAME_CMD], f[FRAME_INDEX1], f[FRAME_INDEX2]};
        }
        // Whether one of the requests answered by this read was this one.
        auto answered = [&](int nAnswered, BYTE command, int nIndexPos, int nIndex) {
            for (int q = 0; q < nAnswered; ++q)
                if (queued[static_cast<std::size_t>(q)][0] == command &&
                    queued[static_cast<std::size_t>(q)][nIndexPos == FRAME_INDEX1 ? 1 : 2] == nIndex)
                    return true;
            return false;
        };
        const auto names = link.GetNames();
        std::array<std::array<BYTE, BLOCK_FRAME_LEN>, NUM_CHANNELS> blocks;
        for (int k = 0; k < NUM_CHANNELS; ++k)
            std::copy_n(link.GetBlock(k), BLOCK_FRAME_LEN, blocks[static_cast<std::size_t>(k)].begin());

        link.TakeReceived(pData + i, static_cast<int>(n));
        i += n;

        const int nAnswered = nBefore - link.GetCount();
        FuzzCheck(nAnswered >= 0, "the queue never grows from received bytes");
        for (int s = 0; s < NUM_PRESET_SLOTS; ++s) {
            const std::string& name = link.GetNames()[static_cast<std::size_t>(s)];
            FuzzCheck(name.size() <= PRESET_NAME_LEN, "names are at most eight bytes");
            if (name != names[static_cast<std::size_t>(s)])
                FuzzCheck(answered(nAnswered, CMD_NAME_QUERY, FRAME_INDEX2, s),
                          "a name is stored only for the query of its slot");
        }
        for (int k = 0; k < NUM_CHANNELS; ++k) {
            const BYTE* pBlock = link.GetBlock(k);
            if (!std::equal(pBlock, pBlock + BLOCK_FRAME_LEN, blocks[static_cast<std::size_t>(k)].begin())) {
                FuzzCheck(pBlock[FRAME_CMD] == CMD_BLOCK_REPLY && pBlock[FRAME_INDEX1] == k,
                          "a stored block is a block reply of its channel");
                FuzzCheck(answered(nAnswered, CMD_BLOCK_REQUEST, FRAME_INDEX1, k),
                          "a block is stored only for the request of its channel");
            }
        }
    }
    return 0;
}
