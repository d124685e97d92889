// The telnet client side of a network port, held against byte sequences
// written out by hand from the telnet and COM port option rules.
#include <gtest/gtest.h>

#include <vector>

#include "NetAddress.h"
#include "TelnetCodec.h"

namespace {
using Bytes = std::vector<BYTE>;

Bytes Decode(CTelnetCodec& codec, const Bytes& wire)
{
    Bytes data(wire.size());
    data.resize(codec.Decode(wire.data(), wire.size(), data.data()));
    return data;
}

Bytes Encode(const CTelnetCodec& codec, const Bytes& data)
{
    Bytes wire;
    codec.Encode(data.data(), data.size(), wire);
    return wire;
}
}  // namespace

// One conversation with a server, step by step: what comes in, the data the
// program sees and what it must answer.
TEST(TelnetCodecTest, AnswersNegotiationOnceAndKeepsDataIntact)
{
    CTelnetCodec codec;
    EXPECT_EQ(codec.Greeting(), (Bytes{255, 251, 44, 255, 251, 0, 255, 251, 3, 255, 253, 0, 255, 253, 3}));
    // Before binary is agreed a bare CR goes out as CR NUL, 0xFF always doubled.
    EXPECT_EQ(Encode(codec, {0xFF, 0xFF, 0xFF, 0x0D, 0x41}), (Bytes{255, 255, 255, 255, 255, 255, 13, 0, 65}));

    const struct {
        Bytes wire, data, replies;
    } steps[] = {
        // Our own requests agreed: no answer, or the two sides would echo for ever.
        {{255, 253, 44, 255, 253, 0, 255, 251, 0, 255, 253, 3, 255, 251, 3}, {}, {}},
        // Agreed again: still no answer.
        {{255, 253, 44, 255, 251, 0}, {}, {}},
        // Echo and terminal type are not ours: refused.
        {{255, 251, 1, 255, 253, 24}, {}, {255, 254, 1, 255, 252, 24}},
        // Data with an escaped 0xFF, a NOP inside, and CR NUL kept as is now that binary is on.
        {{1, 255, 255, 2, 255, 241, 13, 0, 255}, {1, 255, 2, 13, 0}, {}},
        // The escape split across two reads, then the server's answer to the baud rate.
        {{255, 3, 255, 250, 44, 101, 0, 0, 37, 128, 255, 240, 4}, {255, 3, 4}, {}},
        // An answer whose value holds 0xFF (doubled inside the subnegotiation).
        {{255, 250, 44, 102, 255, 255, 255, 240}, {}, {}},
        // The server stops binary: acknowledged once.
        {{255, 252, 0, 255, 252, 0}, {}, {255, 254, 0}},
        // Without binary from the server its CR NUL is a CR.
        {{13, 0, 13, 10}, {13, 13, 10}, {}},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(Decode(codec, step.wire), step.data);
        EXPECT_EQ(codec.TakeReplies(), step.replies);
    }
    EXPECT_TRUE(codec.IsComPortOn());
    Bytes value;
    ASSERT_TRUE(codec.GetAnswer(CTelnetCodec::CPO_SET_BAUDRATE, value));
    EXPECT_EQ(value, (Bytes{0, 0, 37, 128}));
    ASSERT_TRUE(codec.GetAnswer(CTelnetCodec::CPO_SET_DATASIZE, value));
    EXPECT_EQ(value, Bytes{255});
    EXPECT_FALSE(codec.GetAnswer(CTelnetCodec::CPO_SET_PARITY, value));
    // Binary on our side still: no NUL after CR.
    EXPECT_EQ(Encode(codec, {13, 255}), (Bytes{13, 255, 255}));
    EXPECT_EQ(CTelnetCodec::ComPortCommand(1, {0, 0, 0xFF, 0x80}),
              (Bytes{255, 250, 44, 1, 0, 0, 255, 255, 128, 255, 240}));

    CTelnetCodec refused;
    refused.Greeting();
    EXPECT_EQ(Decode(refused, {255, 254, 44}), Bytes{});
    EXPECT_TRUE(refused.IsComPortRefused());
    EXPECT_EQ(refused.TakeReplies(), Bytes{});
}

TEST(TelnetCodecTest, NetworkAddressesParseOnlyWhenWhole)
{
    const struct {
        const char* pszName;
        bool bValid;
        NetScheme eScheme;
        const char *pszHost, *pszPort;
    } cases[] = {
        {"tcp://rack1:7001", true, NetScheme::Tcp, "rack1", "7001"},
        {"\\\\.\\rfc2217://10.0.0.5:2001", true, NetScheme::Rfc2217, "10.0.0.5", "2001"},
        {"tcp://[::1]:65535", true, NetScheme::Tcp, "::1", "65535"},
        {"tcp://[fe80::1%eth0]:1", true, NetScheme::Tcp, "fe80::1%eth0", "1"},
        {"tcp://rack1", false, {}, "", ""},
        {"tcp://rack1:0", false, {}, "", ""},
        {"tcp://rack1:65536", false, {}, "", ""},
        {"tcp://:7001", false, {}, "", ""},
        {"tcp://::1:7001", false, {}, "", ""},
        {"tcp://[::1]7001", false, {}, "", ""},
        {"tcp://rack 1:7001", false, {}, "", ""},
        {"tcp://rack1:7001x", false, {}, "", ""},
        {"udp://rack1:7001", false, {}, "", ""},
        {"/dev/ttyUSB0", false, {}, "", ""},
    };
    for (const auto& c : cases) {
        NetAddress address;
        EXPECT_EQ(ParseNetAddress(c.pszName, address), c.bValid) << c.pszName;
        if (!c.bValid)
            continue;
        EXPECT_EQ(address.eScheme, c.eScheme) << c.pszName;
        EXPECT_EQ(address.strHost, c.pszHost) << c.pszName;
        EXPECT_EQ(address.strPort, c.pszPort) << c.pszName;
    }
}
