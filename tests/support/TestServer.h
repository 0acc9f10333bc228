#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "uLoopbackServer.h"

using TScriptedResponse = TCannedResponse;
using TRecordedRequest = THttpRequest;

// A loopback server run by a test, reached through http_proxy for any host name. Each
// address (host and path, "a.test/x") is scripted; anything unscripted answers 404. Every
// request is recorded as it arrived on the wire.
class TTestServer {
public:
    TTestServer();
    ~TTestServer();

    uint16_t Port() const { return m_server->Port(); }
    std::string ProxyAddress() const;
    // Points libcurl's proxy variable at this server (and clears no_proxy).
    void UseAsProxy() const;

    void Serve(const std::string& address, TScriptedResponse response);
    void Redirect(const std::string& from, const std::string& to, int code = 302);

    std::vector<TRecordedRequest> Requests() const;
    size_t RequestCount() const;
    // Blocks until `count` requests arrived or `timeoutMs` passed; returns whether they did.
    bool WaitForRequests(size_t count, int timeoutMs) const;

    static std::string SyntheticBody(int64_t size) { return ::SyntheticBody(size); }

private:
    void Handle(const THttpRequest& request, TResponder& responder);

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::map<std::string, TScriptedResponse> m_script;
    std::vector<TRecordedRequest> m_requests;
    std::unique_ptr<TLoopbackServer> m_server; // last: stopped first
};
