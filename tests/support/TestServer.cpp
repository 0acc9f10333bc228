#include "TestServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

} // namespace

TScriptedResponse TScriptedResponse::Ok(std::string body) {
    TScriptedResponse response;
    response.Body = std::move(body);
    return response;
}

TScriptedResponse TScriptedResponse::Status(int code, std::string body) {
    TScriptedResponse response;
    response.StatusLine = "HTTP/1.0 " + std::to_string(code) + " Status";
    response.Body = std::move(body);
    return response;
}

std::string TRecordedRequest::Header(const std::string& name) const {
    const std::string wanted = Lower(name) + ":";
    for (const std::string& line : Headers) {
        if (Lower(line.substr(0, wanted.size())) == wanted)
            return Trim(line.substr(wanted.size()));
    }
    return {};
}

bool TRecordedRequest::HasHeader(const std::string& name) const {
    const std::string wanted = Lower(name) + ":";
    return std::any_of(Headers.begin(), Headers.end(), [&](const std::string& line) {
        return Lower(line.substr(0, wanted.size())) == wanted;
    });
}

TTestServer::TTestServer() {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 64) != 0)
        std::abort();
    socklen_t length = sizeof address;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread(&TTestServer::AcceptLoop, this);
}

TTestServer::~TTestServer() {
    Stop();
}

std::string TTestServer::ProxyAddress() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void TTestServer::UseAsProxy() const {
    ::setenv("http_proxy", ProxyAddress().c_str(), 1);
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
}

void TTestServer::Serve(const std::string& address, TScriptedResponse response) {
    std::lock_guard lock(m_lock);
    m_script[NormalizeAddress(address, {})] = std::move(response);
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
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_requests.size() >= count; });
}

const std::string& TTestServer::SyntheticBlock() {
    static const std::string block = [] {
        std::string bytes(65536, '\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
        return bytes;
    }();
    return block;
}

std::string TTestServer::SyntheticBody(int64_t size) {
    const std::string& block = SyntheticBlock();
    std::string body;
    body.reserve(static_cast<size_t>(size));
    while (static_cast<int64_t>(body.size()) < size)
        body.append(block, 0, std::min<size_t>(block.size(), static_cast<size_t>(size) - body.size()));
    return body;
}

void TTestServer::Stop() {
    {
        std::lock_guard lock(m_lock);
        if (m_stopping)
            return;
        m_stopping = true;
        for (const int fd : m_clientFds)
            ::shutdown(fd, SHUT_RDWR);
    }
    m_changed.notify_all();
    ::shutdown(m_listenFd, SHUT_RDWR);
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    ::close(m_listenFd);
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(m_lock);
        threads.swap(m_connectionThreads);
    }
    for (std::thread& thread : threads)
        thread.join();
}

void TTestServer::AcceptLoop() {
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        std::lock_guard lock(m_lock);
        if (m_stopping) {
            ::close(fd);
            return;
        }
        m_clientFds.push_back(fd);
        m_connectionThreads.emplace_back(&TTestServer::HandleConnection, this, fd);
    }
}

std::string TTestServer::NormalizeAddress(const std::string& target, const std::string& host) {
    std::string rest = target;
    if (Lower(rest.substr(0, 7)) == "http://")
        rest = rest.substr(7);
    else if (!rest.empty() && rest.front() == '/')
        rest = host + rest;
    const size_t slash = rest.find('/');
    std::string hostPart = Lower(rest.substr(0, slash));
    std::string path = slash == std::string::npos ? "/" : rest.substr(slash);
    if (hostPart.size() > 3 && hostPart.compare(hostPart.size() - 3, 3, ":80") == 0)
        hostPart.resize(hostPart.size() - 3);
    return hostPart + path;
}

void TTestServer::HandleConnection(int fd) {
    std::string received;
    char buffer[8192];
    size_t headerEnd = std::string::npos;
    while (headerEnd == std::string::npos && received.size() < (1 << 20)) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        received.append(buffer, static_cast<size_t>(n));
        headerEnd = received.find("\r\n\r\n");
    }
    if (headerEnd == std::string::npos) {
        ::close(fd);
        return;
    }
    TRecordedRequest request;
    size_t lineStart = 0;
    for (size_t lineEnd; (lineEnd = received.find("\r\n", lineStart)) <= headerEnd; lineStart = lineEnd + 2) {
        const std::string line = received.substr(lineStart, lineEnd - lineStart);
        if (request.RequestLine.empty())
            request.RequestLine = line;
        else
            request.Headers.push_back(line);
        if (lineEnd == headerEnd)
            break;
    }
    request.Body = received.substr(headerEnd + 4);
    const std::string lengthText = request.Header("Content-Length");
    const size_t bodyLength = lengthText.empty() ? 0 : std::strtoul(lengthText.c_str(), nullptr, 10);
    while (request.Body.size() < bodyLength) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        request.Body.append(buffer, static_cast<size_t>(n));
    }

    const size_t firstSpace = request.RequestLine.find(' ');
    const size_t secondSpace = request.RequestLine.find(' ', firstSpace + 1);
    const std::string target = request.RequestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    const std::string address = NormalizeAddress(target, request.Header("Host"));

    TScriptedResponse response = TScriptedResponse::Status(404, "<html>not found</html>");
    {
        std::lock_guard lock(m_lock);
        m_requests.push_back(request);
        const auto found = m_script.find(address);
        if (found != m_script.end())
            response = found->second;
    }
    m_changed.notify_all();
    Answer(fd, response);
    ::shutdown(fd, SHUT_WR);
    // Let the peer read everything before the socket goes.
    while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
    std::lock_guard lock(m_lock);
    m_clientFds.erase(std::remove(m_clientFds.begin(), m_clientFds.end(), fd), m_clientFds.end());
    ::close(fd);
}

void TTestServer::WaitUntilStopped(int ms) {
    std::unique_lock lock(m_lock);
    if (ms < 0)
        m_changed.wait(lock, [this] { return m_stopping; });
    else
        m_changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
}

bool TTestServer::SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void TTestServer::Answer(int fd, const TScriptedResponse& response) {
    if (response.StallBeforeAnswer) {
        WaitUntilStopped();
        return;
    }
    if (response.RawOnly) {
        SendAll(fd, response.Body.data(), response.Body.size());
        return;
    }
    const int64_t size = response.SyntheticBodySize >= 0 ? response.SyntheticBodySize
                                                         : static_cast<int64_t>(response.Body.size());
    std::string head = response.StatusLine + "\r\n";
    for (const std::string& header : response.Headers)
        head += header + "\r\n";
    if (response.Length == TScriptedResponse::LengthMode::Correct)
        head += "Content-Length: " + std::to_string(size) + "\r\n";
    else if (response.Length == TScriptedResponse::LengthMode::Given)
        head += "Content-Length: " + std::to_string(response.GivenLength) + "\r\n";
    head += "\r\n";
    if (SendAll(fd, head.data(), head.size()))
        SendBody(fd, response, size);
}

bool TTestServer::SendBody(int fd, const TScriptedResponse& response, int64_t size) {
    const std::string& block = SyntheticBlock();
    const bool synthetic = response.SyntheticBodySize >= 0;
    int64_t limit = size;
    if (response.CutAfter >= 0)
        limit = std::min(limit, response.CutAfter);
    if (response.StallAfter >= 0)
        limit = std::min(limit, response.StallAfter);
    const size_t slice = response.SliceSize > 0 ? response.SliceSize : block.size();
    int64_t sent = 0;
    while (sent < limit) {
        const size_t count = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(slice), limit - sent));
        bool ok = true;
        if (synthetic) {
            // The generated body repeats one block: send it piece by piece from there.
            for (size_t done = 0; ok && done < count;) {
                const size_t offset = static_cast<size_t>((sent + static_cast<int64_t>(done)) % static_cast<int64_t>(block.size()));
                const size_t piece = std::min(count - done, block.size() - offset);
                ok = SendAll(fd, block.data() + offset, piece);
                done += piece;
            }
        } else {
            ok = SendAll(fd, response.Body.data() + sent, count);
        }
        if (!ok)
            return false;
        sent += static_cast<int64_t>(count);
        if (response.SlicePauseMs > 0 && sent < limit)
            WaitUntilStopped(response.SlicePauseMs);
        {
            std::lock_guard lock(m_lock);
            if (m_stopping)
                return false;
        }
    }
    if (response.StallAfter >= 0 && sent >= response.StallAfter)
        WaitUntilStopped();
    return true;
}
