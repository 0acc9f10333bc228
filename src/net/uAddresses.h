#pragma once

#include <string>
#include <string_view>

// How the program reads and writes addresses, and where the environment sends them.

// Whether the address (numeric, IPv4 or IPv6) is this machine's, the local network's or no
// public server's: loopback, private, shared (100.64.0.0/10), benchmarking (198.18.0.0/15),
// link-local, unique-local, site-local, multicast, reserved or unspecified.
bool IsLocalNetworkAddress(const std::string& address);
// Whether the environment's proxy settings send a request for `host` through a proxy.
bool GoesThroughProxy(bool secure, const std::string& host);

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

// A host is a name or an address literal: false for anything that would make the parser read
// user information, a path or a query out of it.
bool IsAcceptableHost(std::string_view host);
// An environment variable that is set to something; null otherwise.
const char* NonEmptyVariable(const char* name);
// The proxy for https when only http_proxy is set (a user who set only that expects it to
// carry https too); null when https_proxy or all_proxy is set, or none at all.
const char* HttpsProxyFallback();
