#include "core/uTFileUtils.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <filesystem>
#include <set>
#include <system_error>

namespace {

// Closes a POSIX descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int Get() const { return m_fd; }
    void Reset(int fd) {
        Close();
        m_fd = fd;
    }
    bool IsOpen() const { return m_fd >= 0; }
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// read() and write() may move fewer bytes than asked (signals, pipes); the loops below
// keep going until everything moved or a real error came back.
ssize_t ReadFully(int fd, char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

bool WriteFully(int fd, const char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Moves `size` bytes from `in` to `out` at their current offsets, inside the kernel where
// it can: a clone sharing the extents, then copy_file_range (offloaded or in-kernel), and
// where the two file systems can do neither together, read and write through a buffer
// small enough to stay in the processor's cache.
bool CopyContents(int in, int out, off_t size, const std::atomic<bool>* stop) {
    if (::ioctl(out, FICLONE, in) == 0)
        return true;
    bool inKernel = true;
    off_t done = 0;
    std::string buffer;
    while (done < size) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            errno = ECANCELED;
            return false;
        }
        ssize_t n = -1;
        if (inKernel) {
            // Pieces small enough that a stop is seen within a fraction of a second.
            const auto chunk = static_cast<size_t>(std::min<off_t>(size - done, off_t(64) << 20));
            n = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
        } else {
            buffer.resize(128 << 10);
            n = ReadFully(in, buffer.data(), std::min<size_t>(buffer.size(), size - done));
            if (n > 0 && !WriteFully(out, buffer.data(), static_cast<size_t>(n)))
                return false;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // A way the kernel does not offer for these two files shows at the first try; a
        // failure later on (a full disk, a size limit) is the copy's end.
        const bool unsupported = errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                                 errno == EOPNOTSUPP || errno == EBADF;
        if (n < 0 && done == 0 && inKernel && unsupported) {
            inKernel = false;
            ::posix_fadvise(in, 0, 0, POSIX_FADV_SEQUENTIAL);
            continue;
        }
        if (n == 0)
            errno = EIO; // the source ended early: it changed under the copy
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

} // namespace

std::string TFileUtils::ReadWholeFile(const std::string& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.IsOpen())
        return {};
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    std::string data(static_cast<size_t>(info.st_size), '\0');
    if (ReadFully(file.Get(), data.data(), data.size()) != static_cast<ssize_t>(data.size()))
        return {};
    return data;
}

bool TFileUtils::WriteWholeFile(const std::string& path, std::string_view data) {
    ::unlink(path.c_str());
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file.IsOpen())
        return false;
    const bool written = WriteFully(file.Get(), data.data(), data.size());
    // A full disk may only show when the last buffers are handed over at close.
    return file.Close() && written;
}

bool TFileUtils::ReplaceWholeFile(const std::string& path, std::string_view data) {
    // A name of this process's own, so that two processes saving at once never write into
    // one file; one left by a crashed run of the same number is stale.
    const std::string fresh = path + ".new-" + std::to_string(::getpid());
    ::unlink(fresh.c_str());
    FileDescriptor file(::open(fresh.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!file.IsOpen())
        return false;
    const bool written = WriteFully(file.Get(), data.data(), data.size());
    if (file.Close() && written && ::rename(fresh.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(fresh.c_str());
    return false;
}

bool ListFolder(const std::string& folder, std::vector<TListedFile>& files, std::vector<std::string>* folders) {
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
        // The type the listing gave where it gave one: a folder too deep to name is one still.
        std::error_code typeError;
        if (folders != nullptr && !it->is_symlink(typeError) && it->is_directory(typeError)) {
            folders->push_back(it->path().string());
            continue;
        }
        struct stat info {};
        if (::stat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode))
            files.push_back({it->path().filename().string(), static_cast<int64_t>(info.st_size)});
    }
    return !error;
}

std::vector<std::string> FolderFilesToDelete(const std::string& folder, const std::vector<std::string>& keep) {
    // Files are told apart by device and inode: a kept file may be named through a link or
    // another spelling of the folder.
    std::set<std::pair<dev_t, ino_t>> kept;
    for (const std::string& path : keep) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0)
            kept.emplace(info.st_dev, info.st_ino);
    }
    std::vector<TListedFile> listed;
    ListFolder(folder, listed);
    std::vector<std::string> files;
    for (const TListedFile& file : listed) {
        const std::string path = (std::filesystem::path(folder) / file.Name).string();
        struct stat info {};
        if (kept.empty() || ::lstat(path.c_str(), &info) != 0 || kept.count({info.st_dev, info.st_ino}) == 0)
            files.push_back(path);
    }
    return files;
}

void DeleteFolderFiles(const std::string& folder, const std::vector<std::string>& keep) {
    for (const std::string& file : FolderFilesToDelete(folder, keep)) {
        std::error_code error;
        std::filesystem::remove(file, error);
    }
}

bool FolderHolds(const std::string& outer, const std::string& inner) {
    struct stat folder {};
    if (outer.empty() || inner.empty() || ::stat(outer.c_str(), &folder) != 0)
        return false;
    std::error_code error;
    std::filesystem::path at = std::filesystem::weakly_canonical(inner, error);
    if (error)
        return false;
    for (;;) {
        struct stat info {};
        if (::stat(at.c_str(), &info) == 0 && info.st_dev == folder.st_dev && info.st_ino == folder.st_ino)
            return true;
        if (!at.has_parent_path() || at.parent_path() == at)
            return false;
        at = at.parent_path();
    }
}

namespace {
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}
} // namespace

bool RenameInFolder(const std::string& folder, const std::string& from, const std::string& to) {
    if (!IsPlainName(from) || !IsPlainName(to))
        return false;
    const std::string source = folder + "/" + from;
    const std::string target = folder + "/" + to;
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace rename: a hard link fails just as surely when
    // the name is taken.
    if (::link(source.c_str(), target.c_str()) != 0)
        return false;
    if (::unlink(source.c_str()) != 0) {
        ::unlink(target.c_str());
        return false;
    }
    return true;
}

std::string WithTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string LastPathSegment(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
    // The system sees a path only up to its first NUL: "/home/me<NUL>x" would test as
    // "/home/me" and pass, while every name made inside it would name something else. A
    // folder name with a NUL or any other control byte is no folder of ours.
    const bool hasControlByte = std::any_of(path.begin(), path.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
    struct stat info {};
    return !path.empty() && !hasControlByte && ::stat(path.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode);
}

bool CreateDir(const std::string& path) {
    if (path.empty())
        return false;
    ::mkdir(path.c_str(), 0755);
    return DirectoryExists(path);
}

std::error_code CopyFileNoReplace(const std::string& source, const std::string& target,
                                  const std::atomic<bool>* stop) {
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!in.IsOpen() || ::fstat(in.Get(), &info) != 0)
        return LastError();
    if (!S_ISREG(info.st_mode))
        return std::make_error_code(std::errc::invalid_argument);
    const size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : target.substr(0, std::max<size_t>(slash, 1));

    // The bytes go into a file without a name in the target's folder, which only gets its
    // name once it is whole: a copy cut short (a kill, a crash, a full disk) leaves nothing.
    FileDescriptor out(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    std::string temporary;
    if (!out.IsOpen()) {
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
            return LastError();
        // A file system without unnamed files: a hidden temporary name stands in.
        temporary = folder + "/.orvalo-copy-XXXXXX";
        out.Reset(::mkostemp(temporary.data(), O_CLOEXEC));
        if (!out.IsOpen())
            return LastError();
    }
    std::error_code error;
    if (::fchmod(out.Get(), info.st_mode & 0777) != 0 ||
        !CopyContents(in.Get(), out.Get(), info.st_size, stop))
        error = LastError();
    if (!error) {
        int linked = -1;
        if (temporary.empty()) {
            const std::string self = "/proc/self/fd/" + std::to_string(out.Get());
            linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW);
            if (linked != 0 && errno == ENOENT) // no /proc: the direct way, where allowed
                linked = ::linkat(out.Get(), "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH);
        } else {
            linked = ::link(temporary.c_str(), target.c_str());
        }
        if (linked != 0)
            error = LastError();
    }
    if (!temporary.empty())
        ::unlink(temporary.c_str());
    // A file system that reports a late write error at close has not kept the copy whole.
    if (!out.Close() && !error) {
        error = LastError();
        ::unlink(target.c_str());
    }
    return error;
}
