#pragma once

#include <string>

#include <QObject>

class QTimer;
class TDownloadManager;

// The downloads list kept from one run to the next, as JSON in the data folder.
std::string DownloadListPath(const std::string& dataFolder);

// Writes every listed download, whole or not at all (a temporary name, then a rename): a
// complete one as complete, a failed or cancelled one as it is, with its reason, and one that
// is still running as stopped, with what has arrived. False when the file could not be written
// (the one there before stays as it was).
bool SaveDownloadList(const TDownloadManager& manager, const std::string& path);

// Lists the stored downloads in the manager, as they were saved; how many came back. A file
// that holds no list is moved aside (to `path` + ".bad") and nothing is listed; an entry
// that makes no sense is skipped, the others come back. A part is taken as the download's
// own only where it can be: a plain name directly in the incomplete folder.
int LoadDownloadList(TDownloadManager& manager, const std::string& path);

// Keeps the list on disk while the program runs: loads it on construction and continues the
// downloads that were stopped by the program's end, writes it within a second of a change
// (so that a crash loses little), and once more when it goes.
class TDownloadListKeeper : public QObject {
    Q_OBJECT
public:
    TDownloadListKeeper(TDownloadManager& manager, std::string path);
    ~TDownloadListKeeper() override;

    void SaveNow();

private:
    TDownloadManager& m_manager;
    const std::string m_path;
    QTimer* const m_saveTimer; // owned as a child
};
