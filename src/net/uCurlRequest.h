#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "net/uTlsTrust.h"

// What one request sends: always "HTTP/1.0", to port 80 of `Host` over http or port 443 over
// https (the certificate checked against the trusted authorities), redirects followed where
// TakeRedirect allows, the proxy taken from the environment (http_proxy; https_proxy, then
// http_proxy, for https; no_proxy).
struct TRequestSettings {
    bool Secure = false; // https
    std::string Host;
    std::string Path = "/"; // as the caller built it; unsafe bytes are encoded on the wire
    std::string Agent;      // empty: no User-Agent header
    std::string Accept;     // empty: no Accept header
    std::string Referer;
    bool Reload = true;
    // A request the program makes by itself (a link check, a detail page, their redirects):
    // it never connects to this machine or the local network (loopback, private, link-local
    // and unique-local addresses). Through a proxy the proxy decides.
    bool PublicOnly = false;    // ask proxies and caches for a fresh copy
    int ConnectTimeoutMs = 30000;
    int StallTimeoutMs = 60000; // no byte for this long ends the request
    int TotalTimeoutMs = 0;     // the whole request may take this long; 0: no limit
    // More than 0: only the bytes from this one on are asked for ("Range: bytes=N-"), and,
    // with a validator of the first answer (its ETag or Last-Modified date), only while the
    // file is still the one it named ("If-Range"); otherwise the server sends it whole.
    int64_t RangeFrom = 0;
    std::string IfRange;
};

// Error codes handed to owners: libcurl's codes, plus these of our own.
inline constexpr int kErrorHeaderNotFound = 1001; // the answer had no Content-Length
inline constexpr int kErrorBadAddress = 1002;     // the host cannot stand in an address
inline constexpr int kErrorBadRedirect = 1003;    // a redirect the rules refuse
// A certificate refused, by what is wrong with it.
inline constexpr int kErrorCertificateUntrusted = 1004; // no trusted authority vouches for it
inline constexpr int kErrorCertificateOtherHost = 1005; // it names another host
inline constexpr int kErrorCertificateExpired = 1006;
inline constexpr int kErrorPrivateAddress = 1007; // a PublicOnly request led to the local network
inline constexpr int kErrorCertificateNotYetValid = 1008;
inline constexpr int kErrorAnswerNotUnderstood = 1009; // a header no server means (a length of "1e3")
inline constexpr int kErrorTooManyFiles = 1010;        // no descriptor left for the connection
// A proxy refused to carry the request: this plus its status (0: its answer was no HTTP).
inline constexpr int kErrorProxyRefused = 2000;

// Whether the address (numeric, IPv4 or IPv6) is this machine's, the local network's or no
// public server's: loopback, private, shared (100.64.0.0/10), benchmarking (198.18.0.0/15),
// link-local, unique-local, site-local, multicast, reserved or unspecified.
bool IsLocalNetworkAddress(const std::string& address);
// Whether the environment's proxy settings send a request for `host` through a proxy.
bool GoesThroughProxy(bool secure, const std::string& host);

// Why a request failed, in the words the window shows: "timed out", "host not found",
// "connection refused" ... for an error code; "HTTP 404" for an answer's status.
std::string ErrorReason(int errorCode);
std::string StatusReason(int statusCode);
// Whether the error is a connection that ended before the answer was whole.
bool LostConnection(int errorCode);

// Sets libcurl up for the process, once, whichever thread asks first.
void EnsureCurlReady();

// An address as the workers split it: "http://" or "https://" (any letter case) taken off;
// without either the address is http. The host is what stands before the first "/"; the
// path what follows it, without the "/" (HasSlash tells whether there was one).
struct TAddressParts {
    bool Secure = false;
    std::string Host;
    std::string Path;
    bool HasSlash = false;
};
TAddressParts SplitAddress(const std::string& url);
// The scheme an address keeps: "https://" for a secure one, "http://" otherwise.
const char* SchemePrefix(bool secure);

// The address the request goes to: scheme + host + ":80" (http) or ":443" (https) + path
// with the unsafe bytes encoded. A host carrying its own port ends up with two and is
// refused by the parser.
std::string BuildRequestUrl(bool secure, const std::string& host, const std::string& path);
// Space, control bytes and bytes above 127 percent-encoded; everything else unchanged.
std::string EncodeUnsafeBytes(const std::string& text);
// Every byte but the unreserved ones of an address (letters, digits, "-" "." "_" "~")
// percent-encoded: a value put into a query ("Simon & Garfunkel", "C#", "C++") reaches the
// site whole, never read as the query's own "&", "#", "+" or "=".
std::string EncodeQueryValue(const std::string& text);

// The value of a Content-Length header as the owners see it: the number, 0 when the header
// is absent, -1 when its text is no whole number a server would send ("1e3", "+100", one
// that overflows).
int64_t ContentLengthValue(const std::optional<std::string>& header);

// A Content-Range header of a partial answer, "bytes FIRST-LAST/TOTAL"; false for anything
// else (an unknown total "*", a unit other than bytes, LAST before FIRST or past TOTAL).
struct TContentRange {
    int64_t First = 0;
    int64_t Last = 0;
    int64_t Total = 0;
};
bool ParseContentRange(const std::string& header, TContentRange& range);
// What names this version of a file in a later request's If-Range: the ETag unless it is
// weak (a weak one may not be used there), else the Last-Modified date; empty without either.
std::string ResumeValidator(const std::optional<std::string>& eTag, const std::optional<std::string>& lastModified);

// One HTTP request, hop by hop through redirects. Callbacks run on the thread that drives
// it; either may return false to end the transfer at once (no further body byte is
// delivered). Cancel may be called from any thread and ends a blocking connect or read
// without waiting for it.
//
// A transfer engine drives it in steps: Begin, then for each hop add EasyHandle() to its
// multi handle, and once libcurl has ended that handle and it is removed again, HopDone;
// while the driver holds the request it sets a wake-up that Cancel calls.
class TCurlRequest {
public:
    // Redirects followed before the request is given up.
    static constexpr int kMaxRedirects = 10;

    struct Headers {
        long Status = 0;
        std::optional<std::string> ContentLength; // the header's text, when it was sent
        std::optional<std::string> ContentRange;  // of a partial answer (206, 416)
        std::optional<std::string> ETag;
        std::optional<std::string> LastModified;
    };
    std::function<bool(const Headers&)> OnHeaders;
    std::function<bool(const char* data, size_t size)> OnBody;

    explicit TCurlRequest(TRequestSettings settings);
    TCurlRequest(const TCurlRequest&) = delete;
    TCurlRequest& operator=(const TCurlRequest&) = delete;
    ~TCurlRequest();

    void Cancel();
    bool Cancelled() const { return m_cancelled; }
    bool HeadersDelivered() const { return m_headersDelivered; }
    // The last connection made went straight to an address of the local network.
    bool ReachedLocalNetwork() const { return m_reachedLocalNetwork; }
    // Asked by libcurl's socket opening, before a connection to the socket address (of the
    // family AF_INET or AF_INET6) is made: whether it may be made.
    bool MayConnectTo(int family, const void* socketAddress);
    // The socket for a connection could not be made for want of descriptors (libcurl tells
    // it as a refused connection).
    void NoteOutOfDescriptors() { m_outOfDescriptors = true; }
    bool StoppedByOwner() const { return m_stoppedByOwner; }

    // The steps. Begin prepares the first hop; false when there is nothing to send (Result
    // says why). HopDone takes libcurl's code for the hop just ended: true when the next hop
    // is prepared (its handle is to be added), false when the request has ended.
    bool Begin();
    void* EasyHandle() const { return m_easy; }
    bool HopDone(int code);
    // 0 when the transfer ran to the end of the body, otherwise an error code (libcurl's or
    // one of ours). A transfer ended by a callback or by Cancel has a non-zero code too.
    int Result() const { return m_result; }
    // Called by Cancel, under a lock, while set; the driver clears it before it lets go.
    void SetWakeUp(std::function<void()> wakeUp);
    // The authorities and TLS sessions its https hops share with the driver's other
    // requests; set before Begin. Without one the request reads the authorities itself.
    void UseTrust(std::shared_ptr<TTlsTrust> trust);

private:
    // libcurl's header and write callbacks, calling Handle on the request.
    template <size_t (TCurlRequest::*Handle)(const char*, size_t)>
    static size_t Callback(char* data, size_t size, size_t count, void* self);
    size_t HandleHeaderLine(const char* data, size_t size);
    size_t HandleBody(const char* data, size_t size);
    bool DeliverHeaders();
    bool Configure(int timeoutMs);
    void ConfigureTls(void* easy) const;
    bool PrepareHop();
    bool TakeAuthorities();
    bool Finish(int result);
    int Classify(int code) const;
    void ReleaseEasy();
    bool TakeRedirect();

    TRequestSettings m_settings;
    std::string m_url;
    std::shared_ptr<TTlsTrust> m_trust;
    // What the current https hop trusts; it outlives the hop's handle, which uses it.
    std::shared_ptr<const TTlsTrust::TState> m_tls;
    // libcurl's handles, kept opaque here so that users of this header need no curl.h.
    void* m_easy = nullptr;
    void* m_headerList = nullptr;
    std::mutex m_wakeUpLock; // guards m_wakeUp against Cancel from another thread
    std::function<void()> m_wakeUp;
    std::atomic<bool> m_cancelled{false};
    std::chrono::steady_clock::time_point m_deadline; // of the whole request, over every hop
    int m_hop = 0;
    int m_result = 0;
    bool m_threw = false; // a callback threw: the transfer ended there
    Headers m_block; // the header block being read
    std::string m_location;         // the Location of the header block being read
    std::string m_redirectLocation; // set when the answer just read is a redirect to follow
    long m_redirectStatus = 0;
    bool m_headersDelivered = false;
    bool m_stoppedByOwner = false;
    bool m_reachedLocalNetwork = false;
    bool m_refusedLocalNetwork = false; // a PublicOnly connection was not made
    bool m_outOfDescriptors = false;    // no socket could be made: the process has no descriptor left
};
