#include <gtest/gtest.h>

#include <random>
#include <string>

#include "DeviceLimits.h"
#include "FactoryPresets.h"
#include "FrameChecksum.h"
#include "VirtualProcessor.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes ShortFrame(BYTE cmd, int i1, int i2, Bytes payload = Bytes(SHORT_PAYLOAD_LEN, 0))
{
    Bytes f(SHORT_FRAME_LEN, 0);
    SetFrameEnds(f.data(), SHORT_FRAME_LEN, cmd);
    f[FRAME_INDEX1] = f[SHORT_INDEX1_COPY] = static_cast<BYTE>(i1);
    f[FRAME_INDEX2] = f[SHORT_INDEX2_COPY] = static_cast<BYTE>(i2);
    std::copy(payload.begin(), payload.end(), f.begin() + FRAME_PAYLOAD);
    SetFrameChecksum(f.data(), SHORT_FRAME_LEN);
    return f;
}

Bytes Words(std::initializer_list<int> w)
{
    Bytes p(2 * w.size());
    for (std::size_t i = 0; i < w.size(); ++i)
        SetWord(&p[2 * i], static_cast<std::int16_t>(w.begin()[i]));
    return p;
}

Bytes NameFrame(int slot, const std::string& text)
{
    const SimName n = MakeSimName(text);
    return ShortFrame(CMD_NAME, 0, slot, Bytes(n.begin(), n.end()));
}

Bytes BlockWrite(int ch, int slot, const SimBlock& content)
{
    Bytes f(content.begin(), content.end());
    f[FRAME_CMD] = CMD_BLOCK_WRITE;
    f[FRAME_INDEX1] = f[BLOCK_INDEX1_COPY] = static_cast<BYTE>(ch);
    f[FRAME_INDEX2] = f[BLOCK_INDEX2_COPY] = static_cast<BYTE>(slot);
    SetFrameChecksum(f.data(), BLOCK_FRAME_LEN);
    return f;
}

Bytes Exchange(CVirtualProcessor& vp, const Bytes& frame = {})
{
    vp.Receive(frame);
    Bytes out;
    for (const SimChunk& c : vp.TakeOutput())
        out.insert(out.end(), c.bytes.begin(), c.bytes.end());
    return out;
}

// The program's way of finding answers: FF FF FF, a known reply command,
// its length, the trailer.
std::vector<Bytes> FindReplies(const Bytes& in)
{
    std::vector<Bytes> found;
    Bytes cur;
    for (BYTE b : in) {
        cur.push_back(b);
        if (cur.size() <= FRAME_HEADER_LEN) {
            if (b != FRAME_HEADER)
                cur.clear();
            continue;
        }
        // A longer run of 0xFF is one header: the last three count.
        if (cur.size() == FRAME_HEADER_LEN + 1 && b == FRAME_HEADER) {
            cur.erase(cur.begin());
            continue;
        }
        const auto len = static_cast<std::size_t>(ReplyLength(cur[FRAME_CMD]));
        if (len != 0 && cur.size() == len && b == FRAME_TRAILER)
            found.push_back(cur);
        if (len == 0 || cur.size() == len)
            cur.clear();
    }
    return found;
}

// Ends, command, index bytes and copies of a block frame, and 1 for a valid
// checksum.
template <class Frame> Bytes BlockHead(const Frame& f)
{
    if (f.size() != BLOCK_FRAME_LEN)
        return {};
    return {f[0],
            f[1],
            f[2],
            f[FRAME_CMD],
            f[FRAME_INDEX1],
            f[FRAME_INDEX2],
            f[BLOCK_INDEX1_COPY],
            f[BLOCK_INDEX2_COPY],
            BYTE(HasValidChecksum(f.data(), BLOCK_FRAME_LEN)),
            f.back()};
}

Bytes ExpectedHead(BYTE cmd, int ch, int slot)
{
    return {0xFF, 0xFF, 0xFF, cmd, BYTE(ch), BYTE(slot), BYTE(ch), BYTE(slot), 1, FRAME_TRAILER};
}

}  // namespace

TEST(VirtualProcessor, AnswersPollAndAcknowledgesParameterFramesIntoTheLiveSlot)
{
    CVirtualProcessor vp;
    const Bytes poll = ShortFrame(CMD_POLL, 0, 0);
    EXPECT_EQ(Exchange(vp, poll), (Bytes{0xFF, 0xFF, 0xFF, 0xA5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAA}));

    const SimBlock stored1 = vp.GetBlock(1, 1);
    EXPECT_EQ(Exchange(vp, ShortFrame(CMD_PARAMETER, 1, 7, Words({110, 345, 12, 0}))), ShortFrame(CMD_ACK, 1, 7));
    // The block keeps the crossover and channel values in frame order.
    const Bytes xo = {0xD0, 0x07, 1, 3, 0x10, 0x27, 2, 6};   // HPF 2000, LPF 10000
    const Bytes ch = {0, 1, 0x20, 0x03, 0xC0, 0x03, 70, 1};  // gain 800, delay 960
    Exchange(vp, ShortFrame(CMD_PARAMETER, 2, XOVER_FRAME_INDEX, xo));
    Exchange(vp, ShortFrame(CMD_PARAMETER, 3, CHANNEL_FRAME_INDEX, ch));

    const Bytes reply = Exchange(vp, ShortFrame(CMD_BLOCK_REQUEST, 1, 0));
    EXPECT_EQ(BlockHead(reply), ExpectedHead(CMD_BLOCK_REPLY, 1, 0));
    const auto band7 = reply.begin() + BlockBand(7);
    EXPECT_EQ(Bytes(band7 + BLOCK_BAND_FREQ, band7 + BLOCK_BAND_Q + 2), Words({110, 345, 12}));
    const SimBlock& x = vp.GetBlock(0, 2);
    EXPECT_EQ(Bytes(&x[BLOCK_HPF_FREQ], &x[BLOCK_LPF_SLOPE] + 1), xo);
    const SimBlock& c = vp.GetBlock(0, 3);
    EXPECT_EQ(Bytes(&c[BLOCK_OUTPUT], &c[BLOCK_INPUT_LEVEL] + 1), ch);
    EXPECT_EQ(vp.GetBlock(1, 1), stored1);  // stored presets stay put
    EXPECT_EQ(vp.GetAcceptedCount(CMD_PARAMETER), 3);
    EXPECT_EQ(vp.GetRejectedCount(), 0);
}

TEST(VirtualProcessor, AnswersNameQueriesAndBlockRequestsFromItsStore)
{
    CVirtualProcessor vp;
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s) {
        const SimName& n = vp.GetName(s);
        EXPECT_EQ(Exchange(vp, ShortFrame(CMD_NAME_QUERY, 0, s)),
                  ShortFrame(CMD_NAME_REPLY, 0, s, Bytes(n.begin(), n.end())));
    }
    const Bytes block = Exchange(vp, ShortFrame(CMD_BLOCK_REQUEST, 2, 3));
    EXPECT_EQ(BlockHead(block), ExpectedHead(CMD_BLOCK_REPLY, 2, 3));
    EXPECT_TRUE(std::equal(block.begin(), block.end(), vp.GetBlock(3, 2).begin()));
}

TEST(VirtualProcessor, BlockWritesStoreAndOnlyTheyTakeAPendingName)
{
    CVirtualProcessor vp;
    const SimBlock flat = vp.GetBlock(2, 1);
    EXPECT_EQ(Exchange(vp, NameFrame(4, "MINE")), ShortFrame(CMD_ACK, 0, 4));
    EXPECT_EQ(vp.GetName(4), MakeSimName("VOCAL"));
    EXPECT_EQ(Exchange(vp, BlockWrite(3, 4, flat)), ShortFrame(CMD_ACK, 3, 4));
    EXPECT_EQ(vp.GetName(4), MakeSimName("MINE"));
    const SimBlock& stored = vp.GetBlock(4, 3);
    EXPECT_TRUE(
        std::equal(stored.begin() + FRAME_PAYLOAD, stored.begin() + BLOCK_INDEX1_COPY, flat.begin() + FRAME_PAYLOAD));
    EXPECT_EQ(BlockHead(stored), ExpectedHead(CMD_BLOCK_REPLY, 3, 4));

    // A read also starts with a name frame; the request drops it.
    Exchange(vp, NameFrame(5, "OTHER"));
    EXPECT_TRUE(vp.HasPendingName(5));
    Exchange(vp, ShortFrame(CMD_BLOCK_REQUEST, 0, 5));
    EXPECT_FALSE(vp.HasPendingName(5));
    Exchange(vp, BlockWrite(0, 5, flat));
    EXPECT_EQ(vp.GetName(5), MakeSimName("3WAY"));
}

TEST(VirtualProcessor, FindsFramesInAnyChunkingAndAmongGarbage)
{
    // A fourth FF is taken as the command byte: the block request is lost.
    const Bytes poll = ShortFrame(CMD_POLL, 0, 0);
    Bytes stream = {0x00, 0xFF, 0xFF, 0x52, 0xAA, 0xFF, 0x00};
    for (const Bytes& part :
         {poll, Bytes{0x13, 0xFF}, ShortFrame(CMD_BLOCK_REQUEST, 0, 0), ShortFrame(CMD_NAME_QUERY, 0, 3)})
        stream.insert(stream.end(), part.begin(), part.end());

    for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, stream.size()}) {
        CVirtualProcessor vp;
        for (std::size_t i = 0; i < stream.size(); i += chunk)
            vp.Receive(stream.data() + i, std::min(chunk, stream.size() - i));
        const std::vector<Bytes> replies = FindReplies(Exchange(vp));
        ASSERT_EQ(replies.size(), 2u) << "chunk " << chunk;
        EXPECT_EQ(replies[0][FRAME_CMD], CMD_POLL);
        EXPECT_EQ(replies[1][FRAME_CMD], CMD_NAME_REPLY);
        EXPECT_EQ(vp.GetLastReject(), SimReject::UnknownCommand);
    }

    // Noise rich in headers and command bytes, then a pause: the next frame
    // is answered again.
    CVirtualProcessor vp;
    std::mt19937 rng(7);
    const BYTE likely[] = {0xFF, 0xFF, 0xFF, CMD_PARAMETER, CMD_BLOCK_WRITE, CMD_NAME, FRAME_TRAILER};
    for (int i = 0; i < 20000; ++i) {
        const BYTE b = rng() % 2 ? likely[rng() % sizeof likely] : static_cast<BYTE>(rng());
        vp.Receive(&b, 1);
    }
    vp.TakeOutput();
    vp.Receive(Bytes{0xFF, 0xFF, 0xFF, CMD_BLOCK_WRITE, 0x01});
    vp.AbandonFrame();
    EXPECT_EQ(vp.GetLastReject(), SimReject::Truncated);
    EXPECT_EQ(Exchange(vp, poll).size(), static_cast<std::size_t>(POLL_REPLY_LEN));
}

TEST(VirtualProcessor, RejectsBrokenOrOutOfRangeFramesWithoutAnswerOrEffect)
{
    auto band = [](int freq, int gain, int q) { return ShortFrame(CMD_PARAMETER, 0, 4, Words({freq, gain, q, 0})); };
    auto xover = [](int hpf, BYTE type, BYTE slope) {
        return ShortFrame(CMD_PARAMETER, 0, XOVER_FRAME_INDEX,
                          {BYTE(hpf & 0xFF), BYTE(hpf >> 8), type, slope, 0x20, 0x4E, 0, 0});
    };
    auto chan = [](BYTE out, BYTE pol, int gain, int delay, BYTE gate, BYTE input) {
        return ShortFrame(
            CMD_PARAMETER, 0, CHANNEL_FRAME_INDEX,
            {out, pol, BYTE(gain & 0xFF), BYTE(gain >> 8), BYTE(delay & 0xFF), BYTE(delay >> 8), gate, input});
    };
    Bytes badSum = ShortFrame(CMD_POLL, 0, 0);
    badSum[SHORT_CHECKSUM] ^= 1;
    Bytes badCopy = ShortFrame(CMD_BLOCK_REQUEST, 1, 1);
    badCopy[SHORT_INDEX1_COPY] = 2;
    SetFrameChecksum(badCopy.data(), SHORT_FRAME_LEN);
    Bytes badTrailer = ShortFrame(CMD_POLL, 0, 0);
    badTrailer.back() = 0xAB;
    SimBlock hot = FactoryPreset(2).aBlock[0];
    SetWord(&hot[BLOCK_DELAY], 961);

    using R = SimReject;
    const std::vector<std::pair<Bytes, R>> bad = {
        {badSum, R::BadChecksum},
        {badCopy, R::BadCopy},
        {badTrailer, R::BadTrailer},
        {ShortFrame(CMD_PARAMETER, 4, 0, Words({20, 200, 0, 0})), R::BadIndex},
        {ShortFrame(CMD_PARAMETER, 0, 33), R::BadIndex},
        {ShortFrame(CMD_BLOCK_REQUEST, 0, 6), R::BadIndex},
        {ShortFrame(CMD_NAME_QUERY, 1, 0), R::BadIndex},
        {ShortFrame(0x57, 0, 0), R::UnknownCommand},
        {band(19, 200, 0), R::OutOfRange},
        {band(20001, 200, 0), R::OutOfRange},
        {band(1000, 401, 0), R::OutOfRange},
        {band(1000, -1, 0), R::OutOfRange},
        {band(1000, 200, 60), R::OutOfRange},
        {xover(19, 0, 0), R::OutOfRange},
        {xover(100, 3, 0), R::OutOfRange},
        {xover(100, 0, 7), R::OutOfRange},
        {chan(2, 0, 600, 0, 40, 0), R::OutOfRange},
        {chan(1, 2, 600, 0, 40, 0), R::OutOfRange},
        {chan(1, 0, 801, 0, 40, 0), R::OutOfRange},
        {chan(1, 0, 600, 961, 40, 0), R::OutOfRange},
        {chan(1, 0, 600, 0, 39, 0), R::OutOfRange},
        {chan(1, 0, 600, 0, 71, 0), R::OutOfRange},
        {chan(1, 0, 600, 0, 40, 2), R::OutOfRange},
        {BlockWrite(0, 0, hot), R::OutOfRange},
        {BlockWrite(0, 6, FactoryPreset(2).aBlock[0]), R::BadIndex},
    };
    CVirtualProcessor vp;
    const Bytes before = vp.SaveState();
    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_TRUE(Exchange(vp, bad[i].first).empty()) << "case " << i;
        EXPECT_EQ(vp.GetLastReject(), bad[i].second) << "case " << i;
        EXPECT_EQ(vp.GetRejectedCount(), static_cast<int>(i + 1));
    }
    EXPECT_EQ(vp.SaveState(), before);

    // The edges themselves are fine.
    for (const Bytes& ok : {band(20, 0, 0), band(20000, 400, 59), xover(20000, 2, 6), chan(0, 1, 0, 960, 70, 1),
                            chan(1, 0, 800, 0, 40, 0)})
        EXPECT_EQ(Exchange(vp, ok).size(), static_cast<std::size_t>(SHORT_FRAME_LEN));
    EXPECT_EQ(vp.GetRejectedCount(), static_cast<int>(bad.size()));
}

TEST(VirtualProcessor, FaultsShapeTheAnswerButNotTheEffect)
{
    const Bytes gainTo300 = ShortFrame(CMD_PARAMETER, 0, 0, Words({20, 300, 0, 0}));
    const Bytes ack = [&] {
        CVirtualProcessor clean;
        return Exchange(clean, gainTo300);
    }();

    CVirtualProcessor vp;
    vp.SetFault(SimFault::Silent, 1);
    EXPECT_TRUE(Exchange(vp, gainTo300).empty());
    EXPECT_EQ(GetWord(&vp.GetBlock(0, 0)[BlockBand(0) + BLOCK_BAND_GAIN]), 300);
    EXPECT_EQ(vp.GetFault(), SimFault::None);
    EXPECT_EQ(Exchange(vp, gainTo300), ack);

    vp.SetFault(SimFault::BadTrailer);
    for (int i = 0; i < 2; ++i) {
        const Bytes out = Exchange(vp, gainTo300);
        EXPECT_TRUE(FindReplies(out).empty());
        EXPECT_EQ(Bytes(out.begin(), out.end() - 1), Bytes(ack.begin(), ack.end() - 1));
    }

    vp.SetFault(SimFault::Garbage, 1);
    const Bytes junky = Exchange(vp, gainTo300);
    EXPECT_GT(junky.size(), ack.size());
    EXPECT_EQ(Bytes(junky.end() - SHORT_FRAME_LEN, junky.end()), ack);
    const std::vector<Bytes> found = FindReplies(junky);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], ack);

    vp.SetFault(SimFault::Split, 1);
    vp.Receive(ShortFrame(CMD_BLOCK_REQUEST, 0, 0));
    const std::vector<SimChunk> pieces = vp.TakeOutput();
    Bytes joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        EXPECT_LE(pieces[i].bytes.size(), std::size_t{CVirtualProcessor::DEFAULT_SPLIT_PIECE_LEN});
        EXPECT_EQ(pieces[i].nDelayMs, i == 0 ? 0 : CVirtualProcessor::DEFAULT_SPLIT_GAP_MS);
        joined.insert(joined.end(), pieces[i].bytes.begin(), pieces[i].bytes.end());
    }
    EXPECT_GT(pieces.size(), 50u);
    EXPECT_TRUE(std::equal(joined.begin(), joined.end(), vp.GetBlock(0, 0).begin()));

    vp.SetFault(SimFault::Late, 1);
    vp.Receive(gainTo300);
    const std::vector<SimChunk> late = vp.TakeOutput();
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].nDelayMs, CVirtualProcessor::DEFAULT_LATE_MS);
    EXPECT_EQ(late[0].bytes, ack);
    EXPECT_EQ(vp.GetAcceptedCount(CMD_PARAMETER), 6);
}

TEST(VirtualProcessor, FactoryContentIsValidAndSurvivesSaveAndLoad)
{
    const char* names[NUM_PRESET_SLOTS] = {"2WAY", "2WAY", "FLAT", "SUB+SAT", "VOCAL", "3WAY"};
    for (int s = 0; s < NUM_PRESET_SLOTS; ++s) {
        const SimPreset p = FactoryPreset(s);
        EXPECT_EQ(p.name, MakeSimName(names[s]));
        for (int k = 0; k < NUM_CHANNELS; ++k) {
            const SimBlock& b = p.aBlock[static_cast<std::size_t>(k)];
            EXPECT_TRUE(DeviceLimits::IsBlockInRange(b.data())) << s << "/" << k;
            EXPECT_EQ(BlockHead(b), ExpectedHead(CMD_BLOCK_REPLY, k, s));
        }
    }
    EXPECT_THROW(FactoryPreset(NUM_PRESET_SLOTS), std::out_of_range);
    EXPECT_EQ(MakeSimName("TOOLONGNAME"), MakeSimName("TOOLONGN"));

    CVirtualProcessor vp;
    Exchange(vp, NameFrame(3, "SAVED"));
    Exchange(vp, BlockWrite(1, 3, FactoryPreset(2).aBlock[1]));
    const Bytes saved = vp.SaveState();
    CVirtualProcessor other;
    ASSERT_TRUE(other.LoadState(saved));
    EXPECT_EQ(other.SaveState(), saved);
    EXPECT_EQ(other.GetName(3), MakeSimName("SAVED"));
    EXPECT_EQ(other.GetBlock(3, 1), vp.GetBlock(3, 1));

    Bytes outOfRange = saved;
    outOfRange.back() = 2;  // input level of slot 5 channel 3
    other.ResetToFactory();
    EXPECT_FALSE(other.LoadState(Bytes(saved.begin(), saved.end() - 1)));
    EXPECT_FALSE(other.LoadState(outOfRange));
    EXPECT_EQ(other.SaveState(), CVirtualProcessor().SaveState());
}
