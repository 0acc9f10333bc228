#pragma once

#include <string>
#include <string_view>

// Whole-file reading and writing of byte strings, with no line-ending or character
// conversion. Every failure is a value: an empty string or false.
class TFileUtils {
public:
    static std::string ReadWholeFile(const std::string& path);
    static bool WriteWholeFile(const std::string& path, std::string_view data);
};

// Deletes every plain file directly inside `folder` (hidden ones included). Subfolders and
// their contents are never touched; files that cannot be deleted stay.
void DeleteFolderFiles(const std::string& folder);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates one folder level; the parent must exist. Returns whether the folder exists after.
bool CreateDir(const std::string& path);
