#include "net/uAddresses.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>

#include "core/uTStringUtils.h"

namespace {
bool IsUnsafeByte(unsigned char c) {
    return c <= 0x20 || c >= 0x7f;
}

// The hosts no_proxy exempts: "*", or names (a leading "." ignored) that the host is or ends
// in, as libcurl reads the variable.
bool ExemptFromProxy(const std::string& host) {
    const char* list = NonEmptyVariable("no_proxy");
    if (list == nullptr)
        list = NonEmptyVariable("NO_PROXY");
    if (list == nullptr)
        return false;
    std::string_view rest(list);
    while (!rest.empty()) {
        const size_t end = rest.find_first_of(", ");
        std::string_view entry = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (entry == "*")
            return true;
        if (!entry.empty() && entry.front() == '.')
            entry.remove_prefix(1);
        if (entry.empty() || entry.size() > host.size())
            continue;
        const std::string_view tail = std::string_view(host).substr(host.size() - entry.size());
        if (SameTextIgnoringCase(tail, entry) &&
            (tail.size() == host.size() || host[host.size() - entry.size() - 1] == '.'))
            return true;
    }
    return false;
}

std::string_view WithoutScheme(std::string_view url, bool& secure) {
    secure = StartsWithIgnoringCase(url, "https://");
    if (secure)
        return url.substr(8);
    return StartsWithIgnoringCase(url, "http://") ? url.substr(7) : url;
}
} // namespace

// A host is a name or an address literal: anything that would make the parser read user
// information, a path or a query out of it is refused.
bool IsAcceptableHost(std::string_view host) {
    if (host.empty())
        return false;
    return std::none_of(host.begin(), host.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return IsUnsafeByte(byte) || c == '@' || c == '/' || c == '\\' || c == '?' || c == '#';
    });
}

// An environment variable that is set to something.
const char* NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

// libcurl takes https_proxy, then all_proxy, for https; a user who set only http_proxy
// expects it to carry https too, so it is handed over when neither is set. libcurl still
// applies no_proxy to a proxy given this way.
const char* HttpsProxyFallback() {
    for (const char* name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        if (NonEmptyVariable(name) != nullptr)
            return nullptr;
    }
    return NonEmptyVariable("http_proxy");
}

bool IsLocalNetworkAddress(const std::string& address) {
    in_addr v4{};
    in6_addr v6{};
    if (::inet_pton(AF_INET, address.c_str(), &v4) == 1) {
        const uint32_t a = ntohl(v4.s_addr);
        const auto in = [a](uint32_t net, int bits) {
            return (a >> (32 - bits)) == (net >> (32 - bits));
        };
        // This network, private, loopback, link-local; shared (carrier-grade NAT, VPNs) and
        // benchmarking space; multicast and reserved: none of them a public web server.
        return in(0x00000000, 8) || in(0x0A000000, 8) || in(0x7F000000, 8) || in(0xA9FE0000, 16) ||
               in(0xAC100000, 12) || in(0xC0A80000, 16) || in(0x64400000, 10) ||
               in(0xC6120000, 15) || in(0xE0000000, 4) || in(0xF0000000, 4);
    }
    if (::inet_pton(AF_INET6, address.c_str(), &v6) != 1)
        return false;
    const unsigned char* b = v6.s6_addr;
    // An IPv4 address inside: mapped (::ffff:a.b.c.d), or translated (64:ff9b::a.b.c.d).
    static constexpr unsigned char kTranslated[12] = {0x00, 0x64, 0xff, 0x9b};
    if (IN6_IS_ADDR_V4MAPPED(&v6) || std::equal(b, b + 12, kTranslated)) {
        char inside[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, b + 12, inside, sizeof inside);
        return IsLocalNetworkAddress(inside);
    }
    // Loopback, unspecified, unique-local (fc00::/7), link-local (fe80::/10), the old
    // site-local (fec0::/10), multicast (ff00::/8).
    return IN6_IS_ADDR_LOOPBACK(&v6) || IN6_IS_ADDR_UNSPECIFIED(&v6) || (b[0] & 0xFE) == 0xFC ||
           (b[0] == 0xFE && (b[1] & 0xC0) == 0x80) || (b[0] == 0xFE && (b[1] & 0xC0) == 0xC0) ||
           b[0] == 0xFF;
}

bool GoesThroughProxy(bool secure, const std::string& host) {
    bool proxy =
        NonEmptyVariable("all_proxy") != nullptr || NonEmptyVariable("ALL_PROXY") != nullptr;
    if (secure)
        proxy = proxy || NonEmptyVariable("https_proxy") != nullptr ||
                NonEmptyVariable("HTTPS_PROXY") != nullptr || HttpsProxyFallback() != nullptr;
    else
        proxy = proxy || NonEmptyVariable("http_proxy") != nullptr;
    return proxy && !ExemptFromProxy(host);
}

TAddressParts SplitAddress(const std::string& url) {
    TAddressParts parts;
    const std::string_view rest = WithoutScheme(url, parts.Secure);
    const size_t slash = rest.find('/');
    parts.HasSlash = slash != std::string_view::npos;
    parts.Host = std::string(rest.substr(0, slash));
    if (parts.HasSlash)
        parts.Path = std::string(rest.substr(slash + 1));
    return parts;
}

const char* SchemePrefix(bool secure) {
    return secure ? "https://" : "http://";
}

std::string EncodeUnsafeBytes(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnsafeByte(byte)) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string EncodeQueryValue(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                                (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        }
    }
    return out;
}

std::string BuildRequestUrl(bool secure, const std::string& host, const std::string& path) {
    return SchemePrefix(secure) + host + (secure ? ":443" : ":80") + EncodeUnsafeBytes(path);
}
