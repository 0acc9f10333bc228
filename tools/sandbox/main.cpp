// orvalo-sandbox: the stand-in web. A loopback HTTP proxy that plays every search site, file
// host and the maker's server the program talks to, over http and (through CONNECT) https,
// so searches, link checks and downloads can be tried without leaving the machine.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "uMakerSite.h"
#include "uSandboxCatalogue.h"
#include "uSandboxSite.h"

namespace {

constexpr uint16_t kDefaultPort = 8642;
constexpr const char* kAuthorityFileName = "orvalo-sandbox-ca.pem";

std::string AuthorityBesideProgram() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return (error ? std::filesystem::path(kAuthorityFileName)
                  : program.parent_path() / kAuthorityFileName)
        .string();
}

void PrintUsage(std::ostream& out) {
    out << "Usage: orvalo-sandbox [--port N] [--ca FILE]\n"
           "       orvalo-sandbox --list KEY\n"
           "       orvalo-sandbox --popular\n"
           "\n"
           "Serves the stand-in search sites, file hosts and the maker's server on 127.0.0.1\n"
           "as an HTTP proxy for any host name, https through CONNECT with certificates of a\n"
           "certificate authority made at start; point http_proxy at it and SSL_CERT_FILE at\n"
           "the authority's file. Runs until SIGINT or SIGTERM.\n"
           "\n"
           "  --port N     listen on port N (default "
        << kDefaultPort
        << "; 0 picks a free port)\n"
           "  --ca FILE    write the authority's certificate to FILE (default: "
        << kAuthorityFileName
        << "\n"
           "               beside this program)\n"
           "  --list KEY   print what a search for KEY must find, one tab-separated line per\n"
           "               result (engine, title, link, check outcome, size, download\n"
           "               outcome), and exit\n"
           "  --popular    print the most-popular list the maker's server sends, unscrambled,\n"
           "               and exit\n"
           "  --help       show this text\n";
}

std::optional<uint16_t> ParsePort(std::string_view text) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

std::string_view DownloadOutcome(int songId) {
    const TExpectedDownload download = SandboxCatalogue().ExpectedDownload(songId);
    if (download.Completes)
        return "completes";
    return download.Stalls ? "stalls" : "fails";
}

int List(const std::string& key) {
    for (const TExpectedResult& result : ExpectedResults(key)) {
        std::cout << result.Engine << '\t' << result.Title << '\t' << result.Link << '\t'
                  << OutcomeName(result.Check) << '\t';
        if (result.Check == TExpectedResult::Outcome::Verified)
            std::cout << result.Size;
        else
            std::cout << '-';
        std::cout << '\t' << DownloadOutcome(result.SongId) << '\n';
    }
    return EXIT_SUCCESS;
}

int UsageError(const std::string& message) {
    std::cerr << "orvalo-sandbox: " << message << " (try --help)\n";
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    uint16_t port = kDefaultPort;
    std::string authorityFile;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintUsage(std::cout);
            return EXIT_SUCCESS;
        }
        if (arg == "--list") {
            if (i + 1 >= argc)
                return UsageError("--list needs a key");
            return List(argv[i + 1]);
        }
        if (arg == "--popular") {
            std::cout << MostPopularPlain();
            return EXIT_SUCCESS;
        }
        if (arg == "--port" || arg.starts_with("--port=")) {
            std::string_view value;
            if (arg == "--port") {
                if (i + 1 >= argc)
                    return UsageError("--port needs a number");
                value = argv[++i];
            } else {
                value = arg.substr(7);
            }
            const std::optional<uint16_t> parsed = ParsePort(value);
            if (!parsed)
                return UsageError("not a port number: " + std::string(value));
            port = *parsed;
            continue;
        }
        if (arg == "--ca") {
            if (i + 1 >= argc || *argv[i + 1] == '\0')
                return UsageError("--ca needs a file");
            authorityFile = argv[++i];
            continue;
        }
        return UsageError("unknown argument: " + std::string(arg));
    }

    // Blocked before any server thread exists, so every thread inherits the mask and the
    // signals wait for sigwait below instead of killing the process mid-answer.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    SandboxCatalogue(); // every MP3 is encoded before the first client can ask for one
    TSandboxWeb web(port);
    if (!web.Listening()) {
        std::cerr << "orvalo-sandbox: cannot listen on 127.0.0.1:" << port
                  << " (or make the certificate authority)\n";
        return EXIT_FAILURE;
    }
    if (authorityFile.empty())
        authorityFile = AuthorityBesideProgram();
    if (!web.WriteAuthority(authorityFile)) {
        std::cerr << "orvalo-sandbox: cannot write the certificate authority to " << authorityFile
                  << '\n';
        return EXIT_FAILURE;
    }
    std::cout << "orvalo-sandbox: certificate authority in " << authorityFile << '\n';
    std::cout << "orvalo-sandbox: listening on " << web.ProxyAddress() << std::endl;

    int received = 0;
    while (sigwait(&signals, &received) != 0) {
    }
    web.Stop();
    return EXIT_SUCCESS;
}
