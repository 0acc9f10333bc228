#include "net/uCurlRequest.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <openssl/crypto.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <string_view>

#include <QCoreApplication>

#include "core/uTStringUtils.h"

namespace {
CURL* Easy(void* handle) {
    return static_cast<CURL*>(handle);
}

// Header lines arrive whole, with their line break.
std::string_view WithoutLineBreak(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return line;
}

std::optional<std::string> HeaderValue(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || !StartsWithIgnoringCase(line, name) || line[name.size()] != ':')
        return std::nullopt;
    return TrimSpacesAndControls(line.substr(name.size() + 1));
}

bool IsRedirectStatus(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

// One part of a parsed address; nothing when the address has no such part.
std::optional<std::string> UrlPart(CURLU* url, CURLUPart part) {
    char* text = nullptr;
    if (curl_url_get(url, part, &text, 0) != CURLUE_OK || text == nullptr)
        return std::nullopt;
    std::string value(text);
    curl_free(text);
    return value;
}

// libcurl's TLS set-up, once its own is done: the connection trusts the authorities read
// once for every request, in place of the empty store libcurl was left to make.
CURLcode UseSharedAuthorities(CURL*, void* context, void* authorities) {
    SSL_CTX_set1_cert_store(static_cast<SSL_CTX*>(context), static_cast<X509_STORE*>(authorities));
    return CURLE_OK;
}

// libcurl's socket opening: where a connection goes is known before it is made.
curl_socket_t OpenSocket(void* request, curlsocktype purpose, curl_sockaddr* address) {
    if (purpose == CURLSOCKTYPE_IPCXN && !static_cast<TCurlRequest*>(request)->MayConnectTo(address->family, &address->addr))
        return CURL_SOCKET_BAD;
    const curl_socket_t made = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (made == CURL_SOCKET_BAD && (errno == EMFILE || errno == ENFILE))
        static_cast<TCurlRequest*>(request)->NoteOutOfDescriptors();
    return made;
}

// Where a redirect may lead. A site may move from http to https on its own host (that is how
// sites move), never from https down to http; otherwise the target keeps the scheme, on any
// host. The port is always the scheme's own: a site may not send us to another port (a
// local service).
bool RedirectAllowed(bool fromSecure, bool toSecure, bool sameHost,
                     const std::optional<std::string>& port) {
    if (port && *port != (toSecure ? "443" : "80"))
        return false;
    if (fromSecure)
        return toSecure;
    return !toSecure || sameHost;
}
} // namespace

void EnsureCurlReady() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Transfers run on detached threads that may still be in a TLS exchange when the
        // process exits: OpenSSL must not free its locks and tables under them at exit.
        OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr);
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

TCurlRequest::TCurlRequest(TRequestSettings settings) : m_settings(std::move(settings)) {
    EnsureCurlReady();
}

TCurlRequest::~TCurlRequest() {
    ReleaseEasy();
}

void TCurlRequest::ReleaseEasy() {
    if (m_easy != nullptr)
        curl_easy_cleanup(Easy(m_easy));
    m_easy = nullptr;
    curl_slist_free_all(static_cast<curl_slist*>(m_headerList));
    m_headerList = nullptr;
}

void TCurlRequest::SetWakeUp(std::function<void()> wakeUp) {
    std::lock_guard lock(m_wakeUpLock);
    m_wakeUp = std::move(wakeUp);
}

void TCurlRequest::Cancel() {
    m_cancelled = true;
    std::lock_guard lock(m_wakeUpLock);
    if (m_wakeUp)
        m_wakeUp();
}

bool TCurlRequest::Configure(int timeoutMs) {
    CURL* easy = curl_easy_init();
    if (easy == nullptr)
        return false;
    m_easy = easy;
    m_url = BuildRequestUrl(m_settings.Secure, m_settings.Host, m_settings.Path);

    curl_slist* headers = nullptr;
    // libcurl sends "Accept: */*" unless told otherwise; an empty value removes the header.
    headers = curl_slist_append(headers, ("Accept:" + (m_settings.Accept.empty() ? std::string()
                                                                                  : " " + m_settings.Accept))
                                             .c_str());
    if (m_settings.Reload)
        headers = curl_slist_append(headers, "Pragma: no-cache");
    if (m_settings.KeepAlive)
        headers = curl_slist_append(headers, "Connection: keep-alive");
    if (m_settings.RangeFrom > 0 || m_settings.RangeTo >= 0) {
        const std::string last = m_settings.RangeTo >= 0 ? std::to_string(m_settings.RangeTo) : std::string();
        headers = curl_slist_append(headers,
                                    ("Range: bytes=" + std::to_string(m_settings.RangeFrom) + "-" + last).c_str());
        // A validator is a single header value: one with a line break would add headers.
        if (!m_settings.IfRange.empty() && m_settings.IfRange.find_first_of("\r\n") == std::string::npos)
            headers = curl_slist_append(headers, ("If-Range: " + m_settings.IfRange).c_str());
    }
    m_headerList = headers;

    curl_easy_setopt(easy, CURLOPT_URL, m_url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, m_settings.Secure ? "https" : "http");
    if (m_settings.Secure)
        ConfigureTls(easy);
    // Redirects are followed here, not by libcurl, so that each target is checked the way
    // the first address is: libcurl would follow one to any port of any host.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // A request ended while its host name is being looked up does not wait for the look-up.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(m_settings.ConnectTimeoutMs));
    // libcurl judges the average speed over whole seconds.
    const long stallSeconds = std::max(1, (m_settings.StallTimeoutMs + 999) / 1000);
    const long lowestSpeed = static_cast<long>(std::max<int64_t>(1, (m_settings.StallBytes + stallSeconds - 1) / stallSeconds));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, lowestSpeed);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, stallSeconds);
    // A server that trickles faster than the stall limit passes it; the total limit ends such
    // a request where the owner wants one.
    if (timeoutMs > 0)
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(timeoutMs));
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 65536L);
    if (!m_settings.Agent.empty())
        curl_easy_setopt(easy, CURLOPT_USERAGENT, m_settings.Agent.c_str());
    if (!m_settings.Referer.empty())
        curl_easy_setopt(easy, CURLOPT_REFERER, m_settings.Referer.c_str());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &TCurlRequest::Callback<&TCurlRequest::HandleHeaderLine>);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &TCurlRequest::Callback<&TCurlRequest::HandleBody>);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &OpenSocket);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, this);
    return true;
}

bool TCurlRequest::MayConnectTo(int family, const void* socketAddress) {
    // Through a proxy, the connection is the proxy's and the proxy decides.
    if (GoesThroughProxy(m_settings.Secure, m_settings.Host))
        return true;
    char text[INET6_ADDRSTRLEN] = {};
    if (family == AF_INET)
        ::inet_ntop(AF_INET, &static_cast<const sockaddr_in*>(socketAddress)->sin_addr, text, sizeof text);
    else if (family == AF_INET6)
        ::inet_ntop(AF_INET6, &static_cast<const sockaddr_in6*>(socketAddress)->sin6_addr, text, sizeof text);
    m_reachedLocalNetwork = IsLocalNetworkAddress(text);
    if (m_reachedLocalNetwork && m_settings.PublicOnly) {
        m_refusedLocalNetwork = true;
        return false;
    }
    return true;
}

// The peer and its host name are always checked; nothing here turns that off.
void TCurlRequest::ConfigureTls(void* handle) const {
    CURL* const easy = Easy(handle);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (m_tls) {
        // libcurl reads no bundle or folder of its own: the shared authorities stand in.
        curl_easy_setopt(easy, CURLOPT_CAINFO, nullptr);
        curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
        curl_easy_setopt(easy, CURLOPT_CA_CACHE_TIMEOUT, 0L);
        curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &UseSharedAuthorities);
        curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, static_cast<void*>(m_tls->Authorities.get()));
        if (void* const sessions = m_tls->SessionHandle())
            curl_easy_setopt(easy, CURLOPT_SHARE, sessions);
    }
    if (const char* proxy = HttpsProxyFallback())
        curl_easy_setopt(easy, CURLOPT_PROXY, proxy);
    // The proxy's answer to CONNECT is no answer of the site's.
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
}

void TCurlRequest::UseTrust(std::shared_ptr<TTlsTrust> trust) {
    m_trust = std::move(trust);
}

// The authorities this hop trusts, read now if they are not yet: before libcurl has the hop,
// so that reading them never counts against its connect time.
bool TCurlRequest::TakeAuthorities() {
    if (!m_trust)
        m_trust = std::make_shared<TTlsTrust>();
    int error = 0;
    m_tls = m_trust->Current(error);
    return error == 0 || Finish(error);
}

bool TCurlRequest::Begin() {
    m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_settings.TotalTimeoutMs);
    if (!IsAcceptableHost(m_settings.Host))
        return Finish(kErrorBadAddress);
    return PrepareHop();
}

bool TCurlRequest::PrepareHop() {
    if (m_cancelled)
        return Finish(CURLE_ABORTED_BY_CALLBACK);
    if (m_settings.Secure && !TakeAuthorities())
        return false;
    // The total limit covers every hop of the request together.
    int timeoutMs = 0;
    if (m_settings.TotalTimeoutMs > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            m_deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return Finish(CURLE_OPERATION_TIMEDOUT);
        timeoutMs = static_cast<int>(left.count());
    }
    ReleaseEasy();
    m_redirectLocation.clear();
    return Configure(timeoutMs) || Finish(CURLE_FAILED_INIT);
}

bool TCurlRequest::Finish(int result) {
    m_result = result;
    return false;
}

// A refused certificate, told apart by what OpenSSL found wrong with it. A chain that
// passed leaves the result unset (or OK) when libcurl's own host name check refuses it.
int TCurlRequest::Classify(int code) const {
    if (code == CURLE_OK)
        return code;
    CURL* const easy = Easy(m_easy);
    // A tunnel through the proxy that did not open is the proxy's refusal, not the site's.
    long connectStatus = 0;
    curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
    if (m_settings.Secure && GoesThroughProxy(true, m_settings.Host)) {
        if (connectStatus >= 300 && connectStatus < 600)
            return kErrorProxyRefused + static_cast<int>(connectStatus);
        long tunnelBytes = 0;
        curl_easy_getinfo(easy, CURLINFO_HEADER_SIZE, &tunnelBytes);
        if (connectStatus == 0 && tunnelBytes == 0 &&
            (code == CURLE_RECV_ERROR || code == CURLE_WEIRD_SERVER_REPLY || code == CURLE_GOT_NOTHING))
            return kErrorProxyRefused;
    }
    long osError = 0;
    curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osError);
    if (osError == EMFILE || osError == ENFILE || m_outOfDescriptors)
        return kErrorTooManyFiles;
    if (code != CURLE_PEER_FAILED_VERIFICATION)
        return code;
    long verifyResult = X509_V_OK;
    curl_easy_getinfo(Easy(m_easy), CURLINFO_SSL_VERIFYRESULT, &verifyResult);
    switch (verifyResult) {
    case X509_V_OK:
    case X509_V_ERR_UNSPECIFIED:
        return kErrorCertificateOtherHost;
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return kErrorCertificateExpired;
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return kErrorCertificateNotYetValid;
    default:
        return kErrorCertificateUntrusted;
    }
}

bool TCurlRequest::HopDone(int code) {
    if (m_cancelled)
        return Finish(CURLE_ABORTED_BY_CALLBACK);
    if (m_threw)
        return Finish(CURLE_WRITE_ERROR);
    if (m_refusedLocalNetwork)
        return Finish(kErrorPrivateAddress);
    if (m_redirectLocation.empty()) {
        if (code == CURLE_OK && !m_headersDelivered && !m_stoppedByOwner)
            DeliverHeaders();
        return Finish(Classify(code));
    }
    if (m_hop >= kMaxRedirects)
        return Finish(CURLE_TOO_MANY_REDIRECTS);
    if (!TakeRedirect())
        return Finish(kErrorBadRedirect);
    ++m_hop;
    return PrepareHop();
}

// Turns the Location just read into the next request's scheme, host and path, if the target
// would pass as a first address and RedirectAllowed lets it.
bool TCurlRequest::TakeRedirect() {
    const UrlHandle url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, m_url.c_str(), 0) != CURLUE_OK)
        return false;
    // Relative to the address just asked for, encoded the way libcurl would when following.
    if (curl_url_set(url.get(), CURLUPART_URL, m_redirectLocation.c_str(),
                     CURLU_URLENCODE | CURLU_ALLOW_SPACE) != CURLUE_OK)
        return false;
    const auto scheme = UrlPart(url.get(), CURLUPART_SCHEME);
    const auto port = UrlPart(url.get(), CURLUPART_PORT);
    const auto host = UrlPart(url.get(), CURLUPART_HOST);
    const auto path = UrlPart(url.get(), CURLUPART_PATH);
    if (!scheme || !host || !IsAcceptableHost(*host) || UrlPart(url.get(), CURLUPART_USER) ||
        UrlPart(url.get(), CURLUPART_PASSWORD))
        return false;
    const bool secure = SameTextIgnoringCase(*scheme, "https");
    const bool sameHost = SameTextIgnoringCase(*host, m_settings.Host);
    if ((!secure && !SameTextIgnoringCase(*scheme, "http")) ||
        !RedirectAllowed(m_settings.Secure, secure, sameHost, port))
        return false;
    m_settings.Secure = secure;
    m_settings.Host = *host;
    m_settings.Path = path.value_or("/");
    if (const auto query = UrlPart(url.get(), CURLUPART_QUERY))
        m_settings.Path += "?" + *query;
    return true;
}

// An exception must never unwind through libcurl: it ends the transfer instead.
template <size_t (TCurlRequest::*Handle)(const char*, size_t)>
size_t TCurlRequest::Callback(char* data, size_t size, size_t count, void* self) {
    auto* const request = static_cast<TCurlRequest*>(self);
    try {
        return (request->*Handle)(data, size * count);
    } catch (...) {
        request->m_threw = true;
        return 0;
    }
}

size_t TCurlRequest::HandleHeaderLine(const char* data, size_t size) {
    if (m_cancelled)
        return 0;
    const std::string_view line = WithoutLineBreak(std::string_view(data, size));
    if (StartsWithIgnoringCase(line, "HTTP/")) {
        // A new answer begins (after a redirect or an interim answer): forget the last one.
        m_block = Headers{};
        m_location.clear();
        return size;
    }
    if (!line.empty()) {
        if (auto length = HeaderValue(line, "Content-Length"))
            m_block.ContentLength = std::move(length);
        else if (auto range = HeaderValue(line, "Content-Range"))
            m_block.ContentRange = std::move(range);
        else if (auto tag = HeaderValue(line, "ETag"))
            m_block.ETag = std::move(tag);
        else if (auto modified = HeaderValue(line, "Last-Modified"))
            m_block.LastModified = std::move(modified);
        else if (auto location = HeaderValue(line, "Location"); location && m_location.empty())
            m_location = std::move(*location);
        return size;
    }
    // The blank line ends a header block. Interim answers are not the answer the owner
    // asked for, and neither is a redirect: its body is not wanted, so the transfer ends
    // here and the driver follows it.
    long status = 0;
    curl_easy_getinfo(Easy(m_easy), CURLINFO_RESPONSE_CODE, &status);
    m_block.Status = status;
    if (status >= 100 && status < 200)
        return size;
    if (IsRedirectStatus(status) && !m_location.empty()) {
        m_redirectLocation = m_location;
        m_redirectStatus = status;
        return 0;
    }
    return DeliverHeaders() ? size : 0;
}

bool TCurlRequest::DeliverHeaders() {
    if (m_headersDelivered)
        return true;
    m_headersDelivered = true;
    if (m_block.Status == 0)
        curl_easy_getinfo(Easy(m_easy), CURLINFO_RESPONSE_CODE, &m_block.Status);
    if (OnHeaders && !OnHeaders(m_block)) {
        m_stoppedByOwner = true;
        return false;
    }
    return !m_cancelled;
}

size_t TCurlRequest::HandleBody(const char* data, size_t size) {
    if (m_cancelled)
        return 0;
    // A body without a header block the owner saw (a redirect that is not followed).
    if (!m_headersDelivered && !DeliverHeaders())
        return 0;
    if (OnBody && !OnBody(data, size)) {
        m_stoppedByOwner = true;
        return 0;
    }
    return size;
}
