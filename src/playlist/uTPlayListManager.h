#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include <QObject>

#include "media/uContentCheck.h"
#include "media/uContentChecker.h"
#include "playlist/uFolderWatch.h"
#include "playlist/uLibraryIndex.h"

// The library: the plain files (hidden ones included, no folders) of the download folder,
// sorted by name, letter case aside, when listed, and each new one at the end. It follows
// its folder (files added, renamed or removed there by anyone), looks into every file once in
// the background (tags, length, what it really holds), and tells any number of listeners
// what changed, on the GUI thread, in the order it happens.
class TPlayListManager : public QObject {
    Q_OBJECT
public:
    // Neither lists nor follows `folder` before the first Refresh. `checkers`: how many files
    // are looked into at once.
    explicit TPlayListManager(std::string folder, int checkers = TContentChecker::kDefaultWorkers,
                              QObject* parent = nullptr);
    TPlayListManager(const TPlayListManager&) = delete;
    TPlayListManager& operator=(const TPlayListManager&) = delete;
    ~TPlayListManager() override;

    // Always with a trailing "/".
    const std::string& Folder() const { return m_folder; }
    // Another folder, listed and followed from the next Refresh.
    void SetFolder(const std::string& folder);

    int Count() const { return m_library.Count(); }
    const TPlayListFile& File(int index) const { return m_library.File(index); }
    // The index of the file of exactly this name; -1 when there is none.
    int IndexOf(const std::string& name) const;

    // Lists the folder anew (its regular files, hidden ones and links to files included; no
    // folders, pipes or devices), follows it from now on, and looks into every file: first
    // the headers of all of them, then every frame, a file at a time. The folder is read on
    // a thread of its own: the list is made anew (Reset) when it has been.
    void Refresh();
    // A Refresh is under way: the list still shows what it showed before.
    bool Listing() const { return m_listing; }
    // A file arrived at `path` (a download was placed): listed at the end when it lies in
    // the folder and is not listed yet, and looked into unless that is done or under way.
    // Its verdict is told (Checked) either way, also for a file outside the folder.
    void Place(const std::string& path, int64_t size);
    // The file left the folder (sent to the trash, deleted): its row goes.
    void Forget(int index);
    // Renames the file in the folder; false (and nothing changes) when the system would not.
    bool Rename(int index, const std::string& name);
    // Whether the folder holds a file of exactly this name, or one whose name (without its
    // extension) is the same song as `title` (NormalizedTitle) with this size.
    bool Holds(const std::string& fileName, const std::string& title, int64_t size) const;

signals:
    // The list was made anew: every index before is void.
    void Reset();
    // Files were listed at indexes `first` to `last`, at the end.
    void Added(int first, int last);
    // The file at `index` changed: its size, its name, or what its check found.
    void Changed(int index);
    // The file at `index` is about to leave the list, and has left it at Removed.
    void AboutToBeRemoved(int index);
    void Removed();
    // What the check of the file at `path` found (the headers first, then every frame, for
    // a listed file).
    void Checked(const std::string& path, const TContentVerdict& verdict);
    // A change to the folder by anyone was followed.
    void Followed();

private:
    void Clear();
    void Append(const std::string& name, int64_t size);
    void Remove(int index);
    void SetFileSize(int index, int64_t size);
    // Makes the list anew from a listing of the folder.
    void TakeListing(TWholeListing& whole);
    // Brings the list in line with a new listing of the folder: files gone go, new ones are
    // added at the end and looked into, sizes follow. The first listing after a Refresh
    // makes the list anew, from what the listing's thread made of it.
    void Follow(const std::vector<TListedFile>& listing, const std::shared_ptr<TListingWork>& work);
    void CheckLater(const std::string& name);
    void CheckedFile(const std::string& path, const TContentVerdict& verdict);
    // The name of a path in the folder; empty for a path elsewhere.
    std::string NameInFolder(const std::string& path) const;

    std::string m_folder;
    TLibraryIndex m_library;
    // The names whose check is queued or under way; and files outside the folder whose
    // verdict is still to come (a listing anew must not drop their check).
    std::unordered_set<std::string> m_checking;
    std::unordered_set<std::string> m_outside;
    TFolderWatch m_watch;
    bool m_listing = false; // the next listing makes the list anew
    int64_t m_listings = 0; // listings taken whole so far
    // Last: it goes first, and no verdict reaches a half-destroyed list.
    std::unique_ptr<TContentChecker> m_checker;
};
