// ser2net, the real serial device server, started for a test in front of
// pseudo-terminals on 127.0.0.1, each in raw TCP and in telnet with serial
// settings (RFC 2217) on ports of its own, and stopped when the test ends.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class CSer2net {
public:
    // One device's two addresses.
    struct Ports {
        std::string strRaw;     // tcp://127.0.0.1:N
        std::string strTelnet;  // rfc2217://127.0.0.1:M
    };

    // ser2net serving each of astrTtys.
    explicit CSer2net(const std::vector<std::string>& astrTtys)
    {
        char szDir[] = "/tmp/ser2net-test-XXXXXX";
        if (!mkdtemp(szDir))
            throw std::runtime_error("no folder for ser2net");
        m_dir = szDir;
        std::ofstream yaml(m_dir / "ser2net.yaml");
        for (std::size_t i = 0; i < astrTtys.size(); ++i) {
            const int nRaw = FreePort(), nTelnet = FreePort();
            Serve(yaml, astrTtys[i], nRaw, "tcp");
            Serve(yaml, astrTtys[i], nTelnet, "telnet(rfc2217),tcp");
            m_astrTtys.push_back(std::filesystem::weakly_canonical(astrTtys[i]).string());
            m_ports.push_back(
                {"tcp://127.0.0.1:" + std::to_string(nRaw), "rfc2217://127.0.0.1:" + std::to_string(nTelnet)});
        }
        yaml.close();
        Start();
    }
    ~CSer2net()
    {
        Stop();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    CSer2net(const CSer2net&) = delete;
    CSer2net& operator=(const CSer2net&) = delete;

    const Ports& At(std::size_t i) const { return m_ports.at(i); }

    // Waits (up to 5 s) until ser2net holds none of its devices open: it
    // lets one go a moment after its user leaves, and the next user, on the
    // device itself or through the other mode, must not find it busy.
    bool AwaitDevicesFree() const
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (HoldsDevice())
            if (std::chrono::steady_clock::now() > end)
                return false;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return true;
    }

    // Ends the server at once: its connections drop as a dying server's do.
    void Stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

    // A port on 127.0.0.1 that nothing listens on just now.
    static int FreePort()
    {
        const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            throw std::runtime_error("no free port");
        close(s);
        return ntohs(addr.sin_port);
    }

private:
    void Serve(std::ofstream& yaml, const std::string& strTty, int nPort, const char* pszAccepter)
    {
        yaml << "connection: &port" << nPort << "\n"
             << "  accepter: " << pszAccepter << ",127.0.0.1," << nPort << "\n"
             << "  connector: serialdev," << strTty << ",9600n81,local\n";
        m_anPorts.push_back(nPort);
    }

    void Start()
    {
        const std::string strConfig = (m_dir / "ser2net.yaml").string();
        const std::string strPid = (m_dir / "ser2net.pid").string();
        std::vector<std::string> args{"ser2net", "-n", "-u", "-c", strConfig, "-P", strPid};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        // It says what it cannot start (mdns) on stderr; the test has no use for that.
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int nSpawn = posix_spawnp(&m_pid, "ser2net", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (nSpawn != 0)
            throw std::runtime_error("ser2net could not be started (scripts/install-deps.sh installs it)");
        // Ready once every accepter takes connections.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (int nPort : m_anPorts)
            while (!Listens(nPort) && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    bool HoldsDevice() const
    {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(m_pid) + "/fd", ec)) {
            const std::string strTarget = std::filesystem::read_symlink(entry.path(), ec).string();
            if (!ec && std::find(m_astrTtys.begin(), m_astrTtys.end(), strTarget) != m_astrTtys.end())
                return true;
        }
        return false;
    }

    static bool Listens(int nPort)
    {
        // Asked through /proc rather than by connecting, which ser2net would
        // take for a user and open the device for.
        std::ifstream tcp("/proc/net/tcp");
        char szPort[8];
        std::snprintf(szPort, sizeof szPort, ":%04X", nPort);
        std::string strLine;
        while (std::getline(tcp, strLine))
            if (strLine.find(std::string(szPort) + " 00000000:0000 0A") != std::string::npos)
                return true;
        return false;
    }

    std::filesystem::path m_dir;
    std::vector<Ports> m_ports;
    std::vector<int> m_anPorts;
    std::vector<std::string> m_astrTtys;
    pid_t m_pid = -1;
};
