#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include <QWidget>

class QAction;
class QMenu;
class TDownload;
class TDownloadsModel;
class TPageList;
class TfraPlayList;

// The page that lists this run's downloads and lets the user preview, restart, cancel and
// clear them.
class TfraDownloads : public QWidget {
    Q_OBJECT
public:
    explicit TfraDownloads(QWidget* parent = nullptr);

    // Takes the download manager's events. Safe to call when the manager does not exist.
    void InitPage();
    // Lists a download the manager has just been asked for. A download whose row is still
    // listed gets no second row; one whose row was cleared comes back under its old key,
    // showing the download as it stands now.
    void AddDownloadRow(const TDownload& download);
    // The row showing the download `key`, or -1.
    int FindDownloadRow(const std::string& key) const;

    void HandleDownloadProgress(const std::string& key, const TDownload& download);
    void HandleDownloadError(const std::string& key);
    void HandleDownloadComplete(const std::string& key);

    // Dispatches an action of the pop-up menu by its Tag (3 to 7).
    void MenuAction(QObject* sender);
    void PreviewFile();     // Tag 3
    void RestartSelected(); // Tag 4
    void CancelSelected();  // Tag 5
    void CancelAll();       // Tag 6
    void ClearDownloaded(); // Tag 7

    // Orders the rows by a column, as a click on its header does.
    void ColumnClick(int column);

    TPageList* lvwDownloads;
    TDownloadsModel* Rows;
    QMenu* popDownloads;

    // Set by the main window before InitPage: the page whose player previews a download and
    // whose list takes each completed one.
    TfraPlayList* PlayList = nullptr;

    // Where a completed file and a preview go; by default the play list page. Tests put
    // their own here.
    std::function<void(const std::string& name, int64_t size)> AddFileToPlayList;
    std::function<void(const std::string& path)> PlayInPlayer;
    // Asks a Yes/No question; true on Yes.
    std::function<bool(const QString& text)> Confirm;

    // Bytes that must arrive before a row shows new figures, unless the download is done.
    static constexpr int64_t ProgressRefreshStep = 32768;

private:
    int SelectedRow() const;
    // The download key of a row, through the row map; empty when it has none.
    std::string KeyOfRow(int row) const;
    QAction* AddMenuItem(const QString& name, const QString& caption, int tag, const QString& icon);
    void ShowMenu(const QPoint& position);

    // Row key -> download key and back (first entry only), beside the process-wide row map.
    std::unordered_map<int64_t, std::string> m_keyOfRowKey;
    std::unordered_map<std::string, int64_t> m_rowKeyOfKey;
    // Never repeats in a run, also after rows were cleared.
    int64_t m_nextRowKey = 0;
};
