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

    client.Send(FrameBytes(*CTALVRoute::BuildPollFrame()));
    const Bytes poll = client.Receive(POLL_REPLY_LEN + 1, 300ms);
    ASSERT_EQ(poll.size(), static_cast<std::size_t>(POLL_REPLY_LEN));
    EXPECT_EQ(poll[FRAME_CMD], CMD_POLL);
    EXPECT_EQ(poll.back(), FRAME_TRAILER);

    // Half a frame, a pause longer than the device waits, then a whole one:
    // the half is forgotten, not glued to the next frame.
    CTALVRoute route;
    const Bytes request = FrameBytes(*route.GetChannel(2).BuildBlockRequest(3));
    client.Send(Bytes(request.begin(), request.begin() + 7));
    std::this_thread::sleep_for(120ms);
    client.Send(request);
    const Bytes block = client.Receive(BLOCK_FRAME_LEN);
    ASSERT_EQ(block.size(), static_cast<std::size_t>(BLOCK_FRAME_LEN));
    EXPECT_EQ(block[FRAME_CMD], CMD_BLOCK_REPLY);
    EXPECT_EQ(block[FRAME_INDEX1], 2);
    const SimBlock stored = server.WithProcessor([](CVirtualProcessor& p) { return p.GetBlock(3, 2); });
    EXPECT_TRUE(std::equal(block.begin(), block.end(), stored.begin()));

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

    // Stopping with an answer still on its way ends at once.
    client.Send(FrameBytes(*route.GetChannel(1).BuildBlockRequest(0)));
    std::this_thread::sleep_for(30ms);
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
    SimServerOptions options;
    options.bPaced = false;
    ASSERT_TRUE(ParseSimFault("hangup", options.fault));
    CSimPtyServer server(options);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    CClient client(server.GetPortPath());
    client.Send(FrameBytes(*CTALVRoute::BuildPollFrame()));
    pollfd pfd{client.Fd(), POLLIN, 0};
    bool bHungUp = false;
    for (int i = 0; i < 250 && !bHungUp; ++i)
        bHungUp = poll(&pfd, 1, 20) > 0 && (pfd.revents & POLLHUP);
    EXPECT_TRUE(bHungUp);
    EXPECT_TRUE(server.IsHungUp());
    server.Stop();

    SimFault fault = SimFault::None;
    for (const char* name : {"none", "silent", "bad-trailer", "garbage", "split", "late", "hangup"})
        EXPECT_TRUE(ParseSimFault(name, fault)) << name;
    EXPECT_FALSE(ParseSimFault("Silent", fault));
    EXPECT_FALSE(ParseSimFault("", fault));
}

}  // namespace
