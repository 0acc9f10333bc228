#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

#include "core/uHandOver.h"
#include "core/uTFileUtils.h"

// Follows one folder: files added, renamed or removed there by anyone are reported as a new
// listing of the folder. Changes are gathered for a moment and listed together, on a thread
// of the watch's own, so that a large folder or a burst of changes never holds up the GUI
// thread; the listing comes on the GUI thread, sorted there already.
class TFolderWatch : public QObject {
    Q_OBJECT
public:
    explicit TFolderWatch(QObject* parent = nullptr);
    ~TFolderWatch() override;

    // Follows `folder` from now on (empty: none).
    void Watch(const std::string& folder);
    // Lists the folder now, not after a change.
    void ListNow();

    // How long changes are gathered before the folder is listed.
    static constexpr int kGatherMs = 250;

signals:
    // The folder's files, sorted by name, letter case aside.
    void Listed(const std::vector<TListedFile>& files);

private:
    void ListSoon();
    void StartListing();
    void ListingDone(const std::string& folder, std::vector<TListedFile> files);

    QFileSystemWatcher m_watcher;
    QTimer m_gather;
    std::string m_folder;
    std::thread m_lister;
    bool m_listing = false;
    bool m_again = false; // a change came while the folder was being listed
    TLifeline m_alive = MakeLifeline();
};
