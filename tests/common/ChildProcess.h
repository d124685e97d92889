// A child process for the end-to-end tests: a program started with its
// stdout and stderr on pipes, read as it writes, signalled, and waited for,
// every wait guarded.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

// A child process with its stdout and stderr on pipes (stdout on the file
// pszStdout names, when given).
class CChild {
public:
    explicit CChild(const std::vector<std::string>& args, const char* pszStdout = nullptr)
    {
        int outPipe[2], errPipe[2];
        if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (pszStdout)
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, pszStdout, O_WRONLY, 0);
        else
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
        if (m_fdOut >= 0)
            close(m_fdOut);
        if (m_fdErr >= 0)
            close(m_fdErr);
    }

    // The first line on stdout (guarded).
    std::string ReadLine()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_out.find('\n') == std::string::npos && std::chrono::steady_clock::now() < end && Pump(100)) {
        }
        const auto nl = m_out.find('\n');
        if (nl == std::string::npos)
            return std::string();
        std::string line = m_out.substr(0, nl);
        m_out.erase(0, nl + 1);
        return line;
    }

    // Waits until stderr holds text nCount times (guarded).
    bool WaitForErr(const std::string& text, int nCount = 1)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < end) {
            int n = 0;
            for (auto pos = m_err.find(text); pos != std::string::npos; pos = m_err.find(text, pos + 1))
                ++n;
            if (n >= nCount)
                return true;
            if (!Pump(100))
                return false;
        }
        return false;
    }

    void Signal(int nSignal) { kill(m_pid, nSignal); }

    // Waits for the end (guarded), collecting what is left of the output.
    Result Finish(int nSignal = 0)
    {
        if (nSignal)
            kill(m_pid, nSignal);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while ((m_fdOut >= 0 || m_fdErr >= 0) && std::chrono::steady_clock::now() < end)
            Pump(100);
        Result r;
        r.out = m_out;
        r.err = m_err;
        int status = 0;
        if (waitpid(m_pid, &status, 0) == m_pid && WIFEXITED(status))
            r.code = WEXITSTATUS(status);
        m_pid = -1;
        return r;
    }

private:
    // Takes what the child wrote within nMs; false once both pipes are closed.
    bool Pump(int nMs)
    {
        pollfd afd[2] = {{m_fdOut, POLLIN, 0}, {m_fdErr, POLLIN, 0}};
        if (m_fdOut < 0 && m_fdErr < 0)
            return false;
        if (poll(afd, 2, nMs) <= 0)
            return true;
        for (int i = 0; i < 2; ++i) {
            if (!(afd[i].revents & (POLLIN | POLLHUP)))
                continue;
            char buf[4096];
            const ssize_t n = read(afd[i].fd, buf, sizeof buf);
            if (n <= 0) {
                close(afd[i].fd);
                (i == 0 ? m_fdOut : m_fdErr) = -1;
            } else {
                (i == 0 ? m_out : m_err).append(buf, static_cast<std::size_t>(n));
            }
        }
        return true;
    }

    pid_t m_pid = -1;
    int m_fdOut = -1;
    int m_fdErr = -1;
    std::string m_out;
    std::string m_err;
};
