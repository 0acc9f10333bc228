#include "net/uTlsTrust.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509_vfy.h>

#include <cerrno>
#include <cstdlib>

#include "net/uAddresses.h"
#include "net/uCurlRequest.h"

namespace {

// The bundle libcurl was built to read when nobody names one.
std::string LibcurlDefaultBundle() {
    EnsureCurlReady();
    CURL* const easy = curl_easy_init();
    if (easy == nullptr)
        return {};
    char* path = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CAINFO, &path);
    std::string bundle = path != nullptr ? path : "";
    curl_easy_cleanup(easy);
    return bundle;
}

bool OutOfDescriptors(int error) {
    return error == EMFILE || error == ENFILE;
}

// The whole file, if it is a regular file of a size a bundle may have. A pipe or a device
// could make the read wait for ever: the file is opened without waiting, and checked again
// once open, in case it was swapped after the first look.
bool ReadBundle(const std::string& path, std::string& text, int& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = OutOfDescriptors(errno) ? kErrorTooManyFiles : CURLE_SSL_CACERT_BADFILE;
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              info.st_size <= TTlsTrust::kLargestBundle;
    if (ok) {
        text.resize(static_cast<size_t>(info.st_size));
        size_t filled = 0;
        while (ok && filled < text.size()) {
            const ssize_t n = ::read(fd, text.data() + filled, text.size() - filled);
            if (n < 0 && errno == EINTR)
                continue;
            ok = n > 0;
            filled += ok ? static_cast<size_t>(n) : 0;
        }
    }
    ::close(fd);
    error = ok ? 0 : CURLE_SSL_CACERT_BADFILE;
    return ok;
}

// Every certificate and revocation list of a PEM bundle, as OpenSSL's own file loading reads
// it, with the checks libcurl sets on a store of its own: the trusted authorities are tried
// first, and one of them vouches even in the middle of a chain.
std::shared_ptr<X509_STORE> ParseAuthorities(const std::string& text) {
    std::shared_ptr<X509_STORE> store(X509_STORE_new(), X509_STORE_free);
    BIO* const input = BIO_new_mem_buf(text.data(), static_cast<int>(text.size()));
    if (!store || input == nullptr) {
        BIO_free(input);
        return nullptr;
    }
    STACK_OF(X509_INFO)* const entries = PEM_X509_INFO_read_bio(input, nullptr, nullptr, nullptr);
    BIO_free(input);
    int added = 0;
    for (int i = 0; entries != nullptr && i < sk_X509_INFO_num(entries); ++i) {
        const X509_INFO* const entry = sk_X509_INFO_value(entries, i);
        if (entry->x509 != nullptr && X509_STORE_add_cert(store.get(), entry->x509) == 1)
            ++added;
        if (entry->crl != nullptr && X509_STORE_add_crl(store.get(), entry->crl) == 1)
            ++added;
    }
    sk_X509_INFO_pop_free(entries, X509_INFO_free);
    // What the reading left on this thread's error queue is no error of the next connection.
    ERR_clear_error();
    if (added == 0)
        return nullptr;
    X509_STORE_set_flags(store.get(), X509_V_FLAG_TRUSTED_FIRST | X509_V_FLAG_PARTIAL_CHAIN);
    return store;
}

// The certificate authorities a user names instead of the system's store, as the curl tool
// reads them: CURL_CA_BUNDLE, then SSL_CERT_FILE. Null when neither is set to something.
const char* UserAuthorityBundle() {
    if (const char* bundle = NonEmptyVariable("CURL_CA_BUNDLE"))
        return bundle;
    return NonEmptyVariable("SSL_CERT_FILE");
}

} // namespace


// libcurl's share handle, with the locks it asks for: the lanes use it from their threads.
struct TTlsTrust::TSessionShare {
    TSessionShare() : Handle(curl_share_init()) {
        if (Handle == nullptr)
            return;
        curl_share_setopt(Handle, CURLSHOPT_LOCKFUNC, &Lock);
        curl_share_setopt(Handle, CURLSHOPT_UNLOCKFUNC, &Unlock);
        curl_share_setopt(Handle, CURLSHOPT_USERDATA, this);
        curl_share_setopt(Handle, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
    TSessionShare(const TSessionShare&) = delete;
    TSessionShare& operator=(const TSessionShare&) = delete;
    // Every request that used it has let go of its handles by now: each keeps the share.
    ~TSessionShare() { curl_share_cleanup(Handle); }

    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<TSessionShare*>(self)->Locks[data].lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<TSessionShare*>(self)->Locks[data].unlock();
    }

    CURLSH* const Handle;
    std::mutex Locks[CURL_LOCK_DATA_LAST];
};

void* TTlsTrust::TState::SessionHandle() const {
    return Sessions ? Sessions->Handle : nullptr;
}

TTlsTrust::TTlsTrust() : m_defaultBundle(LibcurlDefaultBundle()) {}

TTlsTrust::~TTlsTrust() = default;

std::shared_ptr<const TTlsTrust::TState> TTlsTrust::Current(int& error) {
    error = 0;
    const char* const user = UserAuthorityBundle();
    TFileIdentity file;
    file.Path = user != nullptr ? user : m_defaultBundle;
    if (file.Path.empty())
        return nullptr;
    struct stat info {};
    if (::stat(file.Path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > kLargestBundle) {
        error = CURLE_SSL_CACERT_BADFILE;
        return nullptr;
    }
    file.Device = info.st_dev;
    file.Inode = info.st_ino;
    file.Size = info.st_size;
    file.ModifiedNs =
        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;

    std::lock_guard lock(m_lock);
    if (file == m_loaded && (m_state || m_failure != 0)) {
        error = m_failure;
        return m_state;
    }
    std::shared_ptr<const TState> state = Load(file, error);
    // A shortage of descriptors passes; the next request reads the file again.
    if (error == kErrorTooManyFiles)
        return nullptr;
    m_loaded = file;
    m_state = state;
    m_failure = error;
    return state;
}

std::shared_ptr<const TTlsTrust::TState> TTlsTrust::Load(const TFileIdentity& file,
                                                         int& error) const {
    std::string text;
    if (!ReadBundle(file.Path, text, error))
        return nullptr;
    auto state = std::make_shared<TState>();
    state->Authorities = ParseAuthorities(text);
    if (!state->Authorities) {
        error = CURLE_SSL_CACERT_BADFILE;
        return nullptr;
    }
    // Sessions made under other authorities are not resumed under these.
    state->Sessions = std::make_shared<TSessionShare>();
    if (state->Sessions->Handle == nullptr)
        state->Sessions.reset();
    return state;
}
