#pragma once

#include <sys/types.h>

#include <memory>
#include <mutex>
#include <string>

struct x509_store_st;

// What the https requests of one transfer engine share: the trusted authorities, read once
// (and again only when their file changes) instead of at every connection, and the TLS
// sessions of earlier connections, so that the next connection to a host resumes instead of
// going through a full handshake. The authorities are read before a request is handed to
// libcurl, so however long that takes, it never counts against the request's connect time.
// Every lane of the engine asks it, from its own thread.
class TTlsTrust {
public:
    struct TSessionShare;
    // What one request uses; the request keeps it for as long as its connections may.
    struct TState {
        std::shared_ptr<x509_store_st> Authorities;
        std::shared_ptr<TSessionShare> Sessions;
        void* SessionHandle() const; // libcurl's share handle
    };

    // A bundle larger than any real one is refused unread.
    static constexpr off_t kLargestBundle = off_t(16) << 20;

    TTlsTrust();
    TTlsTrust(const TTlsTrust&) = delete;
    TTlsTrust& operator=(const TTlsTrust&) = delete;
    ~TTlsTrust();

    // The authorities of the bundle in use now (the user's, else libcurl's own), read first
    // when it is new or changed. Null with `error` set when they cannot be had: libcurl's
    // CURLE_SSL_CACERT_BADFILE for a bundle no one could mean (a pipe, a device, a folder, one
    // too large, unreadable, or holding no certificate), kErrorTooManyFiles when no descriptor
    // was left to read it. Null with `error` 0 when no bundle file is known at all: libcurl
    // then finds the authorities its own way.
    std::shared_ptr<const TState> Current(int& error);

private:
    struct TFileIdentity {
        std::string Path;
        dev_t Device = 0;
        ino_t Inode = 0;
        off_t Size = -1;
        long long ModifiedNs = 0;
        bool operator==(const TFileIdentity&) const = default;
    };
    std::shared_ptr<const TState> Load(const TFileIdentity& file, int& error) const;

    std::string m_defaultBundle; // libcurl's own, where it has one
    std::mutex m_lock;
    TFileIdentity m_loaded; // the file m_state (or m_failure) came from
    std::shared_ptr<const TState> m_state;
    int m_failure = 0; // why m_loaded could not be used
};
