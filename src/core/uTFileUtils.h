#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// Whole-file reading and writing of byte strings, with no line-ending or character
// conversion. Every failure is a value: an empty string or false.
class TFileUtils {
public:
    static std::string ReadWholeFile(const std::string& path);
    static bool WriteWholeFile(const std::string& path, std::string_view data);
    // Like WriteWholeFile, but the old file stays until the new one is whole: the data is
    // written beside it and renamed over it. On any failure (a full disk) nothing changes.
    static bool ReplaceWholeFile(const std::string& path, std::string_view data);
};

// One plain file of a folder as a listing finds it: a regular file, or a link to one (named as
// the link, its size the target's). Folders, pipes, devices, sockets and links to anything
// else are never plain files: opening one could wait for ever, or act on a device.
struct TListedFile {
    std::string Name;
    int64_t Size = 0;
};

// The plain files directly in `folder` (hidden ones included), in no particular order; with
// `folders`, the folders in it too (links to folders are never followed). False when the
// folder could not be listed, or not to its end.
bool ListFolder(const std::string& folder, std::vector<TListedFile>& files, std::vector<std::string>* folders = nullptr);

// Deletes every plain file directly inside `folder` (hidden ones included), but for the files
// named in `keep` (under any spelling of their path: the same file is kept). Subfolders and
// their contents are never touched; files that cannot be deleted stay.
void DeleteFolderFiles(const std::string& folder, const std::vector<std::string>& keep = {});
// The files DeleteFolderFiles would delete, as paths (a link as the link: its target stays).
std::vector<std::string> FolderFilesToDelete(const std::string& folder, const std::vector<std::string>& keep = {});

// Whether the folder `outer` is `inner` or holds it, at any depth (under any spelling of
// either, links followed).
bool FolderHolds(const std::string& outer, const std::string& inner);

// Renames `from` to `to` inside `folder` (bytes, no trailing "/"), never replacing a file
// that already has the new name and never leaving the folder: a new name that is empty,
// "." or "..", or holds "/" or a NUL, fails. Returns whether the file now has the new name.
bool RenameInFolder(const std::string& folder, const std::string& from, const std::string& to);

// The last segment of a path: what follows its last "/", or the whole path without one.
std::string LastPathSegment(const std::string& path);
// The folder `folder` ending in "/" (an empty one gives "/").
std::string WithTrailingSlash(std::string folder);

bool FileExists(const std::string& path);
// False for a path with a NUL or any other control byte: the system would test another.
bool DirectoryExists(const std::string& path);
// Creates one folder level; the parent must exist. Returns whether the folder exists after.
bool CreateDir(const std::string& path);

// Copies the plain file `source` to `target`, which must not exist yet (EEXIST when it
// does). Only a whole copy ever appears under `target`: the bytes are written into the
// target's folder without a name (or under a hidden temporary one) and linked into place
// at the end. The bytes move inside the kernel where the file systems allow. Once `stop` is
// set the copy ends (ECANCELED), leaving nothing.
std::error_code CopyFileNoReplace(const std::string& source, const std::string& target,
                                  const std::atomic<bool>* stop = nullptr);
