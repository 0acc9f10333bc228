#include "startup/uProgramFolders.h"

#include <unistd.h>

#include <filesystem>

#include <QFile>
#include <QStandardPaths>

#include "core/uTFileUtils.h"

namespace {
std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The shipped data of an installed layout: <prefix>/share/orvalo/data beside <prefix>/bin.
std::string ShippedDataFolderOf(const std::string& appFolder) {
    const std::filesystem::path bin = std::filesystem::path(appFolder).parent_path();
    return (bin.parent_path() / "share" / "orvalo" / "data").string() + "/";
}
} // namespace

std::string TProgramFolders::EngineListPath() const {
    const std::string own = DataFolder + "Engines.dat";
    return FileExists(own) ? own : ShippedDataFolder + "Engines.dat";
}

bool FolderIsWritable(const std::string& folder) {
    return DirectoryExists(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

TProgramFolders ChooseProgramFolders(const std::string& appFolder,
                                     const TFolderWritable& writable) {
    TProgramFolders folders;
    const std::string shipped = ShippedDataFolderOf(appFolder);
    if (writable(appFolder) && !FileExists(shipped + "Engines.dat")) {
        folders.DataFolder = folders.ShippedDataFolder = appFolder + "data/";
        folders.DownloadDir = appFolder + "Downloads";
        folders.IncompleteDir = appFolder + "Incomplete";
        return folders;
    }
    const std::string home =
        LocalPath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) +
        "/Orvalo/";
    folders.Portable = false;
    folders.DataFolder = home + "data/";
    folders.ShippedDataFolder = shipped;
    folders.DownloadDir =
        LocalPath(QStandardPaths::writableLocation(QStandardPaths::MusicLocation)) + "/Orvalo";
    folders.IncompleteDir = home + "Incomplete";
    return folders;
}

std::string ExecutableFolder() {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    std::string folder = error ? std::filesystem::current_path(error).string() : exe.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

void SettleFolder(std::string& folder, const std::string& fallback, bool withParents) {
    if (DirectoryExists(folder))
        return;
    folder = fallback;
    if (!withParents) {
        CreateDir(folder);
        return;
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
}
