#include "core/uTrash.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include <QFile>
#include <QStorageInfo>

#include "core/uTFileUtils.h"

namespace {

std::string Parent(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// The trash folders a desktop looks into for a file at `path`: the home trash, and the
// disk's own ones ($topdir/.Trash/$uid, $topdir/.Trash-$uid).
std::vector<std::string> TrashesFor(const std::string& path) {
    std::vector<std::string> trashes{HomeTrashFolder()};
    const QByteArray root = QFile::encodeName(QStorageInfo(QFile::decodeName(path.c_str())).rootPath());
    if (!root.isEmpty()) {
        std::string top = root.toStdString();
        if (top.size() > 1 && top.back() == '/')
            top.pop_back();
        const std::string prefix = top == "/" ? std::string() : top;
        const std::string uid = std::to_string(::getuid());
        trashes.push_back(prefix + "/.Trash/" + uid);
        trashes.push_back(prefix + "/.Trash-" + uid);
    }
    return trashes;
}

// Whether `inTrash` lies in the files folder of one of `trashes`, with the record that lets
// it be restored.
bool InRealTrash(const std::vector<std::string>& trashes, const std::string& inTrash) {
    const std::string files = Parent(inTrash);
    const std::string trash = Parent(files);
    const std::string name = LastPathSegment(inTrash);
    if (LastPathSegment(files) != "files" || !FileExists(trash + "/info/" + name + ".trashinfo"))
        return false;
    for (const std::string& known : trashes) {
        if (SameFile(known, trash))
            return true;
    }
    return false;
}

// Puts a file that went astray back under its name (never over another file) and drops the
// record written beside it.
void PutBack(const std::string& original, const std::string& moved) {
    if (::renameat2(AT_FDCWD, moved.c_str(), AT_FDCWD, original.c_str(), RENAME_NOREPLACE) == 0)
        ::unlink((Parent(Parent(moved)) + "/info/" + LastPathSegment(moved) + ".trashinfo").c_str());
}

} // namespace

std::string HomeTrashFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/')
        return std::string(dataHome) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share/Trash";
}

bool MakeFolderPath(const std::string& path, unsigned mode) {
    if (path.empty() || IsFolder(path))
        return !path.empty();
    const std::string parent = Parent(path);
    if (parent != path && !MakeFolderPath(parent, mode))
        return false;
    return ::mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0 || IsFolder(path);
}

TTrashOutcome MoveToTrash(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return TTrashOutcome::Failed;
    // A first start on a fresh home has no data folder yet: the trash and the folders above
    // it are made private to the user, as the trash's rules ask.
    const std::string home = HomeTrashFolder();
    MakeFolderPath(home + "/files", 0700);
    MakeFolderPath(home + "/info", 0700);
    // Known while the file is still there to tell its disk.
    const std::vector<std::string> trashes = TrashesFor(path);
    QString inTrash;
    if (!QFile::moveToTrash(QFile::decodeName(path.c_str()), &inTrash))
        return TTrashOutcome::NoTrash;
    const std::string moved = QFile::encodeName(inTrash).toStdString();
    if (InRealTrash(trashes, moved))
        return TTrashOutcome::Trashed;
    PutBack(path, moved);
    return FileExists(path) ? TTrashOutcome::NoTrash : TTrashOutcome::Failed;
}
