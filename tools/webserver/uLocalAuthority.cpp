#include "uLocalAuthority.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cstdio>

namespace {

constexpr long kDay = 24 * 60 * 60;

std::shared_ptr<evp_pkey_st> MakeKey() {
    // A program in the same process (a test's) may still run TLS on detached threads when
    // the process exits: OpenSSL must not free its locks and tables under them at exit. The
    // first initialisation of the process decides that, and this may be the first.
    OPENSSL_init_crypto(OPENSSL_INIT_NO_ATEXIT, nullptr);
    return {EVP_EC_gen("P-256"), EVP_PKEY_free};
}

void SetName(X509_NAME* name, const std::string& commonName) {
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1,
                               0);
}

bool AddExtension(X509* certificate, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    if (extension == nullptr)
        return false;
    const bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

// A certificate for `subject` holding `key`, valid from `from` to `until` seconds from now,
// not yet signed. With no issuer it is its own (the authority's).
std::shared_ptr<x509_st> MakeCertificate(const std::string& subject, EVP_PKEY* key, X509* issuer,
                                         long from, long until) {
    std::shared_ptr<x509_st> certificate(X509_new(), X509_free);
    unsigned char serial[16];
    if (!certificate || RAND_bytes(serial, sizeof serial) != 1)
        return nullptr;
    serial[0] &= 0x7f; // a positive number
    BIGNUM* number = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(certificate.get()));
    BN_free(number);
    X509_set_version(certificate.get(), X509_VERSION_3);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), from);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), until);
    SetName(X509_get_subject_name(certificate.get()), subject);
    X509_set_issuer_name(certificate.get(), issuer != nullptr
                                                ? X509_get_subject_name(issuer)
                                                : X509_get_subject_name(certificate.get()));
    X509_set_pubkey(certificate.get(), key);
    return certificate;
}

bool AddAuthorityExtensions(X509* certificate) {
    return AddExtension(certificate, certificate, NID_basic_constraints, "critical,CA:TRUE") &&
           AddExtension(certificate, certificate, NID_key_usage, "critical,keyCertSign,cRLSign") &&
           AddExtension(certificate, certificate, NID_subject_key_identifier, "hash");
}

bool AddHostExtensions(X509* certificate, X509* issuer, const std::string& name) {
    return AddExtension(certificate, issuer, NID_basic_constraints, "critical,CA:FALSE") &&
           AddExtension(certificate, issuer, NID_key_usage, "critical,digitalSignature") &&
           AddExtension(certificate, issuer, NID_ext_key_usage, "serverAuth") &&
           AddExtension(certificate, issuer, NID_authority_key_identifier, "keyid") &&
           AddExtension(certificate, issuer, NID_subject_alt_name, "DNS:" + name);
}

std::string ToPem(X509* certificate) {
    BIO* memory = BIO_new(BIO_s_mem());
    std::string pem;
    if (memory != nullptr && PEM_write_bio_X509(memory, certificate) == 1) {
        char* data = nullptr;
        const long size = BIO_get_mem_data(memory, &data);
        pem.assign(data, static_cast<size_t>(size));
    }
    BIO_free(memory);
    return pem;
}

} // namespace

TLocalAuthority::TLocalAuthority(const std::string& name) : m_key(MakeKey()), m_hostKey(MakeKey()) {
    if (!m_key || !m_hostKey)
        return;
    // Valid from an hour ago, so a clock a little behind still takes it.
    m_certificate = MakeCertificate(name, m_key.get(), nullptr, -3600, 30 * kDay);
    if (!m_certificate || !AddAuthorityExtensions(m_certificate.get()) ||
        X509_sign(m_certificate.get(), m_key.get(), EVP_sha256()) == 0)
        return;
    m_pem = ToPem(m_certificate.get());
}

TLocalAuthority::~TLocalAuthority() = default;

bool TLocalAuthority::WriteCertificate(const std::string& path) const {
    if (!Valid())
        return false;
    const std::string partial = path + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(m_pem.data(), 1, m_pem.size(), file) == m_pem.size();
    if (std::fclose(file) != 0 || !written || std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return false;
    }
    return true;
}

std::shared_ptr<ssl_ctx_st> TLocalAuthority::ServerContext(const std::string& host,
                                                           TCertificateKind kind) {
    if (!Valid())
        return nullptr;
    std::lock_guard lock(m_lock);
    auto& context = m_contexts[{host, kind}];
    if (!context)
        context = MakeContext(host, kind);
    return context;
}

std::shared_ptr<ssl_ctx_st> TLocalAuthority::MakeContext(const std::string& host,
                                                         TCertificateKind kind) const {
    const std::string name = kind == TCertificateKind::OtherHost ? "other-than-" + host : host;
    const bool expired = kind == TCertificateKind::Expired;
    const bool early = kind == TCertificateKind::NotYetValid;
    const std::shared_ptr<x509_st> certificate =
        MakeCertificate(name, m_hostKey.get(), m_certificate.get(), expired ? -30 * kDay : early ? kDay : -3600,
                        expired ? -kDay : 30 * kDay);
    if (!certificate || !AddHostExtensions(certificate.get(), m_certificate.get(), name) ||
        X509_sign(certificate.get(), m_key.get(), EVP_sha256()) == 0)
        return nullptr;
    std::shared_ptr<ssl_ctx_st> context(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
    if (!context || SSL_CTX_use_certificate(context.get(), certificate.get()) != 1 ||
        SSL_CTX_use_PrivateKey(context.get(), m_hostKey.get()) != 1)
        return nullptr;
    return context;
}
