#pragma once
// What the benchmarks that race the curl tool share: a loopback server in a child process of
// its own (so that the bench's own CPU time is what its transfers cost), curl run as a child,
// and the time and CPU time of each.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "TestServer.h"

namespace bench {

using Clock = std::chrono::steady_clock;

struct TCost {
    double Seconds = -1; // negative: the run failed
    double CpuSeconds = 0;
    int Descriptors = 0; // the most this process held open while it ran
};

inline double CpuSeconds(const rusage& usage) {
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

inline double OwnCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return CpuSeconds(usage);
}

// The loopback server in a child process, serving `count` bodies of `size` bytes at
// http://bench0.test/f0.bin, http://bench1.test/f1.bin ... (three hosts, so that the manager's
// two per host make its six at once) (https:// when `secure`, through CONNECT, with a certificate
// of the server's own authority, which CURL_CA_BUNDLE then names for curl and the program
// alike); it ends when this process closes its end of the pipe.
class TServerProcess {
public:
    TServerProcess(int count, int64_t size, bool secure, int hosts = 3) : m_hosts(hosts) {
        int portPipe[2];
        int lifePipe[2];
        if (::pipe(portPipe) != 0 || ::pipe(lifePipe) != 0)
            std::abort();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(portPipe[0]);
            ::close(lifePipe[1]);
            {
                TTestServer server;
                for (int i = 0; i < count; ++i) {
                    TScriptedResponse response;
                    response.SyntheticBodySize = size;
                    response.HonoursRange = true;
                    response.KeepsAlive = true;
                    server.Serve(Scheme(secure) + Address(i), response);
                }
                const uint16_t port = server.Port();
                const std::string authority = secure ? server.AuthorityFile() + "\n" : "\n";
                if (::write(portPipe[1], &port, sizeof port) != sizeof port ||
                    ::write(portPipe[1], authority.data(), authority.size()) !=
                        ssize_t(authority.size()))
                    ::_exit(1);
                char byte = 0;
                while (::read(lifePipe[0], &byte, 1) > 0) {
                }
            }
            ::_exit(0);
        }
        ::close(portPipe[1]);
        ::close(lifePipe[0]);
        m_life = lifePipe[1];
        uint16_t port = 0;
        if (::read(portPipe[0], &port, sizeof port) != sizeof port)
            std::abort();
        std::string authority;
        for (char c = 0; ::read(portPipe[0], &c, 1) == 1 && c != '\n';)
            authority += c;
        ::close(portPipe[0]);
        m_proxy = "http://127.0.0.1:" + std::to_string(port);
        ::setenv("http_proxy", m_proxy.c_str(), 1);
        for (const char* name :
             {"no_proxy", "NO_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            ::unsetenv(name);
        if (secure)
            ::setenv("CURL_CA_BUNDLE", authority.c_str(), 1);
        for (int i = 0; i < count; ++i)
            m_urls.push_back((secure ? "https://" : "http://") + Address(i));
    }
    ~TServerProcess() {
        ::close(m_life);
        ::waitpid(m_pid, nullptr, 0);
    }
    const std::string& Proxy() const { return m_proxy; }
    const std::vector<std::string>& Urls() const { return m_urls; }

private:
    std::string Address(int i) const {
        return "bench" + std::to_string(i % m_hosts) + ".test/f" + std::to_string(i) + ".bin";
    }
    static std::string Scheme(bool secure) { return secure ? "https://" : ""; }
    int m_hosts;
    pid_t m_pid = -1;
    int m_life = -1;
    std::string m_proxy;
    std::vector<std::string> m_urls;
};

// Runs a tool to its end, its own output silenced: its time and CPU time, the time -1 when
// it failed.
inline TCost RunTool(const char* tool, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(tool));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Its progress meter runs even when silenced; curl runs as well with it shown. The
        // descriptors are swapped, not the streams: reopening a stream would first flush what
        // this process had buffered, and print it twice.
        if (const int null = ::open("/dev/null", O_WRONLY); null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
        ::execvp(tool, argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    TCost cost;
    cost.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    cost.CpuSeconds = CpuSeconds(usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        cost.Seconds = -1;
    return cost;
}

inline TCost RunCurl(const std::vector<std::string>& arguments) {
    return RunTool("curl", arguments);
}

} // namespace bench
