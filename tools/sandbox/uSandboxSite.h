#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "uLoopbackServer.h"
#include "uSandboxCatalogue.h"

// Every host the stand-in web plays: the three search sites, their detail pages, the file
// hosts behind them and the program maker's server, all answered from one catalogue. Unknown
// hosts and paths get a 404 page.
class TSandboxSite {
public:
    explicit TSandboxSite(const TSandboxCatalogue& catalogue) : m_catalogue(catalogue) {}

    // The answer to one request; the same request always gets the same answer. For a Large
    // song's file that is the head alone: Handle sends its body, which no answer could hold.
    TCannedResponse Answer(const THttpRequest& request) const;
    void Handle(const THttpRequest& request, TResponder& responder) const;

    // The pages themselves, for a key as it arrives in the query (still percent-encoded).
    std::string ResultsPage(TSandboxEngine engine, std::string_view encodedKey) const;
    // The detail page of a two-stage site; empty for Muzz or a song the site does not list.
    std::string DetailPage(TSandboxEngine engine, int songId) const;

private:
    TCannedResponse MuzzAnswer(std::string_view path, std::string_view query) const;
    TCannedResponse FinderAnswer(std::string_view path, std::string_view query) const;
    TCannedResponse Mp3SearchAnswer(std::string_view path, std::string_view query) const;
    TCannedResponse MakerAnswer(std::string_view path) const;
    TCannedResponse FileAnswer(int songId) const;

    const TSandboxCatalogue& m_catalogue;
};

// Host and path of a request ("host.test/path?query"). Unlike THttpRequest::Address it copes
// with a client that sends spaces in the target unescaped.
std::string SandboxRequestAddress(const THttpRequest& request);

// The site served on a loopback port, reached as an HTTP proxy for every host name.
class TSandboxWeb {
public:
    // Port 0 picks a free one; Listening() tells whether the port could be had.
    explicit TSandboxWeb(uint16_t port = 0,
                         const TSandboxCatalogue& catalogue = SandboxCatalogue());

    bool Listening() const { return m_server.Listening(); }
    uint16_t Port() const { return m_server.Port(); }
    // "http://127.0.0.1:PORT", for http_proxy.
    std::string ProxyAddress() const;
    // Ends every connection, stalled ones included, and waits for them.
    void Stop() { m_server.Stop(); }

private:
    TSandboxSite m_site;
    TLoopbackServer m_server; // after the site: it stops before the site goes
};
