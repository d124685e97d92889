// vardenctl's device commands end to end: the real binary serving the
// virtual processor on a pseudo-terminal, and the real binary talking to it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

// A child process with its stdout and stderr on pipes.
class CChild {
public:
    explicit CChild(const std::vector<std::string>& args)
    {
        int outPipe[2], errPipe[2];
        if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("spawn");
        posix_spawn_file_actions_destroy(&actions);
        close(outPipe[1]);
        close(errPipe[1]);
        m_fdOut = outPipe[0];
        m_fdErr = errPipe[0];
    }
    ~CChild()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        close(m_fdOut);
        close(m_fdErr);
    }

    // The first line on stdout (guarded).
    std::string ReadLine()
    {
        std::string line;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            pollfd pfd{m_fdOut, POLLIN, 0};
            if (poll(&pfd, 1, 100) <= 0)
                continue;
            char c;
            if (read(m_fdOut, &c, 1) != 1)
                break;
            if (c == '\n')
                return line;
            line += c;
        }
        return line;
    }

    // Waits for the end (guarded), collecting what is left of the output.
    Result Finish(int nSignal = 0)
    {
        Result r;
        if (nSignal)
            kill(m_pid, nSignal);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        pollfd afd[2] = {{m_fdOut, POLLIN, 0}, {m_fdErr, POLLIN, 0}};
        int nOpen = 2;
        while (nOpen > 0 && std::chrono::steady_clock::now() < end) {
            if (poll(afd, 2, 100) <= 0)
                continue;
            for (int i = 0; i < 2; ++i) {
                if (!(afd[i].revents & (POLLIN | POLLHUP)))
                    continue;
                char buf[4096];
                const ssize_t n = read(afd[i].fd, buf, sizeof buf);
                if (n <= 0) {
                    afd[i].fd = -1;
                    --nOpen;
                } else {
                    (i == 0 ? r.out : r.err).append(buf, static_cast<std::size_t>(n));
                }
            }
        }
        int status = 0;
        if (waitpid(m_pid, &status, 0) == m_pid && WIFEXITED(status))
            r.code = WEXITSTATUS(status);
        m_pid = -1;
        return r;
    }

private:
    pid_t m_pid = -1;
    int m_fdOut = -1;
    int m_fdErr = -1;
};

Result Ctl(std::vector<std::string> args)
{
    args.insert(args.begin(), VARDENCTL_PATH);
    return CChild(args).Finish();
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

class DeviceCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("varden-e2e-" + std::to_string(getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    fs::path m_dir;
};

TEST_F(DeviceCommandsTest, WriteThenReadGivesBackTheSamePresetAndNames)
{
    const std::string state = Path("device.vsim");
    CChild sim({VARDENCTL_PATH, "sim", "--fast", "--state", state});
    const std::string port = sim.ReadLine();
    ASSERT_FALSE(port.empty());

    ASSERT_EQ(Ctl({"demo", Path("demo.dia")}).code, 0);
    Result r = Ctl({"write", "--port", port, "--slot", "2", Path("demo.dia")});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Ctl({"read", "--port", port, "--slot", "2", Path("back.dia")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadBytes(Path("back.dia")), ReadBytes(Path("demo.dia")));

    r = Ctl({"write", "--port", port, "--slot", "4", Path("demo.dia"), "--name", "NEWNAME"});
    ASSERT_EQ(r.code, 0) << r.err;
    r = Ctl({"names", "--port", port});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("4         NEWNAME"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("0 (live)"), std::string::npos) << r.out;

    // The state survives the simulator: stopped cleanly, started again.
    r = sim.Finish(SIGTERM);
    EXPECT_EQ(r.code, 0) << r.err;
    ASSERT_TRUE(fs::exists(state));
    CChild again({VARDENCTL_PATH, "sim", "--fast", "--state", state});
    const std::string port2 = again.ReadLine();
    r = Ctl({"read", "--port", port2, "--slot", "4", Path("again.json")});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(ReadBytes(Path("again.json")).find("\"name\": \"NEWNAME\""), std::string::npos);
    EXPECT_EQ(again.Finish(SIGINT).code, 0);
}

TEST_F(DeviceCommandsTest, UnusablePortsAndArgumentsAreReported)
{
    Result r = Ctl({"names", "--port", Path("no-such-tty")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unable to Open COM-Port"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("No such file"), std::string::npos) << r.err;

    r = Ctl({"read", "--port", "/dev/null", "--slot", "9", Path("x.dia")});
    EXPECT_EQ(r.code, 2);
    r = Ctl({"read", "--port", "/dev/null", "--slot", "1", Path("x.txt")});
    EXPECT_EQ(r.code, 2);
    EXPECT_FALSE(fs::exists(Path("x.txt")));
    r = Ctl({"sim", "--fault", "sometimes"});
    EXPECT_EQ(r.code, 2);
    r = Ctl({"ports"});
    EXPECT_EQ(r.code, 0) << r.err;
}

TEST_F(DeviceCommandsTest, SilentDeviceEndsWithTheLinkMessage)
{
    CChild sim({VARDENCTL_PATH, "sim", "--fast", "--fault", "silent"});
    const std::string port = sim.ReadLine();
    ASSERT_FALSE(port.empty());
    // About 4.5 s: one resend after 100 ticks, giving up after 150.
    const Result r = Ctl({"names", "--port", port});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Unable to Open COM-Port"), std::string::npos) << r.err;
    EXPECT_EQ(sim.Finish(SIGTERM).code, 0);
}

}  // namespace
