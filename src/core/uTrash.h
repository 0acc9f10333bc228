#pragma once

#include <string>

// What became of a file sent to the desktop's trash.
enum class TTrashOutcome {
    Trashed, // in a trash the desktop's tools list and restore from
    NoTrash, // no trash could take it (a disk without one): the file is where it was
    Failed   // not a file that may be removed (gone, a folder)
};

// Moves the plain file (or link) at `path` into the freedesktop trash: the home trash for a
// file on the home disk (its folders made first, as the first start of a fresh home lacks
// them), the disk's own trash otherwise. The file is never deleted for good here, and never
// left anywhere but in a real trash or where it was.
TTrashOutcome MoveToTrash(const std::string& path);

// The home trash's folder: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
std::string HomeTrashFolder();

// Makes `path` and every missing folder above it, each made with `mode`. Returns whether
// `path` is a folder afterwards.
bool MakeFolderPath(const std::string& path, unsigned mode);
