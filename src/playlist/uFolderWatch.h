#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include "core/uHandOver.h"
#include "core/uTFileUtils.h"

// What a watch's owner makes of a listing on the listing's thread, so that the GUI thread
// only takes it.
class TListingWork {
public:
    virtual ~TListingWork() = default;
};

// Follows one folder: files added, renamed or removed there by anyone are reported as a new
// listing of the folder. Changes are gathered for a moment and listed together, on a thread
// of the watch's own, so that a large folder or a burst of changes never holds up the GUI
// thread; the listing comes on the GUI thread, sorted there already.
class TFolderWatch : public QObject {
    Q_OBJECT
public:
    // Makes the owner's work of a listing asked for with ListNow, on the listing's thread.
    using TPrepare = std::function<std::unique_ptr<TListingWork>(
        const std::string& folder, const std::vector<TListedFile>& files)>;

    explicit TFolderWatch(TPrepare prepare = {}, QObject* parent = nullptr);
    ~TFolderWatch() override;

    // Follows `folder` from now on (empty: none).
    void Watch(const std::string& folder);
    // Lists the folder now, not after a change, and has the listing prepared.
    void ListNow();

    // How long changes are gathered before the folder is listed.
    static constexpr int kGatherMs = 250;

signals:
    // The folder's files, sorted by name, letter case aside; with what was prepared of them
    // for a listing asked for with ListNow (none otherwise).
    void Listed(const std::vector<TListedFile>& files, const std::shared_ptr<TListingWork>& work);

private:
    void ListSoon();
    void StartListing();
    void ListingDone(const std::string& folder, const std::vector<TListedFile>& files,
                     const std::shared_ptr<TListingWork>& work);

    TPrepare m_prepare;
    bool m_prepareNext = false; // the next listing was asked for with ListNow

    QFileSystemWatcher m_watcher;
    QTimer m_gather;
    std::string m_folder;
    std::thread m_lister;
    bool m_listing = false;
    bool m_again = false; // a change came while the folder was being listed
    TLifeline m_alive = MakeLifeline();
};
