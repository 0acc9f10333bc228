#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "uLocalAuthority.h"
#include "uLoopbackServer.h"
#include "uSandboxCatalogue.h"

// Hosts that live on https only and send a plain-http visitor a redirect there, as most of
// today's web does: the Mp3Finder site and its file host, the Mp3 Search site (its file host
// answers both), the maker's server and the mirror. The rest answer both.
bool HttpsOnly(std::string_view host);

// Every host the stand-in web plays: the three search sites, their detail pages, the file
// hosts behind them and the program maker's server, all answered from one catalogue, over
// http or (through a CONNECT tunnel) https. Unknown hosts and paths get a 404 page.
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
    TCannedResponse MirrorAnswer(std::string_view path) const;
    TCannedResponse FileAnswer(int songId, bool secure) const;
    TCannedResponse SiteAnswer(const THttpRequest& request) const;

    const TSandboxCatalogue& m_catalogue;
};

// Host and path of a request ("host.test/path?query"). Unlike THttpRequest::Address it copes
// with a client that sends spaces in the target unescaped.
std::string SandboxRequestAddress(const THttpRequest& request);

// The site served on a loopback port, reached as an HTTP proxy for every host name; https
// through CONNECT to port 443, with certificates of an authority made at start.
class TSandboxWeb {
public:
    // Port 0 picks a free one; Listening() tells whether the port could be had and the
    // authority made.
    explicit TSandboxWeb(uint16_t port = 0,
                         const TSandboxCatalogue& catalogue = SandboxCatalogue());

    bool Listening() const { return m_server.Listening() && m_authority.Valid(); }
    uint16_t Port() const { return m_server.Port(); }
    // "http://127.0.0.1:PORT", for http_proxy (which carries https too).
    std::string ProxyAddress() const;
    // The authority's certificate, for SSL_CERT_FILE.
    const std::string& AuthorityPem() const { return m_authority.CertificatePem(); }
    bool WriteAuthority(const std::string& path) const {
        return m_authority.WriteCertificate(path);
    }
    // Points this process (and the programs it starts) at the stand-in web: http_proxy for
    // http and https, SSL_CERT_FILE at the authority written to `authorityFile`, and no
    // other proxy or bundle. False when the file could not be written.
    bool UseFromThisProcess(const std::string& authorityFile) const;
    // Ends every connection, stalled ones included, and waits for them.
    void Stop() { m_server.Stop(); }
    // Connections held silent by a stalling link right now.
    size_t Stalled() const { return m_server.Stalled(); }

private:
    std::shared_ptr<ssl_ctx_st> Tunnel(const std::string& host, const std::string& port);

    TSandboxSite m_site;
    TLocalAuthority m_authority;
    TLoopbackServer m_server; // after the site: it stops before the site goes
};
