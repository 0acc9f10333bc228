#include "TestServer.h"

#include <chrono>
#include <cstdlib>

TTestServer::TTestServer()
    : m_server(std::make_unique<TLoopbackServer>(
          [this](const THttpRequest& request, TResponder& responder) { Handle(request, responder); })) {
    if (!m_server->Listening())
        std::abort();
}

TTestServer::~TTestServer() {
    m_server->Stop();
}

std::string TTestServer::ProxyAddress() const {
    return "http://127.0.0.1:" + std::to_string(Port());
}

void TTestServer::UseAsProxy() const {
    ::setenv("http_proxy", ProxyAddress().c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
}

void TTestServer::Serve(const std::string& address, TScriptedResponse response) {
    std::lock_guard lock(m_lock);
    m_script[NormalizeAddress(address)] = std::move(response);
}

void TTestServer::Redirect(const std::string& from, const std::string& to, int code) {
    TScriptedResponse response = TScriptedResponse::Status(code, "moved");
    response.Headers.push_back("Location: " + to);
    Serve(from, std::move(response));
}

std::vector<TRecordedRequest> TTestServer::Requests() const {
    std::lock_guard lock(m_lock);
    return m_requests;
}

size_t TTestServer::RequestCount() const {
    std::lock_guard lock(m_lock);
    return m_requests.size();
}

bool TTestServer::WaitForRequests(size_t count, int timeoutMs) const {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_requests.size() >= count; });
}

void TTestServer::Handle(const THttpRequest& request, TResponder& responder) {
    TScriptedResponse response = TScriptedResponse::Status(404, "<html>not found</html>");
    {
        std::lock_guard lock(m_lock);
        m_requests.push_back(request);
        const auto found = m_script.find(request.Address());
        if (found != m_script.end())
            response = found->second;
        m_changed.notify_all();
    }
    responder.Send(response);
}
