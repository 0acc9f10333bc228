#include "download/uFileNames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "download/uFileMover.h"

namespace {
constexpr size_t kMaxNameBytes = 240;
constexpr size_t kMaxExtensionBytes = 32;

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Makes an empty file under `path`, failing when anything is there already (EEXIST); its
// descriptor, open for writing, or -1.
int CreateExclusively(const std::string& path) {
    if (path.find('\0') != std::string::npos) {
        errno = EINVAL; // the system would make another file than the one named
        return -1;
    }
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
}
} // namespace

std::string SafeFileName(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7f)
            c = '_';
        else if (std::string_view(":*?\"<>|").find(c) != std::string_view::npos)
            c = '-';
    }
    if (safe.empty() || safe == "." || safe == "..")
        return "download";
    if (safe.size() <= kMaxNameBytes)
        return safe;
    size_t dot = safe.rfind('.');
    if (dot == std::string::npos || dot == 0 || safe.size() - dot > kMaxExtensionBytes)
        dot = safe.size();
    const std::string extension = safe.substr(dot);
    size_t keep = kMaxNameBytes - extension.size();
    // Never cut a character of a multi-byte name in half.
    while (keep > 0 && IsUtf8Continuation(safe[keep]))
        --keep;
    return safe.substr(0, keep) + extension;
}

void TFileNames::Take(const std::string& old, const std::string& path) {
    Release(old);
    m_taken.insert(path);
}

void TFileNames::Release(const std::string& path) {
    if (const auto held = m_taken.find(path); held != m_taken.end())
        m_taken.erase(held);
}

std::string TFileNames::FreeCandidate(const std::string& path, int first, int& n) const {
    // A bound, because a folder that answers "exists" for every name would keep the
    // search going for ever.
    for (n = first; n < first + kMaxCandidates; ++n) {
        std::string candidate = NameCandidate(path, n);
        if (!IsTaken(candidate))
            return candidate;
    }
    return {};
}

std::string TFileNames::Reserve(const std::string& path, int* file) const {
    // The first free name wins, as on any start. The names held here are passed over in
    // memory; the exclusive create asks the disk, and a name taken there (by hand, by
    // another process) sends the search on past it.
    int next = 0;
    for (int tried = 0; tried < kMaxCandidates; ++tried) {
        int n = 0;
        std::string candidate = FreeCandidate(path, next, n);
        if (candidate.empty())
            break;
        next = n + 1;
        if (const int fd = CreateExclusively(candidate); fd >= 0) {
            if (file != nullptr)
                *file = fd;
            else
                ::close(fd);
            return candidate;
        }
        if (errno != EEXIST) // no folder, no right to write, no descriptor left
            return {};
    }
    errno = EEXIST;
    return {};
}

int TFileNames::ReopenPart(const std::string& path, int64_t songSize, bool keep, int64_t& size) {
    size = 0;
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
        ::close(fd);
        return -1;
    }
    // A file as large as the song or larger holds nothing that is missing: it starts over.
    const bool part = info.st_size > 0 && (songSize <= 0 || info.st_size < songSize);
    if (keep && part && ::lseek(fd, 0, SEEK_END) == info.st_size) {
        size = info.st_size;
        return fd;
    }
    if (::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}
