#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "uLocalAuthority.h"
#include "uLoopbackServer.h"

using TScriptedResponse = TCannedResponse;
using TRecordedRequest = THttpRequest;

// A loopback server run by a test, reached through http_proxy for any host name, and for
// https through a CONNECT tunnel to port 443 that it answers with a certificate of its own
// authority. Each address (host and path, "a.test/x"; "https://a.test/x" for https) is
// scripted; anything unscripted answers 404. Every request is recorded as it arrived on the
// wire (through a tunnel: as read inside it).
class TTestServer {
public:
    TTestServer();
    ~TTestServer();

    uint16_t Port() const { return m_server->Port(); }
    std::string ProxyAddress() const;
    // Points libcurl's proxy variable at this server for http and https, and SSL_CERT_FILE at
    // its authority; clears no_proxy and the variables that would take precedence.
    void UseAsProxy();
    // The file holding this server's authority, for SSL_CERT_FILE; written on first use.
    const std::string& AuthorityFile();
    // The certificate a host shows; Good unless said otherwise.
    void PresentCertificate(const std::string& host, TCertificateKind kind);
    // CONNECT to the host is refused (403), as a proxy that will not carry it answers.
    void RefuseTunnel(const std::string& host);

    void Serve(const std::string& address, TScriptedResponse response);
    void Redirect(const std::string& from, const std::string& to, int code = 302);

    std::vector<TRecordedRequest> Requests() const;
    size_t RequestCount() const;
    // Blocks until `count` requests arrived or `timeoutMs` passed; returns whether they did.
    bool WaitForRequests(size_t count, int timeoutMs) const;
    // Answers written out in full (or given up on a closed connection) so far.
    size_t AnswersSent() const;
    bool WaitForAnswers(size_t count, int timeoutMs) const;
    // Connections held silent in a stall right now.
    size_t Stalled() const { return m_server->Stalled(); }
    // Connections made to the server so far.
    size_t Connections() const { return m_server->Accepted(); }
    // Bytes written to clients so far.
    uint64_t BytesSent() const { return m_server->BytesSent(); }
    // Bytes that reached clients, counted as their connections end.
    uint64_t BytesDelivered() const { return m_server->BytesDelivered(); }
    size_t ConnectionsEnded() const { return m_server->Ended(); }

    static std::string SyntheticBody(int64_t size) { return ::SyntheticBody(size); }

private:
    void Handle(const THttpRequest& request, TResponder& responder);
    std::shared_ptr<ssl_ctx_st> Tunnel(const std::string& host, const std::string& port);

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    TLocalAuthority m_authority;
    std::string m_authorityFile;
    std::map<std::string, TCertificateKind> m_certificates;
    std::set<std::string> m_refusedTunnels;
    std::map<std::string, TScriptedResponse> m_script;
    std::vector<TRecordedRequest> m_requests;
    size_t m_answers = 0;
    std::unique_ptr<TLoopbackServer> m_server; // last: stopped first
};
