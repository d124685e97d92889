#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "PresetFile.h"
#include "SimPtyServer.h"
#include "TALVRoute.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<BYTE>;

namespace {

Bytes FrameBytes(const CSendData& frame)
{
    return Bytes(frame.GetData(), frame.GetData() + frame.GetLength());
}

// A program's end of the line, opened the plain way.
class CClient {
public:
    explicit CClient(const std::string& path) : m_fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        termios tio{};
        if (m_fd >= 0 && tcgetattr(m_fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~CClient()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool IsOpen() const { return m_fd >= 0; }
    void Send(const Bytes& bytes) const
    {
        ASSERT_EQ(write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Up to nLen bytes, waiting at most guard (a failure guard, not a limit
    // the test relies on).
    Bytes Receive(std::size_t nLen, std::chrono::milliseconds guard = 5s) const
    {
        Bytes out;
        const auto end = std::chrono::steady_clock::now() + guard;
        while (out.size() < nLen && std::chrono::steady_clock::now() < end) {
            pollfd pfd{m_fd, POLLIN, 0};
            if (poll(&pfd, 1, 20) <= 0)
                continue;
            if (pfd.revents & POLLHUP)
                break;
            BYTE buf[512];
            const ssize_t n = read(m_fd, buf, std::min(sizeof buf, nLen - out.size()));
            if (n <= 0)
                break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

TEST(SimPtyServerTest, AnswersFramesOnThePseudoTerminal)
{
    SimServerOptions options;
    options.bPaced = false;
    CSimPtyServer server(options);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    CClient client(server.GetPortPath());
    ASSERT_TRUE(client.IsOpen());

    // A whole frame with half of the next one behind it in the same write,
    // a pause longer than the device waits, then the second frame whole: the
    // half is forgotten, not glued to what follows.
    CTALVRoute route;
    const Bytes request = FrameBytes(*route.GetChannel(2).BuildBlockRequest(3));
    Bytes first = FrameBytes(*CTALVRoute::BuildPollFrame());
    first.insert(first.end(), request.begin(), request.begin() + 7);
    client.Send(first);
    const Bytes poll = client.Receive(POLL_REPLY_LEN + 1, 300ms);
    ASSERT_EQ(poll.size(), static_cast<std::size_t>(POLL_REPLY_LEN));
    EXPECT_EQ(poll[FRAME_CMD], CMD_POLL);
    EXPECT_EQ(poll.back(), FRAME_TRAILER);
    std::this_thread::sleep_for(120ms);
    client.Send(request);
    const Bytes block = client.Receive(BLOCK_FRAME_LEN);
    ASSERT_EQ(block.size(), static_cast<std::size_t>(BLOCK_FRAME_LEN));
    EXPECT_EQ(block[FRAME_CMD], CMD_BLOCK_REPLY);
    EXPECT_EQ(block[FRAME_INDEX1], 2);
    const SimBlock stored = server.WithProcessor([](CVirtualProcessor& p) { return p.GetBlock(3, 2); });
    EXPECT_TRUE(std::equal(block.begin(), block.end(), stored.begin()));

    // A split answer keeps the pauses between its pieces and still arrives
    // whole and in order.
    server.SetFault(SimFault::Split, 1);
    const auto t0 = std::chrono::steady_clock::now();
    client.Send(FrameBytes(*CTALVRoute::BuildPollFrame()));
    EXPECT_EQ(client.Receive(POLL_REPLY_LEN), poll);
    const int nGaps = (POLL_REPLY_LEN - 1) / CVirtualProcessor::DEFAULT_SPLIT_PIECE_LEN;
    EXPECT_GE(std::chrono::steady_clock::now() - t0,
              std::chrono::milliseconds(nGaps * CVirtualProcessor::DEFAULT_SPLIT_GAP_MS));

    server.Stop();
    server.Stop();  // a second stop does nothing
}

TEST(SimPtyServerTest, PacedLineTakesTheTimeOfItsBytes)
{
    CSimPtyServer server(SimServerOptions{});
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    CClient client(server.GetPortPath());
    CTALVRoute route;
    const auto t0 = std::chrono::steady_clock::now();
    client.Send(FrameBytes(*route.GetChannel(0).BuildBlockRequest(0)));
    const Bytes block = client.Receive(BLOCK_FRAME_LEN);
    const auto elapsed = std::chrono::steady_clock::now() - t0;
    ASSERT_EQ(block.size(), static_cast<std::size_t>(BLOCK_FRAME_LEN));
    // 18 bytes in and 274 out at about 1.04 ms each: never faster.
    EXPECT_GE(elapsed, 290ms);

    // Stopping with a client on the line and an answer still on its way
    // neither waits for the answer nor minds being repeated.
    client.Send(FrameBytes(*route.GetChannel(1).BuildBlockRequest(0)));
    std::this_thread::sleep_for(30ms);
    server.Stop();
    server.Stop();
}

TEST(SimPtyServerTest, StateFileCarriesPresetsAcrossSessions)
{
    const fs::path dir = fs::temp_directory_path() / ("varden-simstate-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string state = (dir / "device.vsim").string();

    CTALVRoute route;
    route.GetChannel(3).SetChannelGain(555);
    SimServerOptions options;
    options.bPaced = false;
    options.strStateFile = state;
    {
        CSimPtyServer server(options);
        std::string error;
        ASSERT_TRUE(server.Start(error)) << error;
        CClient client(server.GetPortPath());
        client.Send(FrameBytes(*CTALVRoute::BuildNameFrame(5, "KEEPME")));
        ASSERT_EQ(client.Receive(SHORT_FRAME_LEN).size(), static_cast<std::size_t>(SHORT_FRAME_LEN));
        client.Send(FrameBytes(*route.GetChannel(3).BuildBlockWrite(5)));
        ASSERT_EQ(client.Receive(SHORT_FRAME_LEN).size(), static_cast<std::size_t>(SHORT_FRAME_LEN));
    }  // the destructor stops and saves
    ASSERT_TRUE(fs::exists(state));

    {
        CSimPtyServer server(options);
        std::string error;
        ASSERT_TRUE(server.Start(error)) << error;
        server.WithProcessor([&](CVirtualProcessor& p) {
            const SimName& name = p.GetName(5);
            EXPECT_EQ(std::string(name.begin(), name.end()), "KEEPME  ");
            CTALVRoute back;
            back.GetChannel(3).LoadFromBlock(p.GetBlock(5, 3).data());
            EXPECT_EQ(back.GetChannel(3).GetChannelGain(), 555);
        });
    }

    // A damaged file is refused and left as it is.
    {
        std::ofstream(state, std::ios::binary | std::ios::trunc) << "not a state";
    }
    CSimPtyServer server(options);
    std::string error;
    EXPECT_FALSE(server.Start(error));
    EXPECT_NE(error.find(state), std::string::npos) << error;
    server.Stop();
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(state, bytes, error));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "not a state");
    fs::remove_all(dir);
}

TEST(SimPtyServerTest, HangUpDropsTheLineInsteadOfAnswering)
{
    const fs::path dir = fs::temp_directory_path() / ("varden-simhangup-" + std::to_string(getpid()));
    fs::create_directories(dir);
    SimServerOptions options;
    options.bPaced = false;
    options.strStateFile = (dir / "device.vsim").string();
    ASSERT_TRUE(ParseSimFault("hangup", options.fault));
    options.nFaultCount = 1;
    CSimPtyServer server(options);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    CClient client(server.GetPortPath());
    // The name frame is taken even though its answer never comes.
    client.Send(FrameBytes(*CTALVRoute::BuildNameFrame(4, "GONE")));
    pollfd pfd{client.Fd(), POLLIN, 0};
    bool bHungUp = false;
    for (int i = 0; i < 250 && !bHungUp; ++i)
        bHungUp = poll(&pfd, 1, 20) > 0 && (pfd.revents & POLLHUP);
    EXPECT_TRUE(bHungUp);
    BYTE b = 0;
    EXPECT_LE(read(client.Fd(), &b, 1), 0);
    EXPECT_TRUE(server.IsHungUp());
    server.WithProcessor([](CVirtualProcessor& p) {
        EXPECT_TRUE(p.HasPendingName(4));
        // The fault was for one answer only, but the line stays down.
        EXPECT_EQ(p.GetFault(), SimFault::None);
    });
    server.Stop();
    EXPECT_TRUE(fs::exists(options.strStateFile));  // saved all the same
    fs::remove_all(dir);

    const std::pair<const char*, SimFault> names[] = {
        {"none", SimFault::None},       {"silent", SimFault::Silent}, {"bad-trailer", SimFault::BadTrailer},
        {"garbage", SimFault::Garbage}, {"split", SimFault::Split},   {"late", SimFault::Late},
        {"hangup", SimFault::HangUp}};
    for (const auto& [name, expected] : names) {
        SimFault fault = SimFault::None;
        EXPECT_TRUE(ParseSimFault(name, fault) && fault == expected) << name;
    }
    SimFault fault = SimFault::Garbage;
    for (const char* bad : {"Silent", "", "hang-up", "late ", "silent\n"})
        EXPECT_FALSE(ParseSimFault(bad, fault)) << bad;
    EXPECT_EQ(fault, SimFault::Garbage);
}

}  // namespace
