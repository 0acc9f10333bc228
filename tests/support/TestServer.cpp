#include "TestServer.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {
std::string ScriptKey(const std::string& address) {
    const bool secure = address.compare(0, 8, "https://") == 0;
    return (secure ? "https://" : "") + NormalizeAddress(address);
}
} // namespace

TTestServer::TTestServer()
    : m_server(std::make_unique<TLoopbackServer>(
          [this](const THttpRequest& request, TResponder& responder) { Handle(request, responder); }, 0,
          [this](const std::string& host, const std::string& port) { return Tunnel(host, port); })) {
    if (!m_server->Listening() || !m_authority.Valid())
        std::abort();
}

TTestServer::~TTestServer() {
    m_server->Stop();
    if (!m_authorityFile.empty())
        std::remove(m_authorityFile.c_str());
}

const std::string& TTestServer::AuthorityFile() {
    if (m_authorityFile.empty()) {
        std::string path = (std::filesystem::temp_directory_path() / "orvalo-test-ca-XXXXXX").string();
        const int fd = ::mkstemp(path.data());
        if (fd < 0)
            std::abort();
        ::close(fd);
        if (!m_authority.WriteCertificate(path))
            std::abort();
        m_authorityFile = path;
    }
    return m_authorityFile;
}

void TTestServer::PresentCertificate(const std::string& host, TCertificateKind kind) {
    std::lock_guard lock(m_lock);
    m_certificates[host] = kind;
}

void TTestServer::RefuseTunnel(const std::string& host) {
    std::lock_guard lock(m_lock);
    m_refusedTunnels.insert(host);
}

std::shared_ptr<ssl_ctx_st> TTestServer::Tunnel(const std::string& host, const std::string& port) {
    if (port != "443")
        return nullptr;
    TCertificateKind kind = TCertificateKind::Good;
    {
        std::lock_guard lock(m_lock);
        if (m_refusedTunnels.count(host) != 0)
            return nullptr;
        const auto found = m_certificates.find(host);
        if (found != m_certificates.end())
            kind = found->second;
    }
    return m_authority.ServerContext(host, kind);
}

std::string TTestServer::ProxyAddress() const {
    return "http://127.0.0.1:" + std::to_string(Port());
}

void TTestServer::UseAsProxy() {
    UseLoopbackProxy(ProxyAddress(), AuthorityFile());
}

void TTestServer::Serve(const std::string& address, TScriptedResponse response) {
    std::lock_guard lock(m_lock);
    m_script[ScriptKey(address)] = std::move(response);
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

size_t TTestServer::AnswersSent() const {
    std::lock_guard lock(m_lock);
    return m_answers;
}

bool TTestServer::WaitForAnswers(size_t count, int timeoutMs) const {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_answers >= count; });
}

void TTestServer::Handle(const THttpRequest& request, TResponder& responder) {
    TScriptedResponse response = TScriptedResponse::Status(404, "<html>not found</html>");
    {
        std::lock_guard lock(m_lock);
        m_requests.push_back(request);
        const auto found = m_script.find((request.Secure() ? "https://" : "") + request.Address());
        if (found != m_script.end())
            response = found->second;
        m_changed.notify_all();
    }
    responder.Send(response.AnswerTo(request));
    std::lock_guard lock(m_lock);
    ++m_answers;
    m_changed.notify_all();
}
