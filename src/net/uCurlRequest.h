#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "net/uAddresses.h"
#include "net/uAnswers.h"
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
    // Fewer than StallBytes bytes for StallTimeoutMs ends the request: by default no byte for
    // a minute; a download also lets go of a trickle.
    int StallTimeoutMs = 60000;
    int64_t StallBytes = 1;
    int TotalTimeoutMs = 0;     // the whole request may take this long; 0: no limit
    // More than 0: only the bytes from this one on are asked for ("Range: bytes=N-"), and,
    // with a validator of the first answer (its ETag or Last-Modified date), only while the
    // file is still the one it named ("If-Range"); otherwise the server sends it whole.
    int64_t RangeFrom = 0;
    std::string IfRange;
    // 0 or more: the last byte asked for ("Range: bytes=RangeFrom-RangeTo"), also from the
    // first byte on; a server that does not honour it sends the whole file.
    int64_t RangeTo = -1;
    // Asks the server to keep the connection open ("Connection: keep-alive"): where it
    // agrees, the next request of the same lane to the same server goes on it without a new
    // connection. Without it the server closes the connection after its answer.
    bool KeepAlive = false;
};

// Sets libcurl up for the process, once, whichever thread asks first.
void EnsureCurlReady();

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
