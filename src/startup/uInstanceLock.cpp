#include "startup/uInstanceLock.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QDir>
#include <QFile>
#include <QLockFile>

namespace {

// The single-instance marker: held from the first check until the process ends.
std::unique_ptr<QLockFile> InstanceMarker;
// The lock that IsAlreadyRunning took or found held.
std::string InstanceLockInUse;

const char* const kLockName = "/Orvalo.lock";

// Why a folder is no private one; null when it is.
const char* WhyNotPrivate(const struct stat& info) {
    if (!S_ISDIR(info.st_mode))
        return "it is no folder";
    if (info.st_uid != ::getuid())
        return "it belongs to another user";
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "others can write into it";
    return nullptr;
}

// The folders the lock may stand in, best first: the user's runtime folder when there is one,
// then two of our own in the temporary folder that every user shares (the second for when
// someone else took the first name).
std::vector<std::pair<std::string, bool>> LockFolders() {
    std::vector<std::pair<std::string, bool>> folders; // the folder, and whether we make it
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime != nullptr && *runtime != '\0')
        folders.emplace_back(runtime, false);
    const std::string own =
        QFile::encodeName(QDir::tempPath()).toStdString() + "/orvalo-" + std::to_string(::getuid());
    folders.emplace_back(own, true);
    folders.emplace_back(own + "-2", true);
    return folders;
}

// Whether the folder can hold the lock: made (mode 0700) when it is ours to make and missing,
// and private. Standard error says why one that stands there cannot.
bool UsableFolder(const std::string& folder, bool ours) {
    if (ours && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        return false; // a runtime folder the session did not make
    if (const char* why = WhyNotPrivate(info)) {
        std::fprintf(stderr, "orvalo: cannot keep the lock in %s: %s\n", folder.c_str(), why);
        return false;
    }
    return true;
}

// The lock paths to try, in order, each in a private folder.
std::vector<std::string> LockPaths() {
    std::vector<std::string> paths;
    for (const auto& [folder, ours] : LockFolders()) {
        if (UsableFolder(folder, ours))
            paths.push_back(folder + kLockName);
    }
    return paths;
}

// Whether what stands at `path` may be a lock of ours: nothing yet, or a plain file of ours.
bool LockMayBeOurs(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return true;
    const char* why = !S_ISREG(info.st_mode)
                          ? (S_ISDIR(info.st_mode) ? "a folder" : "no plain file")
                      : info.st_uid != ::getuid() ? "another user's file"
                                                  : nullptr;
    if (why != nullptr)
        std::fprintf(stderr, "orvalo: cannot use the lock file %s: it is %s\n", path.c_str(), why);
    return why == nullptr;
}

} // namespace

std::string InstanceLockPath() {
    const std::vector<std::string> paths = LockPaths();
    return paths.empty() ? std::string() : paths.front();
}

std::vector<std::string> InstanceDoorPaths() {
    std::string lock = InstanceLockInUse.empty() ? InstanceLockPath() : InstanceLockInUse;
    if (lock.empty())
        return {};
    lock.resize(lock.size() - 5); // ".lock"
    return {lock + ".door", lock + "-2.door"};
}

bool IsAlreadyRunning() {
    if (InstanceMarker)
        return false;
    // A lock that cannot be ours (a folder put in its place, a file of someone else's, one that
    // cannot be written) is said so, and the next place is tried: it never keeps the program
    // from starting.
    for (const std::string& path : LockPaths()) {
        if (!LockMayBeOurs(path))
            continue;
        auto marker = std::make_unique<QLockFile>(QFile::decodeName(path.c_str()));
        // Never stale by age: only a lock whose process is gone is taken over.
        marker->setStaleLockTime(0);
        if (marker->tryLock(0)) {
            InstanceMarker = std::move(marker);
            InstanceLockInUse = path;
            return false;
        }
        if (marker->error() == QLockFile::LockFailedError) {
            InstanceLockInUse = path;
            return true;
        }
        std::fprintf(stderr, "orvalo: cannot use the lock file %s\n", path.c_str());
    }
    return false;
}
