#include "uLoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <linux/tcp.h>
#include <openssl/ssl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <chrono>
#include <cstdlib>
#include <optional>

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

bool HeaderNameIs(const std::string& line, const std::string& name) {
    return line.size() > name.size() && line[name.size()] == ':' && Lower(line.substr(0, name.size())) == Lower(name);
}

constexpr size_t kMaxRequestHead = 1 << 20;
constexpr size_t kMaxRequestBody = 16 << 20;

class TSocketStream : public TStream {
public:
    explicit TSocketStream(int fd) : m_fd(fd) {}
    ssize_t Read(char* buffer, size_t size) override {
        ssize_t n;
        do {
            n = ::recv(m_fd, buffer, size, 0);
        } while (n < 0 && errno == EINTR);
        return n;
    }
    bool Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }

private:
    int m_fd;
};

// The server's side of TLS on an accepted socket. OpenSSL writes with write(): a client that
// hung up raises SIGPIPE, which the connection threads hold blocked.
class TTlsStream : public TStream {
public:
    TTlsStream(int fd, ssl_ctx_st* context) : m_ssl(SSL_new(context)) {
        if (m_ssl != nullptr)
            SSL_set_fd(m_ssl, fd);
    }
    TTlsStream(const TTlsStream&) = delete;
    TTlsStream& operator=(const TTlsStream&) = delete;
    ~TTlsStream() override { SSL_free(m_ssl); }

    bool Accept() { return m_ssl != nullptr && SSL_accept(m_ssl) == 1; }
    bool Resumed() const { return SSL_session_reused(m_ssl) == 1; }
    ssize_t Read(char* buffer, size_t size) override {
        return SSL_read(m_ssl, buffer, static_cast<int>(std::min<size_t>(size, INT32_MAX)));
    }
    bool Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const int n = SSL_write(m_ssl, bytes.data(),
                                    static_cast<int>(std::min<size_t>(bytes.size(), INT32_MAX)));
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<size_t>(n));
        }
        return true;
    }
    // Tells the client the answer ends here, as TLS wants it told.
    void Close() { SSL_shutdown(m_ssl); }

private:
    SSL* m_ssl;
};

void BlockBrokenPipeSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

// The request line and headers, and as much of the body as Content-Length names; nothing
// when the stream ends before the blank line.
std::optional<THttpRequest> ReadRequest(TStream& stream) {
    std::string received;
    char buffer[8192];
    size_t headerEnd = std::string::npos;
    while (headerEnd == std::string::npos && received.size() < kMaxRequestHead) {
        const ssize_t n = stream.Read(buffer, sizeof buffer);
        if (n <= 0)
            return std::nullopt;
        received.append(buffer, static_cast<size_t>(n));
        headerEnd = received.find("\r\n\r\n");
    }
    if (headerEnd == std::string::npos)
        return std::nullopt;
    THttpRequest request;
    for (size_t lineStart = 0; lineStart < headerEnd;) {
        const size_t lineEnd = received.find("\r\n", lineStart);
        std::string line = received.substr(lineStart, lineEnd - lineStart);
        if (request.RequestLine.empty())
            request.RequestLine = std::move(line);
        else
            request.Headers.push_back(std::move(line));
        lineStart = lineEnd + 2;
    }
    const size_t firstSpace = request.RequestLine.find(' ');
    const size_t secondSpace = request.RequestLine.find(' ', firstSpace + 1);
    request.Method = request.RequestLine.substr(0, firstSpace);
    if (firstSpace != std::string::npos)
        request.Target = request.RequestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
    request.Body = received.substr(headerEnd + 4);
    const size_t bodyLength = std::min<size_t>(
        std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10), kMaxRequestBody);
    while (request.Body.size() < bodyLength) {
        const ssize_t n = stream.Read(buffer, sizeof buffer);
        if (n <= 0)
            break;
        request.Body.append(buffer, static_cast<size_t>(n));
    }
    return request;
}

} // namespace

TCannedResponse TCannedResponse::Ok(std::string body, const std::string& contentType) {
    TCannedResponse response;
    response.Body = std::move(body);
    if (!contentType.empty())
        response.Headers.push_back("Content-Type: " + contentType);
    return response;
}

TCannedResponse TCannedResponse::Status(int code, std::string body) {
    TCannedResponse response;
    response.StatusLine = "HTTP/1.0 " + std::to_string(code) + (code == 200 ? " OK" : " Status");
    response.Body = std::move(body);
    return response;
}

TCannedResponse TCannedResponse::AnswerTo(const THttpRequest& request) const {
    const std::string range = request.Header("Range");
    constexpr std::string_view unit = "bytes=";
    if (!HonoursRange || range.compare(0, unit.size(), unit) != 0 || range.find(',') != std::string::npos)
        return *this;
    const std::string ifRange = request.Header("If-Range");
    std::string eTag;
    for (const std::string& line : Headers) {
        if (HeaderNameIs(line, "ETag"))
            eTag = Trim(line.substr(5));
    }
    if (!ifRange.empty() && ifRange != eTag && !IgnoresIfRange)
        return *this;
    const int64_t size = SyntheticBodySize >= 0 ? SyntheticBodySize : static_cast<int64_t>(Body.size());
    int64_t first = 0;
    int64_t last = size - 1;
    try {
        const std::string bounds = range.substr(unit.size());
        const size_t dash = bounds.find('-');
        if (dash == std::string::npos)
            return *this;
        first = std::stoll(bounds.substr(0, dash)) + RangeShift;
        if (dash + 1 < bounds.size())
            last = std::min<int64_t>(last, std::stoll(bounds.substr(dash + 1)) + RangeShift);
    } catch (...) {
        return *this;
    }
    if (first >= size) {
        TCannedResponse refused = Status(416);
        refused.Headers.push_back("Content-Range: bytes */" + std::to_string(size));
        return refused;
    }
    TCannedResponse part = *this;
    part.StatusLine = "HTTP/1.0 206 Partial Content";
    part.Headers.push_back("Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
                           std::to_string(size));
    part.BodyOffset = first;
    part.BodyLength = last - first + 1;
    part.CutAfter = -1;
    part.StallAfter = -1;
    return part;
}

std::string THttpRequest::Header(const std::string& name) const {
    for (const std::string& line : Headers) {
        if (HeaderNameIs(line, name))
            return Trim(line.substr(name.size() + 1));
    }
    return {};
}

bool THttpRequest::HasHeader(const std::string& name) const {
    return std::any_of(Headers.begin(), Headers.end(), [&](const std::string& line) { return HeaderNameIs(line, name); });
}

std::string NormalizeAddress(const std::string& target, const std::string& hostHeader) {
    std::string rest = target;
    if (Lower(rest.substr(0, 7)) == "http://")
        rest = rest.substr(7);
    else if (Lower(rest.substr(0, 8)) == "https://")
        rest = rest.substr(8);
    else if (!rest.empty() && rest.front() == '/')
        rest = hostHeader + rest;
    const size_t slash = rest.find('/');
    std::string host = Lower(rest.substr(0, slash));
    const std::string path = slash == std::string::npos ? "/" : rest.substr(slash);
    for (const std::string_view port : {":80", ":443"}) {
        if (host.size() > port.size() &&
            host.compare(host.size() - port.size(), port.size(), port) == 0)
            host.resize(host.size() - port.size());
    }
    return host + path;
}

std::string THttpRequest::Address() const {
    // Inside a tunnel the target is a path; the host comes with it, or is the tunnel's.
    const std::string host = Header("Host");
    return NormalizeAddress(Target, host.empty() ? Tunnel : host);
}

std::string THttpRequest::Host() const {
    const std::string address = Address();
    return address.substr(0, address.find('/'));
}

std::string THttpRequest::PathAndQuery() const {
    const std::string address = Address();
    const size_t slash = address.find('/');
    return slash == std::string::npos ? "/" : address.substr(slash);
}

void UseLoopbackProxy(const std::string& proxyAddress, const std::string& authorityFile) {
    ::setenv("http_proxy", proxyAddress.c_str(), 1);
    ::setenv("SSL_CERT_FILE", authorityFile.c_str(), 1);
    for (const char* name : {"no_proxy", "NO_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                             "ALL_PROXY", "CURL_CA_BUNDLE"})
        ::unsetenv(name);
}

const std::string& SyntheticBlock() {
    static const std::string block = [] {
        std::string bytes(65536, '\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
        return bytes;
    }();
    return block;
}

std::string SyntheticBody(int64_t size) {
    const std::string& block = SyntheticBlock();
    std::string body;
    body.reserve(static_cast<size_t>(std::max<int64_t>(size, 0)));
    while (static_cast<int64_t>(body.size()) < size)
        body.append(block, 0, std::min<size_t>(block.size(), static_cast<size_t>(size) - body.size()));
    return body;
}

bool TResponder::SendRaw(std::string_view bytes) {
    const bool written = m_stream.Write(bytes);
    if (written)
        m_server.NoteSent(bytes.size());
    return written;
}

bool TResponder::Send(const TCannedResponse& response) {
    if (response.StallBeforeAnswer) {
        m_server.Stall();
        return false;
    }
    if (response.Gate && response.GateAfter < 0 && !response.Gate->Pass(m_server))
        return false;
    if (response.RawOnly)
        return SendRaw(response.Body);
    int64_t size = (response.SyntheticBodySize >= 0 ? response.SyntheticBodySize
                                                    : static_cast<int64_t>(response.Body.size())) -
                   response.BodyOffset;
    if (response.BodyLength >= 0)
        size = std::min(size, response.BodyLength);
    std::string head = response.StatusLine + "\r\n";
    for (const std::string& header : response.Headers)
        head += header + "\r\n";
    if (response.Length == TCannedResponse::LengthMode::Correct)
        head += "Content-Length: " + std::to_string(size) + "\r\n";
    else if (response.Length == TCannedResponse::LengthMode::Given)
        head += "Content-Length: " + std::to_string(response.GivenLength) + "\r\n";
    const bool keep = m_keepAliveAsked && response.KeepsAlive && response.Length == TCannedResponse::LengthMode::Correct &&
                      response.CutAfter < 0 && response.StallAfter < 0;
    if (keep)
        head += "Connection: keep-alive\r\n";
    head += "\r\n";
    const bool sent = SendRaw(head) && SendBody(response, size);
    m_keptOpen = keep && sent;
    return sent;
}

bool TResponder::SendBody(const TCannedResponse& response, int64_t size) {
    const std::string& block = SyntheticBlock();
    const bool synthetic = response.SyntheticBodySize >= 0;
    int64_t limit = size;
    if (response.CutAfter >= 0)
        limit = std::min(limit, response.CutAfter);
    if (response.StallAfter >= 0)
        limit = std::min(limit, response.StallAfter);
    const size_t slice = response.SliceSize > 0 ? response.SliceSize : block.size();
    const bool gated = response.Gate && response.GateAfter >= 0;
    int64_t sent = 0;
    while (sent < limit) {
        if (gated && sent == response.GateAfter && !response.Gate->Pass(m_server))
            return false;
        int64_t next = std::min<int64_t>(static_cast<int64_t>(slice), limit - sent);
        if (gated && sent < response.GateAfter)
            next = std::min(next, response.GateAfter - sent);
        const auto count = static_cast<size_t>(next);
        bool ok = true;
        if (synthetic) {
            // The generated body repeats one block: send it piece by piece from there.
            for (size_t done = 0; ok && done < count;) {
                const auto offset = static_cast<size_t>((response.BodyOffset + sent + static_cast<int64_t>(done)) %
                                                        static_cast<int64_t>(block.size()));
                const size_t piece = std::min(count - done, block.size() - offset);
                ok = SendRaw(std::string_view(block).substr(offset, piece));
                done += piece;
            }
        } else {
            ok = SendRaw(std::string_view(response.Body).substr(static_cast<size_t>(response.BodyOffset + sent), count));
        }
        if (!ok)
            return false;
        sent += static_cast<int64_t>(count);
        if (response.SlicePauseMs > 0 && sent < limit && m_server.WaitUnlessStopped(response.SlicePauseMs))
            return false;
        if (m_server.Stopping())
            return false;
    }
    if (gated && response.GateAfter >= sent && !response.Gate->Pass(m_server))
        return false;
    if (response.StallAfter >= 0 && sent >= response.StallAfter)
        m_server.Stall();
    return true;
}

void TGate::Open() {
    std::lock_guard lock(m_lock);
    m_open = true;
    m_changed.notify_all();
}

size_t TGate::Arrivals() const {
    std::lock_guard lock(m_lock);
    return m_arrivals;
}

bool TGate::WaitForArrivals(size_t count, int timeoutMs) const {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_arrivals >= count; });
}

bool TGate::Pass(const TLoopbackServer& server) {
    std::unique_lock lock(m_lock);
    ++m_arrivals;
    m_changed.notify_all();
    // The server's stop wakes no gate: a look every few milliseconds lets a stopping server
    // end its connections promptly.
    while (!m_open) {
        if (server.Stopping())
            return false;
        m_changed.wait_for(lock, std::chrono::milliseconds(20));
    }
    return true;
}

TLoopbackServer::TLoopbackServer(THandler handler, uint16_t port, TTunnelPolicy tunnels)
    : m_handler(std::move(handler)), m_tunnels(std::move(tunnels)) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return;
    const int yes = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 128) != 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
        return;
    }
    socklen_t length = sizeof address;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread(&TLoopbackServer::AcceptLoop, this);
}

TLoopbackServer::~TLoopbackServer() {
    Stop();
}

bool TLoopbackServer::Stopping() const {
    std::lock_guard lock(m_lock);
    return m_stopping;
}

bool TLoopbackServer::WaitUnlessStopped(int ms) const {
    std::unique_lock lock(m_lock);
    if (ms < 0)
        m_stopped.wait(lock, [this] { return m_stopping; });
    else
        m_stopped.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopping; });
    return m_stopping;
}

size_t TLoopbackServer::Stalled() const {
    std::lock_guard lock(m_lock);
    return m_stalled;
}

void TLoopbackServer::Stall() {
    std::unique_lock lock(m_lock);
    ++m_stalled;
    m_stopped.wait(lock, [this] { return m_stopping; });
    --m_stalled;
}

void TLoopbackServer::Stop() {
    {
        std::lock_guard lock(m_lock);
        if (m_stopping || m_listenFd < 0)
            return;
        m_stopping = true;
        for (const int fd : m_clientFds)
            ::shutdown(fd, SHUT_RDWR);
    }
    m_stopped.notify_all();
    ::shutdown(m_listenFd, SHUT_RDWR);
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    ::close(m_listenFd);
    std::vector<Connection> connections;
    {
        std::lock_guard lock(m_lock);
        connections.swap(m_connections);
    }
    for (Connection& connection : connections)
        connection.Thread.join();
}

void TLoopbackServer::JoinFinishedConnections() {
    std::vector<Connection> finished;
    {
        std::lock_guard lock(m_lock);
        const auto done = std::stable_partition(m_connections.begin(), m_connections.end(),
                                                [](const Connection& c) { return !*c.Done; });
        std::move(done, m_connections.end(), std::back_inserter(finished));
        m_connections.erase(done, m_connections.end());
    }
    for (Connection& connection : finished)
        connection.Thread.join();
}

void TLoopbackServer::AcceptLoop() {
    for (;;) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE) {
                // Out of descriptors: give the connections a moment to end rather than spin.
                if (WaitUnlessStopped(errno == EMFILE || errno == ENFILE ? 50 : 0))
                    return;
                continue;
            }
            return;
        }
        // An answer's head and body go in separate writes: on a connection kept open, the
        // last of them must not wait for the client's acknowledgement of the first.
        const int noDelay = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        JoinFinishedConnections();
        std::lock_guard lock(m_lock);
        if (m_stopping) {
            ::close(fd);
            return;
        }
        m_clientFds.push_back(fd);
        ++m_accepted;
        auto done = std::make_shared<std::atomic<bool>>(false);
        m_connections.push_back(Connection{std::thread([this, fd, done] {
                                               HandleConnection(fd);
                                               *done = true;
                                           }),
                                           done});
    }
}

void TLoopbackServer::HandleConnection(int fd) {
    BlockBrokenPipeSignals();
    TSocketStream plain(fd);
    if (std::optional<THttpRequest> request = ReadRequest(plain)) {
        if (request->Method == "CONNECT" && m_tunnels) {
            ServeTunnel(fd, plain, *request);
        } else {
            while (request && Serve(plain, *request) && !Stopping())
                request = ReadRequest(plain);
        }
        ::shutdown(fd, SHUT_WR);
        // Let the peer read everything before the socket goes.
        char buffer[8192];
        while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
        }
    }
    // What reached the client: the bytes it acknowledged, whatever more this side had
    // written into its own buffers when the client closed.
    tcp_info info{};
    socklen_t length = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0 &&
        length >= offsetof(tcp_info, tcpi_bytes_acked) + sizeof info.tcpi_bytes_acked)
        m_bytesDelivered += info.tcpi_bytes_acked;
    ++m_ended;
    std::lock_guard lock(m_lock);
    m_clientFds.erase(std::remove(m_clientFds.begin(), m_clientFds.end(), fd), m_clientFds.end());
    ::close(fd);
}

void TLoopbackServer::ServeTunnel(int fd, TStream& plain, const THttpRequest& connect) {
    const size_t colon = connect.Target.rfind(':');
    const std::string host = Lower(connect.Target.substr(0, colon));
    const std::string port =
        colon == std::string::npos ? std::string() : connect.Target.substr(colon + 1);
    const std::shared_ptr<ssl_ctx_st> context = m_tunnels(host, port);
    if (!context) {
        plain.Write("HTTP/1.0 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
        return;
    }
    if (!plain.Write("HTTP/1.0 200 Connection established\r\n\r\n"))
        return;
    TTlsStream tls(fd, context.get());
    if (!tls.Accept())
        return;
    if (std::optional<THttpRequest> request = ReadRequest(tls)) {
        request->Tunnel = host + ":" + port;
        request->ResumedSession = tls.Resumed();
        Serve(tls, *request);
        tls.Close();
    }
}

bool TLoopbackServer::Serve(TStream& stream, const THttpRequest& request) {
    std::string connection = request.Header("Connection");
    std::transform(connection.begin(), connection.end(), connection.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // HTTP/1.1 keeps connections unless told otherwise; HTTP/1.0 only when asked to.
    const bool http11 = request.RequestLine.size() >= 8 &&
                        request.RequestLine.compare(request.RequestLine.size() - 8, 8, "HTTP/1.1") == 0;
    TResponder responder(*this, stream, connection == "keep-alive" || (http11 && connection != "close"));
    m_handler(request, responder);
    return responder.KeptOpen();
}
