#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

struct ssl_ctx_st;
struct evp_pkey_st;
struct x509_st;

// What a host's certificate is like: one a client should accept, or one it must refuse.
enum class TCertificateKind {
    Good,      // names the host, valid now, signed by the authority
    OtherHost, // names another host
    Expired,   // names the host, but its time ran out yesterday
    NotYetValid, // names the host, but its time begins tomorrow
};

// A certificate authority of the loopback servers, made afresh when it is created, and the
// TLS server sides it signs certificates for, one per host and kind, made on first use. A
// client that trusts CertificatePem() (SSL_CERT_FILE) reaches the hosts the servers play
// over https. Safe to use from every connection thread.
class TLocalAuthority {
public:
    explicit TLocalAuthority(const std::string& name = "Orvalo stand-in web authority");
    TLocalAuthority(const TLocalAuthority&) = delete;
    TLocalAuthority& operator=(const TLocalAuthority&) = delete;
    ~TLocalAuthority();

    // False when OpenSSL could not make the key or the certificate.
    bool Valid() const { return !m_pem.empty(); }
    // The authority's certificate, PEM, as a client's bundle holds it.
    const std::string& CertificatePem() const { return m_pem; }
    // Writes the certificate to `path` (beside, then renamed into place).
    bool WriteCertificate(const std::string& path) const;

    // The server side of TLS for `host`; none when it could not be made. OtherHost names
    // "other-than-" + host.
    std::shared_ptr<ssl_ctx_st> ServerContext(const std::string& host, TCertificateKind kind);

private:
    std::shared_ptr<ssl_ctx_st> MakeContext(const std::string& host, TCertificateKind kind) const;

    std::shared_ptr<evp_pkey_st> m_key;     // the authority's
    std::shared_ptr<evp_pkey_st> m_hostKey; // every host's certificate holds this one
    std::shared_ptr<x509_st> m_certificate; // the authority's
    std::string m_pem;
    std::mutex m_lock;
    std::map<std::pair<std::string, TCertificateKind>, std::shared_ptr<ssl_ctx_st>> m_contexts;
};
