#pragma once

#include <cerrno>
#include <cstdint>
#include <string>
#include <unordered_set>

// The system has no descriptor left (for this process, or at all): a wait, not a failure.
inline bool OutOfDescriptors(int error) {
    return error == EMFILE || error == ENFILE;
}

// A file name made from a web page's title that can only ever name a file inside its folder,
// and that every disk a song may go to (FAT, exFAT, NTFS sticks and players) can hold: path
// separators, NUL and control bytes become "_", the other characters those disks forbid
// (: * ? " < > |) become "-", "." and ".." are refused, and the name stays within 240 bytes
// (room for a number to be added) with its extension kept.
std::string SafeFileName(const std::string& name);

// The names the listed downloads hold, and the making of new files under free names. A name
// stays spoken for while a download holds it, even when its file was deleted by hand: the
// download makes it anew at its next write.
class TFileNames {
public:
    // How many names the free-name search tries before it gives up.
    static constexpr int kMaxCandidates = 10000;

    bool IsTaken(const std::string& path) const { return m_taken.count(path) > 0; }
    // `path` is held from now on in place of `old` (which may be empty).
    void Take(const std::string& old, const std::string& path);
    void Release(const std::string& path);
    void Clear() { m_taken.clear(); }

    // The path, or the first of Base1.ext, Base2.ext ... that names no existing file and no
    // name held here, made at once, exclusively, so that no other process (a second window,
    // orvalo-cli) can take the same name meanwhile. Empty when no file could be made (errno
    // says why, EEXIST when none of the first kMaxCandidates is free). With `file`, the made
    // file's descriptor (open for writing) is handed back there; otherwise it is closed.
    std::string Reserve(const std::string& path, int* file = nullptr) const;

    // Opens the file at `path` that a download of a song of `songSize` bytes (0: unknown)
    // made for its transfer: at its end, `size` bytes, when `keep` and it holds part of the
    // song; otherwise emptied (`size` 0). -1 when it is gone or no plain file. Never through
    // a link put in its place, never waiting on a pipe.
    static int ReopenPart(const std::string& path, int64_t songSize, bool keep, int64_t& size);

private:
    // The first free candidate name for `path` from number `first` on (n: its number), or
    // empty after kMaxCandidates taken ones.
    std::string FreeCandidate(const std::string& path, int first, int& n) const;

    std::unordered_multiset<std::string> m_taken;
};
